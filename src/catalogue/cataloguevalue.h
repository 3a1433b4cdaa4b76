/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#pragma once

#include <QJsonValue>
#include <QString>
#include <QStringView>

#include <memory>
#include <vector>

// A JSON value of a catalogue text, as the event parser walks it: the same
// values QJsonDocument gives for the same text, with the members of an object
// in key order and the last of equal keys kept, as QJsonObject keeps them.
//
// The catalogue's texts are read straight into these values: the parser walks
// every member of every event once, and QJsonObject would hand each key and
// string out as a new copy on every access. Keys come from a pool of shared
// texts.
class CatalogueValue
{
public:
    enum Type : quint8 {
        Null,
        Bool,
        Number,
        String,
        Array,
        Object,
    };
    struct Member;

    CatalogueValue() = default;
    explicit CatalogueValue(const QString &text);
    static CatalogueValue object();

    // The top-level object of a JSON text: what
    // QJsonDocument::fromJson(text).object() gives, empty when the text is no
    // JSON object. Texts with numbers, \u escapes or anything unusual are left
    // to QJsonDocument.
    static CatalogueValue parseObject(const char *text, qsizetype size);
    static CatalogueValue fromJson(const QJsonValue &value);
    QJsonValue toJson() const;

    Type type() const
    {
        return m_type;
    }
    bool isObject() const
    {
        return m_type == Object;
    }
    bool isString() const
    {
        return m_type == String;
    }
    // The text of a string, null for every other type.
    QString toString() const;
    bool toBool() const
    {
        return m_boolean;
    }
    // A number exactly as QJsonDocument read it.
    QJsonValue number() const
    {
        return m_number ? *m_number : QJsonValue();
    }

    // The elements of an array, or the members of an object in key order
    // (the keys of array elements are null).
    const std::vector<Member> &members() const
    {
        return m_members;
    }
    qsizetype size() const;
    bool isEmpty() const;

    // Object members by key; null when missing.
    const CatalogueValue *find(QStringView key) const;
    CatalogueValue *find(QStringView key);
    bool contains(QStringView key) const
    {
        return find(key);
    }
    // Sets the member `key` in key order, replacing one of the same key.
    void insert(const QString &key, CatalogueValue value);
    void remove(QStringView key);

private:
    friend class CatalogueTextReader;
    std::vector<Member>::iterator lowerBound(QStringView key);

    std::vector<Member> m_members;
    QString m_text;
    // Numbers are rare in the catalogue: kept aside, shared between copies.
    std::shared_ptr<const QJsonValue> m_number;
    Type m_type = Null;
    bool m_boolean = false;
};

struct CatalogueValue::Member {
    QString key;
    CatalogueValue value;
};

// Defined once Member is complete: clang instantiates the vector's members
// where they are used.
inline qsizetype CatalogueValue::size() const
{
    return static_cast<qsizetype>(m_members.size());
}

inline bool CatalogueValue::isEmpty() const
{
    return m_members.empty();
}
