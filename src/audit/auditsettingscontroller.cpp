/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "auditsettingscontroller.h"

#include "auditservice.h"
#include "auditsettings.h"
#include "eventtreeitem.h"

#include <QAbstractItemView>
#include <QItemSelectionModel>
#include <QJsonDocument>
#include <QJsonObject>
#include <QModelIndex>

namespace
{
const QString AuditEventsName = QStringLiteral("message-audit-events");
const QString OtherName = QStringLiteral("other");
const QString SuccName = QStringLiteral("succ");
const QString FailName = QStringLiteral("fail");
const QString UsersName = QStringLiteral("users");
const QString GroupsName = QStringLiteral("groups");
const QString OverlayPrefix = QStringLiteral("overlay");
const QString On = QStringLiteral("1");
const QString Off = QStringLiteral("0");

EventTreeItem *childAt(const EventTreeItem *item, int row)
{
    return static_cast<EventTreeItem *>(item->child(row));
}

// The audit-event node of an event's "message-audit-events" node: its first
// child, or null for an old-format event.
EventTreeItem *auditEventOf(const EventTreeItem *auditEvents)
{
    return auditEvents && auditEvents->childCount() > 0 ? childAt(auditEvents, 0) : nullptr;
}

// An audit table's column 2; anything but a JSON object reads as empty.
QJsonObject tableOf(const EventTreeItem *table)
{
    return QJsonDocument::fromJson(table->data(2).toString().toUtf8()).object();
}

// The names of an audit table, without the override markers.
QStringList namesOf(const QJsonObject &table)
{
    QStringList names;
    for (auto it = table.constBegin(); it != table.constEnd(); ++it) {
        if (!it.key().startsWith(OverlayPrefix)) {
            names.append(it.key());
        }
    }
    return names;
}

int flagsOf(const QJsonObject &entry)
{
    int value = AuditSettings::NoAudit;
    if (entry.value(SuccName).toVariant().toString().toInt() != 0) {
        value |= AuditSettings::SuccessAudit;
    }
    if (entry.value(FailName).toVariant().toString().toInt() != 0) {
        value |= AuditSettings::FailureAudit;
    }
    return value;
}

// Sets an "other" switch from one bit of `value`: the text "1" and checked,
// or "0" and unchecked.
void setSwitch(EventTreeItem *other, const QString &name, int value, int bit)
{
    EventTreeItem *item = other->findChildByNativeName(name);
    if (!item) {
        return;
    }
    const bool on = (value & bit) != 0;
    item->setData(1, on ? On : Off);
    item->checkState = on ? Qt::Checked : Qt::Unchecked;
}

bool isAuditTable(const EventTreeItem *item)
{
    if (item->nativeName != UsersName && item->nativeName != GroupsName) {
        return false;
    }
    const EventTreeItem *auditEvent = item->parentItem();
    const EventTreeItem *auditEvents = auditEvent ? auditEvent->parentItem() : nullptr;
    return auditEvents && auditEvents->nativeName == AuditEventsName;
}

void collectTableNames(const EventTreeItem *item, QStringList &users, QStringList &groups)
{
    for (int row = 0; row < item->childCount(); ++row) {
        const EventTreeItem *child = childAt(item, row);
        if (isAuditTable(child)) {
            QStringList &names = child->nativeName == UsersName ? users : groups;
            for (const QString &name : namesOf(tableOf(child))) {
                if (!names.contains(name)) {
                    names.append(name);
                }
            }
        }
        collectTableNames(child, users, groups);
    }
}

QStringList withoutDuplicates(const QStringList &names)
{
    QStringList unique;
    for (const QString &name : names) {
        if (!unique.contains(name)) {
            unique.append(name);
        }
    }
    return unique;
}

// The entries of `wanted` that differ from `shown`, a key missing from
// `shown` counting as 0.
template<typename Key>
QHash<Key, int> changedEntries(const QHash<Key, int> &wanted, const QHash<Key, int> &shown)
{
    QHash<Key, int> changed;
    for (auto it = wanted.cbegin(); it != wanted.cend(); ++it) {
        if (it.value() != shown.value(it.key(), 0)) {
            changed.insert(it.key(), it.value());
        }
    }
    return changed;
}

// Whether `system` holds every entry of `sent`; a key it does not know is
// not taken to hold anything.
template<typename Key>
bool holdsAll(const QHash<Key, int> &system, const QHash<Key, int> &sent)
{
    for (auto it = sent.cbegin(); it != sent.cend(); ++it) {
        const auto known = system.constFind(it.key());
        if (known == system.cend() || known.value() != it.value()) {
            return false;
        }
    }
    return true;
}

template<typename Key>
void remember(QHash<Key, int> &system, const QHash<Key, int> &written)
{
    for (auto it = written.cbegin(); it != written.cend(); ++it) {
        system.insert(it.key(), it.value());
    }
}
}

AuditSettingsController::AuditSettingsController(AuditService *service, QObject *parent)
    : QObject(parent)
    , m_service(service)
    , m_settings(std::make_unique<AuditSettings>())
{
}

AuditSettingsController::~AuditSettingsController() = default;

AuditSettings *AuditSettingsController::settings() const
{
    return m_settings.get();
}

QStringList AuditSettingsController::users() const
{
    return m_users;
}

QStringList AuditSettingsController::groups() const
{
    return m_groups;
}

void AuditSettingsController::setSubjects(const QStringList &users, const QStringList &groups)
{
    m_users = withoutDuplicates(users);
    m_groups = withoutDuplicates(groups);
}

void AuditSettingsController::updateSubjects(const QStringList &localUsers, const QStringList &localGroups, const EventTreeItem *root)
{
    QStringList users = withoutDuplicates(localUsers);
    QStringList groups = withoutDuplicates(localGroups);
    if (root) {
        collectTableNames(root, users, groups);
    }
    m_users = users;
    m_groups = groups;
}

void AuditSettingsController::getAuditSettings()
{
    const QStringList &ids = m_settings->auditIDs;
    m_settings->userSettings = m_service->getAuditSettings(AuditSettings::UserType, ids, m_users);
    m_usersRead = m_service->errorString().isEmpty();
    m_settings->groupSettings = m_service->getAuditSettings(AuditSettings::GroupType, ids, m_groups);
    m_groupsRead = m_service->errorString().isEmpty();
    m_settings->otherSettings = m_service->getOtherAuditSettings(ids);
    m_otherRead = m_service->errorString().isEmpty();
    m_systemUsers = m_settings->userSettings;
    m_systemGroups = m_settings->groupSettings;
    m_systemOther = m_settings->otherSettings;
}

void AuditSettingsController::synchronizeAuditSettings(EventTreeItem *root)
{
    if (root) {
        for (int groupRow = 0; groupRow < root->childCount(); ++groupRow) {
            const EventTreeItem *group = childAt(root, groupRow);
            for (int row = 0; row < group->childCount(); ++row) {
                const EventTreeItem *event = childAt(group, row);
                EventTreeItem *auditEvents = event->findChildByNativeName(AuditEventsName);
                const EventTreeItem *auditEvent = auditEventOf(auditEvents);
                if (!auditEvent) {
                    continue;
                }
                // A table that could not be read is not written: the tree
                // keeps what the catalogue says rather than a made-up 0.
                EventTreeItem *other = m_otherRead ? auditEvent->findChildByNativeName(OtherName) : nullptr;
                if (other) {
                    // A missing identifier is entered with 0.
                    const int value = m_systemOther.value(auditEvent->nativeName, AuditSettings::NoAudit);
                    if (!m_settings->otherSettings.contains(auditEvent->nativeName)) {
                        m_settings->otherSettings.insert(auditEvent->nativeName, value);
                    }
                    setSwitch(other, FailName, value, AuditSettings::FailureAudit);
                    setSwitch(other, SuccName, value, AuditSettings::SuccessAudit);
                }
                EventTreeItem *groups = m_groupsRead ? auditEvent->findChildByNativeName(GroupsName) : nullptr;
                if (groups) {
                    setModelAuditSettings(auditEvents, groups, AuditSettings::GroupType);
                }
                EventTreeItem *users = m_usersRead ? auditEvent->findChildByNativeName(UsersName) : nullptr;
                if (users) {
                    setModelAuditSettings(auditEvents, users, AuditSettings::UserType);
                }
            }
        }
    }
    // What the tree now asks for; see saveAuditSettings(). Until the first
    // edit the tables keep what was read.
    const SubjectTable readUsers = m_settings->userSettings;
    const SubjectTable readGroups = m_settings->groupSettings;
    const QHash<QString, int> readOther = m_settings->otherSettings;
    checkAuditSettings(root);
    m_shownUsers = m_settings->userSettings;
    m_shownGroups = m_settings->groupSettings;
    m_shownOther = m_settings->otherSettings;
    m_settings->userSettings = readUsers;
    m_settings->groupSettings = readGroups;
    m_settings->otherSettings = readOther;
}

void AuditSettingsController::setModelAuditSettings(EventTreeItem *auditEvents, EventTreeItem *table, int auditType)
{
    const EventTreeItem *auditEvent = auditEventOf(auditEvents);
    if (!auditEvent || !table) {
        return;
    }
    const QString &auditId = auditEvent->nativeName;
    const bool groups = auditType == AuditSettings::GroupType;
    const SubjectTable &system = groups ? m_systemGroups : m_systemUsers;
    SubjectTable &settings = groups ? m_settings->groupSettings : m_settings->userSettings;

    QJsonObject object = tableOf(table);
    for (const QString &name : namesOf(object)) {
        const QPair<QString, QString> key = qMakePair(auditId, name);
        const int value = system.value(key, AuditSettings::NoAudit);
        // A missing name is entered with 0.
        if (!settings.contains(key)) {
            settings.insert(key, value);
        }
        QJsonObject entry = object.value(name).toObject();
        entry.insert(SuccName, (value & AuditSettings::SuccessAudit) ? On : Off);
        entry.insert(FailName, (value & AuditSettings::FailureAudit) ? On : Off);
        object.insert(name, entry);
    }
    table->setData(2, QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact)));
}

void AuditSettingsController::checkAuditSettings(const EventTreeItem *root)
{
    m_settings->clearAuditSettings();
    if (!root) {
        return;
    }
    for (int groupRow = 0; groupRow < root->childCount(); ++groupRow) {
        const EventTreeItem *group = childAt(root, groupRow);
        for (int row = 0; row < group->childCount(); ++row) {
            const EventTreeItem *event = childAt(group, row);
            const EventTreeItem *auditEvents = event->findChildByNativeName(AuditEventsName);
            if (!auditEvents) {
                continue;
            }
            // As the model reports it: only a checkable, fully checked event
            // counts as checked.
            const bool checked = event->checkable && event->checkState == Qt::Checked;
            if (const EventTreeItem *auditEvent = auditEventOf(auditEvents)) {
                if (checked) {
                    setAuditSettings(auditEvent);
                } else {
                    resetAuditSettings(auditEvent);
                }
            } else {
                prepareAuditSettingsForOldConfigs(auditEvents->data(1).toString(), checked ? AuditSettings::FullAudit : AuditSettings::NoAudit);
            }
        }
    }
}

void AuditSettingsController::setAuditSettings(const EventTreeItem *auditEvent)
{
    if (!auditEvent) {
        return;
    }
    const QString &auditId = auditEvent->nativeName;
    if (const EventTreeItem *other = auditEvent->findChildByNativeName(OtherName)) {
        const EventTreeItem *succ = other->findChildByNativeName(SuccName);
        const EventTreeItem *fail = other->findChildByNativeName(FailName);
        int value = AuditSettings::NoAudit;
        if (succ && succ->data(1).toInt() == 1) {
            value |= AuditSettings::SuccessAudit;
        }
        if (fail && fail->data(1).toInt() == 1) {
            value |= AuditSettings::FailureAudit;
        }
        m_settings->prepareOtherAuditSettings(auditId, value);
    }
    for (const auto &[tableName, auditType] : {std::pair{GroupsName, AuditSettings::GroupType}, std::pair{UsersName, AuditSettings::UserType}}) {
        const EventTreeItem *table = auditEvent->findChildByNativeName(tableName);
        if (!table) {
            continue;
        }
        const QJsonObject object = tableOf(table);
        for (const QString &name : namesOf(object)) {
            m_settings->prepareAuditSettings(auditId, auditType, name, flagsOf(object.value(name).toObject()));
        }
    }
}

void AuditSettingsController::resetAuditSettings(const EventTreeItem *auditEvent)
{
    if (!auditEvent) {
        return;
    }
    const QString &auditId = auditEvent->nativeName;
    m_settings->prepareOtherAuditSettings(auditId, AuditSettings::NoAudit);
    for (const auto &[tableName, auditType] : {std::pair{GroupsName, AuditSettings::GroupType}, std::pair{UsersName, AuditSettings::UserType}}) {
        const EventTreeItem *table = auditEvent->findChildByNativeName(tableName);
        if (!table) {
            continue;
        }
        for (const QString &name : namesOf(tableOf(table))) {
            m_settings->prepareAuditSettings(auditId, auditType, name, AuditSettings::NoAudit);
        }
    }
}

void AuditSettingsController::prepareAuditSettingsForOldConfigs(const QString &auditId, int value)
{
    // An old-format event without an identifier names nothing to audit.
    if (auditId.isEmpty()) {
        return;
    }
    m_settings->prepareOtherAuditSettings(auditId, value);
    for (const QString &user : std::as_const(m_users)) {
        m_settings->prepareAuditSettings(auditId, AuditSettings::UserType, user, value);
    }
    for (const QString &group : std::as_const(m_groups)) {
        m_settings->prepareAuditSettings(auditId, AuditSettings::GroupType, group, value);
    }
}

std::expected<bool, QString> AuditSettingsController::saveAuditSettings()
{
    // Of a table that could not be read, the tree showed the catalogue and
    // not the system: send only what the administrator changed since, so
    // that a failed read cannot overwrite the system's audit configuration.
    const SubjectTable groups = m_groupsRead ? m_settings->groupSettings : changedEntries(m_settings->groupSettings, m_shownGroups);
    const SubjectTable users = m_usersRead ? m_settings->userSettings : changedEntries(m_settings->userSettings, m_shownUsers);
    const QHash<QString, int> other = m_otherRead ? m_settings->otherSettings : changedEntries(m_settings->otherSettings, m_shownOther);

    // A table that the system already holds, as far as it was read and
    // written since, is not sent: the administrator is asked for nothing
    // and no reboot is due. Every other table goes to the helper, which
    // finds out itself whether anything differs.
    bool changed = false;
    const auto send = [&changed](auto &system, const auto &table, auto write) -> std::expected<void, QString> {
        if (holdsAll(system, table)) {
            return {};
        }
        const std::expected<bool, QString> written = write(table);
        if (!written) {
            return std::unexpected(written.error());
        }
        changed = *written || changed;
        remember(system, table);
        return {};
    };
    const auto writeGroups = [this](const SubjectTable &table) {
        return m_service->setAuditSettings(table, AuditSettings::GroupType);
    };
    const auto writeUsers = [this](const SubjectTable &table) {
        return m_service->setAuditSettings(table, AuditSettings::UserType);
    };
    const auto writeOther = [this](const QHash<QString, int> &table) {
        return m_service->setOtherAuditSettings(table);
    };
    std::expected<void, QString> sent;
    if (!(sent = send(m_systemGroups, groups, writeGroups)) || !(sent = send(m_systemUsers, users, writeUsers))
        || !(sent = send(m_systemOther, other, writeOther))) {
        return std::unexpected(sent.error());
    }
    return changed;
}

bool AuditSettingsController::usersRead() const
{
    return m_usersRead;
}

bool AuditSettingsController::groupsRead() const
{
    return m_groupsRead;
}

bool AuditSettingsController::otherRead() const
{
    return m_otherRead;
}

void AuditSettingsController::editTable(AuditDialog *dialog, const QModelIndex &value, AuditDialog::DialogType type)
{
    if (!dialog || !value.isValid()) {
        return;
    }
    dialog->setWindowTitle(value.siblingAtColumn(0).data(Qt::DisplayRole).toString());
    dialog->setTableData(value.siblingAtColumn(2).data(Qt::DisplayRole).toString());
    dialog->setDialogType(type);
    dialog->show();
}

bool AuditSettingsController::acceptTable(QAbstractItemView *view, const QList<QVariant> &values)
{
    if (!view || !view->model() || !view->selectionModel() || !view->selectionModel()->hasSelection()) {
        return false;
    }
    const QModelIndex current = view->currentIndex();
    if (!current.isValid()) {
        return false;
    }
    QAbstractItemModel *model = view->model();
    model->setData(current.siblingAtColumn(1), values.value(0), Qt::EditRole);
    model->setData(current.siblingAtColumn(2), values.value(1), Qt::EditRole);
    return true;
}
