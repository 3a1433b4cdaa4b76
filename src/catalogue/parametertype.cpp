/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "parametertype.h"

#include "cataloguevalue.h"

#include <QJsonValue>

#include <cmath>

namespace
{
// A bound of the dictionary, given as a string or a number.
bool readBound(const QJsonValue &value, int *bound)
{
    if (value.isDouble()) {
        const double number = value.toDouble();
        if (std::trunc(number) != number || number < std::numeric_limits<int>::min() || number > std::numeric_limits<int>::max()) {
            return false;
        }
        *bound = static_cast<int>(number);
        return true;
    }
    bool ok = false;
    const int number = value.toString().toInt(&ok);
    if (ok) {
        *bound = number;
    }
    return ok;
}

// Digits only, with an optional leading minus: no blanks, signs or suffixes.
bool isDecimalInteger(const QString &text)
{
    const int start = text.startsWith(QLatin1Char('-')) ? 1 : 0;
    if (text.size() == start) {
        return false;
    }
    for (int i = start; i < text.size(); ++i) {
        if (text.at(i) < QLatin1Char('0') || text.at(i) > QLatin1Char('9')) {
            return false;
        }
    }
    return true;
}
}

ParameterType::ParameterType(Kind kind, int minimum, int maximum)
    : m_minimum(minimum)
    , m_maximum(maximum)
    , m_kind(kind)
{
}

bool ParameterType::fromDescription(const QJsonObject &description, ParameterType *type)
{
    const QString name = description.value(QLatin1String("type")).toString();
    if (name == QLatin1String("text")) {
        *type = ParameterType(Text);
    } else if (name == QLatin1String("switch")) {
        *type = ParameterType(Switch);
    } else if (name == QLatin1String("priority")) {
        *type = ParameterType(Priority);
    } else if (name == QLatin1String("integer")) {
        ParameterType integer(Integer);
        readBound(description.value(QLatin1String("min")), &integer.m_minimum);
        readBound(description.value(QLatin1String("max")), &integer.m_maximum);
        if (integer.m_minimum > integer.m_maximum) {
            integer.m_maximum = integer.m_minimum;
        }
        *type = integer;
    } else {
        return false;
    }
    return true;
}

ParameterType::Kind ParameterType::inferredKind(const CatalogueValue &value)
{
    switch (value.type()) {
    case CatalogueValue::Bool:
        return Switch;
    case CatalogueValue::Number: {
        const double number = value.number().toDouble();
        return std::trunc(number) == number && std::abs(number) <= std::numeric_limits<int>::max() ? Integer : Text;
    }
    default:
        return Text;
    }
}

bool ParameterType::accepts(const QString &text) const
{
    switch (m_kind) {
    case Switch:
        return text == QLatin1String("1") || text == QLatin1String("0") || text == QLatin1String("true") || text == QLatin1String("false");
    case Integer: {
        if (!isDecimalInteger(text)) {
            return false;
        }
        bool ok = false;
        const qlonglong number = text.toLongLong(&ok);
        return ok && number >= m_minimum && number <= m_maximum;
    }
    case Priority:
        return syslogPriorities().contains(text);
    case Text:
    default:
        return true;
    }
}

const QStringList &ParameterType::syslogPriorities()
{
    static const QStringList priorities{
        QStringLiteral("emerg"),
        QStringLiteral("alert"),
        QStringLiteral("crit"),
        QStringLiteral("err"),
        QStringLiteral("warning"),
        QStringLiteral("notice"),
        QStringLiteral("info"),
        QStringLiteral("debug"),
    };
    return priorities;
}
