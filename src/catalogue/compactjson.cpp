/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "compactjson.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>

namespace
{
QChar hexDigit(uint value)
{
    return QLatin1Char("0123456789abcdef"[value & 0xf]);
}

void appendEscape(QString &out, ushort unit)
{
    out += QLatin1String("\\u");
    out += hexDigit(unit >> 12);
    out += hexDigit(unit >> 8);
    out += hexDigit(unit >> 4);
    out += hexDigit(unit);
}

void appendString(QString &out, const QString &text)
{
    out += QLatin1Char('"');
    const QChar *units = text.constData();
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
        const ushort unit = units[i].unicode();
        if (unit >= 0x20 && unit != '"' && unit != '\\' && !QChar::isSurrogate(unit)) {
            out += units[i];
            continue;
        }
        switch (unit) {
        case '"':
            out += QLatin1String("\\\"");
            break;
        case '\\':
            out += QLatin1String("\\\\");
            break;
        case '\b':
            out += QLatin1String("\\b");
            break;
        case '\f':
            out += QLatin1String("\\f");
            break;
        case '\n':
            out += QLatin1String("\\n");
            break;
        case '\r':
            out += QLatin1String("\\r");
            break;
        case '\t':
            out += QLatin1String("\\t");
            break;
        default:
            if (QChar::isHighSurrogate(unit) && i + 1 < size && units[i + 1].isLowSurrogate()) {
                out += units[i];
                out += units[++i];
            } else {
                // A control character, or half a surrogate pair, which
                // UTF-8 cannot carry.
                appendEscape(out, unit);
            }
            break;
        }
    }
    out += QLatin1Char('"');
}

// A number in QJsonDocument's shortest form.
void appendNumber(QString &out, const QJsonValue &number)
{
    const QByteArray text = QJsonDocument(QJsonArray{number}).toJson(QJsonDocument::Compact);
    out += QString::fromUtf8(text.mid(1, text.size() - 2));
}

// Members in the order of the code points of their keys, as QJsonDocument
// writes a document it read. Qt 5's objects order keys beyond the Basic
// Multilingual Plane differently when members were inserted one by one, and
// the same object must always give the same text.
void appendJson(QString &out, const QJsonValue &value)
{
    switch (value.type()) {
    case QJsonValue::Object: {
        // Taken as the object iterates them: looking a key up again may miss
        // it where Qt's two orders disagree.
        const QJsonObject object = value.toObject();
        QVector<std::pair<QString, QJsonValue>> members;
        members.reserve(object.size());
        for (auto it = object.constBegin(); it != object.constEnd(); ++it) {
            members.append({it.key(), it.value()});
        }
        std::sort(members.begin(), members.end(), [](const auto &a, const auto &b) {
            const QVector<uint> pointsA = a.first.toUcs4();
            const QVector<uint> pointsB = b.first.toUcs4();
            // Lone surrogates may read as the same code point.
            return pointsA != pointsB ? pointsA < pointsB : a.first < b.first;
        });
        out += QLatin1Char('{');
        bool first = true;
        for (const auto &[key, member] : std::as_const(members)) {
            if (!first) {
                out += QLatin1Char(',');
            }
            first = false;
            appendString(out, key);
            out += QLatin1Char(':');
            appendJson(out, member);
        }
        out += QLatin1Char('}');
        break;
    }
    case QJsonValue::Array: {
        out += QLatin1Char('[');
        bool first = true;
        for (const QJsonValue &element : value.toArray()) {
            if (!first) {
                out += QLatin1Char(',');
            }
            first = false;
            appendJson(out, element);
        }
        out += QLatin1Char(']');
        break;
    }
    case QJsonValue::String:
        appendString(out, value.toString());
        break;
    case QJsonValue::Bool:
        out += value.toBool() ? QLatin1String("true") : QLatin1String("false");
        break;
    case QJsonValue::Double:
        appendNumber(out, value);
        break;
    default:
        out += QLatin1String("null");
        break;
    }
}

bool appendValue(QString &out, const CatalogueValue &value)
{
    switch (value.type()) {
    case CatalogueValue::String:
        appendString(out, value.toString());
        return true;
    case CatalogueValue::Bool:
        out += value.toBool() ? QLatin1String("true") : QLatin1String("false");
        return true;
    case CatalogueValue::Array:
    case CatalogueValue::Object: {
        const bool object = value.isObject();
        out += object ? QLatin1Char('{') : QLatin1Char('[');
        bool first = true;
        for (const CatalogueValue::Member &member : value.members()) {
            if (!first) {
                out += QLatin1Char(',');
            }
            first = false;
            if (object) {
                appendString(out, member.key);
                out += QLatin1Char(':');
            }
            if (!appendValue(out, member.value)) {
                return false;
            }
        }
        out += object ? QLatin1Char('}') : QLatin1Char(']');
        return true;
    }
    case CatalogueValue::Number:
        // Their shortest form is left to QJsonDocument.
        return false;
    default:
        out += QLatin1String("null");
        return true;
    }
}
}

namespace CompactJson
{
QString toText(const CatalogueValue &value)
{
    QString out;
    if (appendValue(out, value)) {
        return out;
    }
    const QJsonValue json = value.toJson();
    const QJsonDocument document = json.isArray() ? QJsonDocument(json.toArray()) : QJsonDocument(json.toObject());
    return QString::fromUtf8(document.toJson(QJsonDocument::Compact));
}

QString toText(const QJsonArray &array)
{
    QString out;
    appendJson(out, array);
    return out;
}

QString toText(const QJsonObject &object)
{
    QString out;
    appendJson(out, object);
    return out;
}
}
