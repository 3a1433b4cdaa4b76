/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "notificationids.h"

#include <QStandardPaths>

namespace NotificationIds
{
QString eventId(const QString &messageId)
{
    QString id;
    id.reserve(messageId.size());
    bool upper = false;
    for (const QChar c : messageId) {
        if (c == QLatin1Char('_') || c == QLatin1Char('-')) {
            upper = true;
            continue;
        }
        id.append(upper ? c.toUpper() : c);
        upper = false;
    }
    return id;
}

QString fileId(const QString &messageId)
{
    return QString(messageId).replace(QLatin1Char('_'), QLatin1Char('-'));
}

QString tableKey(const QString &fileIdOrMessageId)
{
    return QString(fileIdOrMessageId).replace(QLatin1Char('-'), QLatin1Char('_'));
}

QString userRcPath(const QString &applicationName)
{
    const QStringList homes = QStandardPaths::standardLocations(QStandardPaths::HomeLocation);
    return homes.value(0) + QStringLiteral("/.config/") + applicationName + QStringLiteral(".notifyrc");
}
}
