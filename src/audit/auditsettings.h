/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#pragma once

#include <QHash>
#include <QObject>
#include <QPair>
#include <QString>
#include <QStringList>

// The audit configuration the module wants the system to hold: for each audit
// identifier, an audit value for listed users, for listed groups and for
// everybody else.
//
// An audit value is a bit set: 1 audits successful operations, 2 failed ones.
// Values are only ever merged with a bitwise OR; to start afresh the tables
// are cleared.
class AuditSettings : public QObject
{
    Q_OBJECT
public:
    // The audit types of the helper's settings maps.
    enum AuditType {
        UserType = 1,
        GroupType = 2,
        OtherType = 4,
    };

    // The bits of an audit value.
    enum AuditValue {
        NoAudit = 0,
        SuccessAudit = 1,
        FailureAudit = 2,
        FullAudit = SuccessAudit | FailureAudit,
    };

    AuditSettings();

    // Empties the three tables; the audit identifiers stay.
    void clearAuditSettings();
    // Merges `value` into the user table (UserType) or the group table
    // (GroupType) under (auditId, subject); any other type changes nothing.
    void prepareAuditSettings(const QString &auditId, int auditType, const QString &subject, int value);
    // Merges `value` into the "other" table under `auditId`.
    void prepareOtherAuditSettings(const QString &auditId, int value);

    // Audit identifier -> value, for everybody not listed in a table.
    QHash<QString, int> otherSettings;
    // (audit identifier, user name) -> value.
    QHash<QPair<QString, QString>, int> userSettings;
    // (audit identifier, group name) -> value.
    QHash<QPair<QString, QString>, int> groupSettings;
    // The audit identifiers read from the system, in a fixed order.
    const QStringList auditIDs;
};
