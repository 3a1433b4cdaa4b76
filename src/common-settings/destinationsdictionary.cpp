/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "destinationsdictionary.h"

#include <KLocalizedString>

DestinationsDictionary &DestinationsDictionary::Instance()
{
    static DestinationsDictionary instance;
    return instance;
}

DestinationsDictionary::DestinationsDictionary()
    : m_dict{
        {i18n("File"), QStringLiteral("file")},
        {i18n("Network"), QStringLiteral("network")},
    }
{
}

QString DestinationsDictionary::findByParameter(const QString &parameter) const
{
    for (const auto &[label, driver] : m_dict) {
        if (driver == parameter) {
            return label;
        }
    }
    return QString();
}
