/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "compactjson.h"

#include <QJsonDocument>

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

bool appendValue(QString &out, const QJsonValue &value);

bool appendArray(QString &out, const QJsonArray &array)
{
    out += QLatin1Char('[');
    bool first = true;
    for (const QJsonValue &element : array) {
        if (!first) {
            out += QLatin1Char(',');
        }
        first = false;
        if (!appendValue(out, element)) {
            return false;
        }
    }
    out += QLatin1Char(']');
    return true;
}

bool appendObject(QString &out, const QJsonObject &object)
{
    out += QLatin1Char('{');
    for (auto it = object.constBegin(); it != object.constEnd(); ++it) {
        if (it != object.constBegin()) {
            out += QLatin1Char(',');
        }
        appendString(out, it.key());
        out += QLatin1Char(':');
        if (!appendValue(out, it.value())) {
            return false;
        }
    }
    out += QLatin1Char('}');
    return true;
}

// False for a number: their shortest form is left to QJsonDocument.
bool appendValue(QString &out, const QJsonValue &value)
{
    switch (value.type()) {
    case QJsonValue::String:
        appendString(out, value.toString());
        return true;
    case QJsonValue::Bool:
        out += value.toBool() ? QLatin1String("true") : QLatin1String("false");
        return true;
    case QJsonValue::Array:
        return appendArray(out, value.toArray());
    case QJsonValue::Object:
        return appendObject(out, value.toObject());
    case QJsonValue::Double:
        return false;
    default:
        out += QLatin1String("null");
        return true;
    }
}
}

namespace CompactJson
{
QString toText(const QJsonArray &array)
{
    QString out;
    if (appendArray(out, array)) {
        return out;
    }
    return QString::fromUtf8(QJsonDocument(array).toJson(QJsonDocument::Compact));
}

QString toText(const QJsonObject &object)
{
    QString out;
    if (appendObject(out, object)) {
        return out;
    }
    return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
}
}
