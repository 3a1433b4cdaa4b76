/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "notificationsdictionary.h"

#include "systempaths.h"

#include <QDir>
#include <QFile>

NotificationsDictionary &NotificationsDictionary::Instance()
{
    static NotificationsDictionary instance;
    return instance;
}

bool NotificationsDictionary::init()
{
    if (m_loaded) {
        return true;
    }
    const QString marker = QStringLiteral("tarn-event-watcher_");
    const QString suffix = QStringLiteral(".notifyrc");
    const QDir dir(SystemPaths::resolve(SystemPaths::KNotificationsDir));
    const QStringList names = dir.entryList(QDir::Files, QDir::Name);
    for (const QString &name : names) {
        if (!name.contains(marker)) {
            continue;
        }
        QFile file(dir.filePath(name));
        if (!file.open(QIODevice::ReadOnly)) {
            continue;
        }
        QByteArray content = file.readAll();
        const int nul = content.indexOf('\0');
        if (nul >= 0) {
            content.truncate(nul);
        }
        const QString text = QString::fromUtf8(content);
        if (text.isEmpty()) {
            continue;
        }
        const int suffixAt = name.lastIndexOf(suffix);
        const QString application = suffixAt >= 0 ? name.left(suffixAt) : name;
        const QStringList parts = text.split(QStringLiteral("[Event"));
        for (const QString &part : parts) {
            if (!part.startsWith(QLatin1Char('/'))) {
                continue;
            }
            QString eventId;
            const QStringList lines = part.split(QLatin1Char('\n'));
            for (const QString &line : lines) {
                if (line.startsWith(QLatin1Char('/'))) {
                    eventId = line.section(QLatin1Char('/'), 1, 1).simplified();
                    eventId.chop(1);
                }
            }
            if (!eventId.isEmpty()) {
                m_events.emplace(eventId, application);
            }
        }
    }
    m_loaded = !m_events.empty();
    return m_loaded;
}

bool NotificationsDictionary::contains(const QString &eventId) const
{
    return m_events.count(eventId) > 0;
}

QString NotificationsDictionary::applicationName(const QString &eventId) const
{
    const auto found = m_events.find(eventId);
    return found == m_events.end() ? QString() : found->second;
}

void NotificationsDictionary::reset()
{
    m_events.clear();
    m_loaded = false;
}
