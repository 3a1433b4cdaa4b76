/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "auditsettings.h"

namespace
{
template<typename Key>
void merge(QHash<Key, int> &table, const Key &key, int value)
{
    const int old = table.value(key, 0);
    table.insert(key, old != 0 ? (old | value) : value);
}
}

AuditSettings::AuditSettings()
    : QObject(nullptr)
    , auditIDs({
          QStringLiteral("open"),
          QStringLiteral("create"),
          QStringLiteral("exec"),
          QStringLiteral("delete"),
          QStringLiteral("chmod"),
          QStringLiteral("chown"),
          QStringLiteral("mount"),
          QStringLiteral("module"),
          QStringLiteral("uid"),
          QStringLiteral("gid"),
          QStringLiteral("audit"),
          QStringLiteral("acl"),
          QStringLiteral("mac"),
          QStringLiteral("cap"),
          QStringLiteral("chroot"),
          QStringLiteral("rename"),
          QStringLiteral("net"),
      })
{
}

void AuditSettings::clearAuditSettings()
{
    otherSettings.clear();
    groupSettings.clear();
    userSettings.clear();
}

void AuditSettings::prepareAuditSettings(const QString &auditId, int auditType, const QString &subject, int value)
{
    switch (auditType) {
    case GroupType:
        merge(groupSettings, qMakePair(auditId, subject), value);
        break;
    case UserType:
        merge(userSettings, qMakePair(auditId, subject), value);
        break;
    default:
        break;
    }
}

void AuditSettings::prepareOtherAuditSettings(const QString &auditId, int value)
{
    merge(otherSettings, auditId, value);
}
