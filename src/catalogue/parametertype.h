/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#pragma once

#include <QJsonObject>
#include <QMetaType>
#include <QString>
#include <QStringList>

#include <limits>

class CatalogueValue;

// What a parameter value may be, and so which editor fits it. Values stay
// texts in the event tree ("1", "5", "warning"), as the stored files have
// them; the type only says which texts fit.
class ParameterType
{
public:
    enum Kind : quint8 {
        Text = 0, // any text
        Switch, // "1" or "0" ("true" or "false" for a JSON boolean)
        Integer, // a decimal integer within [minimum, maximum]
        Priority, // one of the eight syslog priorities
    };

    ParameterType() = default;
    explicit ParameterType(Kind kind, int minimum = std::numeric_limits<int>::min(), int maximum = std::numeric_limits<int>::max());

    Kind kind() const
    {
        return m_kind;
    }
    int minimum() const
    {
        return m_minimum;
    }
    int maximum() const
    {
        return m_maximum;
    }

    // The type a dictionary entry gives: its "type" ("text", "switch",
    // "integer" or "priority") with "min" and "max" for integers, as strings
    // or numbers. False when the entry names no known type.
    static bool fromDescription(const QJsonObject &description, ParameterType *type);
    // What the JSON type of a catalogue value tells: a boolean is a switch,
    // a whole number an integer, anything else text.
    static Kind inferredKind(const CatalogueValue &value);

    bool accepts(const QString &text) const;

    // The syslog priorities from the most to the least severe.
    static const QStringList &syslogPriorities();

    friend bool operator==(const ParameterType &left, const ParameterType &right)
    {
        return left.m_kind == right.m_kind && left.m_minimum == right.m_minimum && left.m_maximum == right.m_maximum;
    }

private:
    int m_minimum = std::numeric_limits<int>::min();
    int m_maximum = std::numeric_limits<int>::max();
    Kind m_kind = Text;
};

Q_DECLARE_METATYPE(ParameterType)
