/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "dbuskeeper.h"

#include "systempaths.h"

#include <QDir>

DBusKeeper &DBusKeeper::Instance()
{
    static DBusKeeper keeper;
    return keeper;
}

void DBusKeeper::init()
{
    m_fileIds.clear();
    const QString prefix = QStringLiteral("mod-tarn-");
    const QString suffix = QStringLiteral(".conf");
    const QDir dir(SystemPaths::resolve(SystemPaths::SyslogNgConfDir));
    const QStringList names = dir.entryList(QDir::Files | QDir::NoDotAndDotDot, QDir::Unsorted);
    for (QString name : names) {
        if (!name.startsWith(prefix) || !name.endsWith(suffix)) {
            continue;
        }
        m_fileIds.insert(name.remove(prefix).remove(suffix));
    }
}

bool DBusKeeper::findEvent(const QString &messageId) const
{
    if (m_fileIds.count(messageId) > 0) {
        return true;
    }
    QString fileId = messageId;
    return m_fileIds.count(fileId.replace(QLatin1Char('_'), QLatin1Char('-'))) > 0;
}
