/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "systemauditsettings.h"

#include "tarnevents.h"

namespace
{
const QString AuditTypeKey = QStringLiteral("AUDIT_TYPE");
constexpr int OtherAuditType = 4;

struct SettingKey {
    QByteArray auditId;
    QByteArray subject;
};

// Splits a settings key into the audit identifier and the subject.
SettingKey splitKey(const QString &key, int auditType)
{
    if (auditType == OtherAuditType) {
        return {key.toLocal8Bit(), QByteArray("")};
    }
    // Identifiers have no "/", subject names may ("ldap/admins").
    const qsizetype slash = key.indexOf(QLatin1Char('/'));
    if (slash < 0) {
        return {key.toLocal8Bit(), QByteArray()};
    }
    return {key.left(slash).toLocal8Bit(), key.mid(slash + 1).toLocal8Bit()};
}

int currentValue(const QString &auditId, int auditType, const QString &subject)
{
    return tnevas_get_audit_event(auditId.toLocal8Bit().constData(), auditType, subject.toLocal8Bit().constData());
}
}

SystemAuditSettings::SystemAuditSettings(QObject *parent)
    : QObject(parent)
{
}

QVariantMap SystemAuditSettings::getAuditSettings(const QStringList &list, int auditType, const QStringList &auditIDs) const
{
    QVariantMap settings;
    for (const QString &auditId : auditIDs) {
        if (auditType == OtherAuditType) {
            settings.insert(auditId, currentValue(auditId, auditType, QString()));
            continue;
        }
        for (const QString &subject : list) {
            settings.insert(auditId + QLatin1Char('/') + subject, currentValue(auditId, auditType, subject));
        }
    }
    return settings;
}

bool SystemAuditSettings::isAuditSettingsChanged(const QVariantMap &settings) const
{
    const int auditType = settings.value(AuditTypeKey).toInt();
    bool changed = false;
    for (auto it = settings.cbegin(); it != settings.cend(); ++it) {
        if (it.key() == AuditTypeKey) {
            continue;
        }
        const SettingKey key = splitKey(it.key(), auditType);
        const int current = tnevas_get_audit_event(key.auditId.constData(), auditType, key.subject.constData());
        if (current != it.value().toInt()) {
            changed = true;
        }
    }
    return changed;
}

QStringList SystemAuditSettings::setAuditSettings(const QVariantMap &settings) const
{
    const int auditType = settings.value(AuditTypeKey).toInt();
    QStringList failed;
    for (auto it = settings.cbegin(); it != settings.cend(); ++it) {
        if (it.key() == AuditTypeKey) {
            continue;
        }
        const SettingKey key = splitKey(it.key(), auditType);
        if (tnevas_set_audit_event(key.auditId.constData(), auditType, key.subject.constData(), it.value().toInt()) == 0) {
            failed.append(it.key());
        }
    }
    return failed;
}
