/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#pragma once

#include "accessservice.h"

#include <QHash>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <expected>

// The module's client of the system's audit configuration: carries the
// tables of AuditSettings to the helper's "getauditsettings" and
// "setauditsettings" actions and back.
//
// In the helper's maps a per-user or per-group setting is keyed
// "<audit identifier>/<name>", an "other" setting by the bare identifier; a
// request to write carries the audit type under "AUDIT_TYPE".
class AuditService : public AccessService
{
    Q_OBJECT
public:
    explicit AuditService(QObject *parent);

    // The system's per-user (type 1) or per-group (type 2) settings of every
    // identifier of `auditIDs` for every name of `list`. Empty when the
    // helper could not be asked; errorString() then tells why.
    QHash<QPair<QString, QString>, int> getAuditSettings(int auditType, const QStringList &auditIDs, const QStringList &list);
    // Writes per-user or per-group settings. True when the system held
    // something else before and every value was written, false when nothing
    // differed (nothing was written); the helper's error text when a value
    // could not be written or the helper could not be asked, in which case
    // some values may already be written.
    std::expected<bool, QString> setAuditSettings(QHash<QPair<QString, QString>, int> settings, int auditType);

    // The system's "other" settings of every identifier of `auditIDs`.
    QHash<QString, int> getOtherAuditSettings(const QStringList &auditIDs);
    // Writes "other" settings; the result as for setAuditSettings().
    std::expected<bool, QString> setOtherAuditSettings(QHash<QString, int> settings);

    static QVariantMap convertAuditSettingsToMap(const QHash<QPair<QString, QString>, int> &settings);
    // A key without "/" is skipped: it names no subject.
    static QHash<QPair<QString, QString>, int> convertAuditSettingsToHash(const QVariantMap &map);
    static QVariantMap convertOtherAuditSettingsToMap(const QHash<QString, int> &settings);
    static QHash<QString, int> convertOtherAuditSettingsToHash(const QVariantMap &map);

private:
    std::expected<bool, QString> write(const QVariantMap &arguments);
};
