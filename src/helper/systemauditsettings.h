/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#pragma once

#include <QObject>
#include <QStringList>
#include <QVariantMap>

// The helper's access to the system's audit settings, through the catalogue
// library's tnevas_* functions.
//
// A settings map holds one integer per setting. For audit type 4 ("other")
// the key is a bare audit identifier; for the other types it is the audit
// identifier, "/" and the subject (a user or group name). The map written by
// setAuditSettings() also carries the audit type under "AUDIT_TYPE".
class SystemAuditSettings : public QObject
{
    Q_OBJECT
public:
    explicit SystemAuditSettings(QObject *parent = nullptr);

    // The current value of every identifier of `auditIDs` (for every subject
    // of `list`, unless the audit type is 4).
    QVariantMap getAuditSettings(const QStringList &list, int auditType, const QStringList &auditIDs) const;

    // Whether any setting of `settings` differs from the system.
    bool isAuditSettingsChanged(const QVariantMap &settings) const;

    // Writes every setting of `settings`, also after a failure. Returns the
    // keys whose write failed, in key order (empty: all written).
    QStringList setAuditSettings(const QVariantMap &settings) const;
};
