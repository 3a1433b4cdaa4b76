/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#pragma once

#include "auditdialog.h"

#include <QHash>
#include <QObject>
#include <QPair>
#include <QStringList>

#include <expected>
#include <memory>

class AuditService;
class AuditSettings;
class EventTreeItem;
class QAbstractItemView;
class QModelIndex;

// The module's side of the audit settings: moves them between the event trees,
// the module's AuditSettings and the system.
//
// At the first load the settings are read from the system once
// (getAuditSettings) and written into both trees (synchronizeAuditSettings),
// so that loading makes no difference between them. After every edit the
// wanted state is recomputed from the working tree (checkAuditSettings), and
// on save it is sent to the helper (saveAuditSettings).
//
// Tree shape relied on, by native name: event -> "message-audit-events" ->
// audit-event node (its first child, named after the audit identifier) ->
// "other" -> "succ", "fail", and audit-event node -> "users", "groups", whose
// column 2 holds the table as JSON: name -> { "succ": "0"/"1", "fail":
// "0"/"1" }. An old-format event has a "message-audit-events" node without
// children whose column 1 is the audit identifier.
class AuditSettingsController : public QObject
{
    Q_OBJECT
public:
    // `service` is not owned.
    AuditSettingsController(AuditService *service, QObject *parent);
    ~AuditSettingsController() override;

    AuditSettings *settings() const;

    // The users and groups whose settings are read from the system and to
    // which old-format settings apply.
    QStringList users() const;
    QStringList groups() const;
    void setSubjects(const QStringList &users, const QStringList &groups);
    // Sets the subjects for a freshly loaded tree: the local users and groups
    // (`localUsers`, `localGroups`) followed by every further name of the
    // tree's audit tables, each name once.
    void updateSubjects(const QStringList &localUsers, const QStringList &localGroups, const EventTreeItem *root);

    // Reads the three tables from the system, replacing them as a whole.
    void getAuditSettings();
    // Writes what the system holds into the tree below `root`: the tables
    // read from it, with every value written since. A table that could not be
    // read leaves the tree as it is. Called for both trees after the first
    // load, and again after every later load, whose trees come from the
    // catalogue and the event settings file and not from the system.
    void synchronizeAuditSettings(EventTreeItem *root);
    // Writes what the system holds for `auditType` into the audit table
    // `table` of the "message-audit-events" node `auditEvents`.
    void setModelAuditSettings(EventTreeItem *auditEvents, EventTreeItem *table, int auditType);

    // Recomputes the wanted state from the tree below `root` (the working
    // tree): checked events switch their audit settings on, unchecked ones
    // make sure their keys are sent (with 0, unless a checked event wants
    // them on).
    void checkAuditSettings(const EventTreeItem *root);
    // The wanted state of a checked event's audit-event node.
    void setAuditSettings(const EventTreeItem *auditEvent);
    // Every key of an unchecked event's audit-event node with 0.
    void resetAuditSettings(const EventTreeItem *auditEvent);
    // An old-format event: `value` for the identifier in the "other" table and
    // for every user and group.
    void prepareAuditSettingsForOldConfigs(const QString &auditId, int value);

    // Sends the tables to the system, one after another, and stops at the
    // first that fails. True when the system's audit configuration changed,
    // which takes effect only after a reboot; false when the system already
    // held every value; the reason when a table could not be written (the
    // tables sent before it may have changed the system). A table whose every
    // value the system is known to hold (read, or written since) is not sent.
    // Of a table that could not be read only the entries changed since the
    // load are sent.
    std::expected<bool, QString> saveAuditSettings();

    // Whether each table was read from the system.
    bool usersRead() const;
    bool groupsRead() const;
    bool otherRead() const;

    // Opens `dialog` on the audit table whose value cell (column 1, in the
    // view's model) is `value`: titled with the table's name, showing the
    // table of column 2.
    static void editTable(AuditDialog *dialog, const QModelIndex &value, AuditDialog::DialogType type);
    // Writes what the audit dialog emitted (joined names, table JSON, type)
    // into columns 1 and 2 of the current row of `view`, through the view's
    // model. False, writing nothing, when the view has no selection.
    static bool acceptTable(QAbstractItemView *view, const QList<QVariant> &values);

private:
    using SubjectTable = QHash<QPair<QString, QString>, int>;

    AuditService *m_service;
    std::unique_ptr<AuditSettings> m_settings;
    QStringList m_users;
    QStringList m_groups;

    // What the tree asked for right after the first load, for the tables
    // that could not be read from the system.
    bool m_usersRead = false;
    bool m_groupsRead = false;
    bool m_otherRead = false;
    SubjectTable m_shownUsers;
    SubjectTable m_shownGroups;
    QHash<QString, int> m_shownOther;

    // What the system holds as far as the module knows: the tables as read,
    // with every value written since.
    SubjectTable m_systemUsers;
    SubjectTable m_systemGroups;
    QHash<QString, int> m_systemOther;
};
