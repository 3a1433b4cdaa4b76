/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "cataloguevalue.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <cstring>

namespace
{
// Shared copies of short ASCII texts (keys), looked up by their
// bytes so that a text met again costs no allocation. Open addressing; the
// table starts afresh when half full, so that a catalogue of many distinct
// short texts never makes it a burden.
class SharedTexts
{
public:
    static constexpr int MaxSize = 16;

    QString get(const char *bytes, int size)
    {
        quint32 hash = 2166136261u;
        for (int i = 0; i < size; ++i) {
            hash = (hash ^ static_cast<uchar>(bytes[i])) * 16777619u;
        }
        for (quint32 index = hash & Mask;; index = (index + 1) & Mask) {
            Slot &slot = m_slots[index];
            if (!slot.used) {
                if (m_used >= Capacity / 2) {
                    m_slots.assign(Capacity, Slot());
                    m_used = 0;
                    return get(bytes, size);
                }
                slot.used = true;
                slot.hash = hash;
                slot.text = QString::fromLatin1(bytes, size);
                ++m_used;
                return slot.text;
            }
            if (slot.hash == hash && slot.text.size() == size && equals(slot.text, bytes, size)) {
                return slot.text;
            }
        }
    }

private:
    static constexpr quint32 Capacity = 8192;
    static constexpr quint32 Mask = Capacity - 1;

    struct Slot {
        QString text;
        quint32 hash = 0;
        bool used = false;
    };

    static bool equals(const QString &text, const char *bytes, int size)
    {
        const QChar *units = text.constData();
        for (int i = 0; i < size; ++i) {
            if (units[i].unicode() != static_cast<uchar>(bytes[i])) {
                return false;
            }
        }
        return true;
    }

    std::vector<Slot> m_slots = std::vector<Slot>(Capacity);
    quint32 m_used = 0;
};

SharedTexts &sharedTexts()
{
    thread_local SharedTexts texts;
    return texts;
}

bool keyLess(const CatalogueValue::Member &a, const CatalogueValue::Member &b)
{
    return a.key < b.key;
}

// Into key order, keeping the last of equal keys, as QJsonDocument does.
void sortMembers(std::vector<CatalogueValue::Member> &members)
{
    const auto begin = members.begin();
    const auto end = members.end();
    if (std::is_sorted(begin, end, keyLess)) {
        // Equal neighbours may remain; handled below.
    } else if (members.size() <= 16) {
        // Stable insertion sort: std::stable_sort would ask for a buffer.
        for (auto it = begin + 1; it != end; ++it) {
            if (!keyLess(*it, *(it - 1))) {
                continue;
            }
            CatalogueValue::Member moving = std::move(*it);
            auto hole = it;
            do {
                *hole = std::move(*(hole - 1));
                --hole;
            } while (hole != begin && keyLess(moving, *(hole - 1)));
            *hole = std::move(moving);
        }
    } else {
        std::stable_sort(begin, end, keyLess);
    }

    auto kept = begin;
    for (auto it = begin; it != end; ++it) {
        if (it + 1 != end && it->key == (it + 1)->key) {
            continue;
        }
        if (kept != it) {
            *kept = std::move(*it);
        }
        ++kept;
    }
    members.erase(kept, end);
}

// Decoded strictly: overlong forms, surrogates, noncharacters and a byte
// order mark are refused, and the text goes to QJsonDocument, which decides.
bool isPlainUtf8(const uchar *bytes, const uchar *end)
{
    while (bytes < end) {
        const uchar lead = *bytes;
        if (lead < 0x80) {
            if (lead < 0x20) {
                return false;
            }
            ++bytes;
            continue;
        }
        int follow = 0;
        char32_t point = 0;
        if (lead >= 0xC2 && lead <= 0xDF) {
            follow = 1;
            point = lead & 0x1F;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            follow = 2;
            point = lead & 0x0F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            follow = 3;
            point = lead & 0x07;
        } else {
            return false;
        }
        if (end - bytes <= follow) {
            return false;
        }
        for (int i = 1; i <= follow; ++i) {
            if ((bytes[i] & 0xC0) != 0x80) {
                return false;
            }
            point = (point << 6) | (bytes[i] & 0x3F);
        }
        if ((follow == 2 && point < 0x800) || (follow == 3 && (point < 0x10000 || point > 0x10FFFF)) || (point >= 0xD800 && point <= 0xDFFF)
            || (point >= 0xFDD0 && point <= 0xFDEF) || (point & 0xFFFE) == 0xFFFE || point == 0xFEFF) {
            return false;
        }
        bytes += follow + 1;
    }
    return true;
}
}

// A strict reader of plain JSON: objects, arrays, strings without \u
// escapes, true, false and null. It gives up (and QJsonDocument reads the
// text) on anything else, so that whatever it reads is read as QJsonDocument
// reads it.
class CatalogueTextReader
{
public:
    CatalogueTextReader(const char *text, qsizetype size)
        : m_at(text)
        , m_end(text + size)
    {
    }

    bool readDocument(CatalogueValue &out)
    {
        skipSpace();
        if (m_at == m_end || *m_at != '{' || !readContainer(out, 0)) {
            return false;
        }
        skipSpace();
        return m_at == m_end;
    }

private:
    static constexpr int MaxDepth = 256;

    void skipSpace()
    {
        const char *at = m_at;
        while (at < m_end && (*at == ' ' || *at == '\n' || *at == '\t' || *at == '\r')) {
            ++at;
        }
        m_at = at;
    }

    bool readValue(CatalogueValue &out, int depth)
    {
        if (m_at == m_end) {
            return false;
        }
        switch (*m_at) {
        case '{':
        case '[':
            return readContainer(out, depth + 1);
        case '"':
            out.m_type = CatalogueValue::String;
            return readString(out.m_text, false);
        case 't':
            out.m_type = CatalogueValue::Bool;
            out.m_boolean = true;
            return readWord("true");
        case 'f':
            out.m_type = CatalogueValue::Bool;
            return readWord("false");
        case 'n':
            return readWord("null");
        default:
            return false; // numbers, and what is no JSON
        }
    }

    bool readWord(const char *word)
    {
        const qsizetype size = static_cast<qsizetype>(std::strlen(word));
        if (m_end - m_at < size || std::memcmp(m_at, word, size) != 0) {
            return false;
        }
        m_at += size;
        return true;
    }

    // An object or an array, whichever `m_at` opens.
    bool readContainer(CatalogueValue &out, int depth)
    {
        if (depth > MaxDepth) {
            return false;
        }
        const bool object = *m_at == '{';
        const char close = object ? '}' : ']';
        out.m_type = object ? CatalogueValue::Object : CatalogueValue::Array;
        ++m_at;
        skipSpace();
        if (m_at < m_end && *m_at == close) {
            ++m_at;
            return true;
        }
        while (true) {
            CatalogueValue::Member &member = out.m_members.emplace_back();
            if (object) {
                if (m_at == m_end || *m_at != '"' || !readString(member.key, true)) {
                    return false;
                }
                skipSpace();
                if (m_at == m_end || *m_at != ':') {
                    return false;
                }
                ++m_at;
                skipSpace();
            }
            if (!readValue(member.value, depth)) {
                return false;
            }
            skipSpace();
            if (m_at < m_end && *m_at == ',') {
                ++m_at;
                skipSpace();
                continue;
            }
            if (m_at < m_end && *m_at == close) {
                ++m_at;
                if (object) {
                    sortMembers(out.m_members);
                }
                return true;
            }
            return false;
        }
    }

    // Keys come from the shared texts: a catalogue has few of them.
    bool readString(QString &out, bool key)
    {
        const char *const begin = m_at + 1;
        const char *const limit = m_end;
        const char *at = begin;
        bool ascii = true;
        bool escaped = false;
        while (at < limit && *at != '"') {
            const uchar byte = static_cast<uchar>(*at);
            if (byte == '\\') {
                escaped = true;
                if (++at == limit) {
                    return false;
                }
            } else if (byte < 0x20) {
                return false;
            } else if (byte >= 0x80) {
                ascii = false;
            }
            ++at;
        }
        if (at == limit) {
            return false;
        }
        const char *const end = at;
        m_at = at + 1;
        const int size = static_cast<int>(end - begin);
        if (!ascii && !isPlainUtf8(reinterpret_cast<const uchar *>(begin), reinterpret_cast<const uchar *>(end))) {
            return false;
        }
        if (escaped) {
            return unescape(begin, end, out);
        }
        if (ascii) {
            out = key && size <= SharedTexts::MaxSize ? sharedTexts().get(begin, size) : QString::fromLatin1(begin, size);
            return true;
        }
        out = QString::fromUtf8(begin, size);
        return true;
    }

    // The raw bytes were checked while scanning; escapes give ASCII only.
    static bool unescape(const char *begin, const char *end, QString &out)
    {
        QByteArray plain;
        plain.reserve(static_cast<int>(end - begin));
        for (const char *at = begin; at < end; ++at) {
            if (*at != '\\') {
                plain += *at;
                continue;
            }
            switch (*++at) {
            case '"':
            case '\\':
            case '/':
                plain += *at;
                break;
            case 'b':
                plain += '\b';
                break;
            case 'f':
                plain += '\f';
                break;
            case 'n':
                plain += '\n';
                break;
            case 'r':
                plain += '\r';
                break;
            case 't':
                plain += '\t';
                break;
            default:
                return false; // \u, and what is no escape
            }
        }
        out = QString::fromUtf8(plain);
        return true;
    }

    const char *m_at;
    const char *m_end;
};

CatalogueValue::CatalogueValue(const QString &text)
    : m_text(text)
    , m_type(String)
{
}

CatalogueValue CatalogueValue::object()
{
    CatalogueValue value;
    value.m_type = Object;
    return value;
}

CatalogueValue CatalogueValue::parseObject(const char *text, qsizetype size)
{
    CatalogueValue value = object();
    if (!text || size <= 0) {
        return value;
    }
    CatalogueTextReader reader(text, size);
    if (reader.readDocument(value)) {
        return value;
    }
    return fromJson(QJsonDocument::fromJson(QByteArray::fromRawData(text, static_cast<int>(size))).object());
}

CatalogueValue CatalogueValue::fromJson(const QJsonValue &json)
{
    CatalogueValue value;
    switch (json.type()) {
    case QJsonValue::Bool:
        value.m_type = Bool;
        value.m_boolean = json.toBool();
        break;
    case QJsonValue::Double:
        value.m_type = Number;
        value.m_number = std::make_shared<const QJsonValue>(json);
        break;
    case QJsonValue::String:
        value.m_type = String;
        value.m_text = json.toString();
        break;
    case QJsonValue::Array: {
        value.m_type = Array;
        const QJsonArray array = json.toArray();
        value.m_members.reserve(array.size());
        for (const QJsonValue &element : array) {
            value.m_members.push_back({QString(), fromJson(element)});
        }
        break;
    }
    case QJsonValue::Object: {
        value.m_type = Object;
        const QJsonObject object = json.toObject();
        value.m_members.reserve(object.size());
        for (auto it = object.constBegin(); it != object.constEnd(); ++it) {
            value.m_members.push_back({it.key(), fromJson(it.value())});
        }
        break;
    }
    default:
        break;
    }
    return value;
}

QJsonValue CatalogueValue::toJson() const
{
    switch (m_type) {
    case Bool:
        return m_boolean;
    case Number:
        return number();
    case String:
        return m_text;
    case Array: {
        QJsonArray array;
        for (const Member &member : m_members) {
            array.append(member.value.toJson());
        }
        return array;
    }
    case Object: {
        QJsonObject object;
        for (const Member &member : m_members) {
            object.insert(member.key, member.value.toJson());
        }
        return object;
    }
    default:
        return QJsonValue();
    }
}

QString CatalogueValue::toString() const
{
    return m_type == String ? m_text : QString();
}

std::vector<CatalogueValue::Member>::iterator CatalogueValue::lowerBound(QStringView key)
{
    return std::lower_bound(m_members.begin(), m_members.end(), key, [](const Member &member, QStringView key) {
        return QStringView(member.key).compare(key) < 0;
    });
}

const CatalogueValue *CatalogueValue::find(QStringView key) const
{
    return const_cast<CatalogueValue *>(this)->find(key);
}

CatalogueValue *CatalogueValue::find(QStringView key)
{
    if (m_type != Object) {
        return nullptr;
    }
    const auto it = lowerBound(key);
    return it != m_members.end() && it->key == key ? &it->value : nullptr;
}

void CatalogueValue::insert(const QString &key, CatalogueValue value)
{
    const auto it = lowerBound(key);
    if (it != m_members.end() && it->key == key) {
        it->value = std::move(value);
    } else {
        m_members.insert(it, Member{key, std::move(value)});
    }
}

void CatalogueValue::remove(QStringView key)
{
    const auto it = lowerBound(key);
    if (it != m_members.end() && it->key == key) {
        m_members.erase(it);
    }
}
