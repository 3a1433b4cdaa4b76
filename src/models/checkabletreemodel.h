/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#pragma once

#include <QAbstractItemModel>
#include <QIcon>
#include <QVector>

class EventConfigStorage;
class EventTreeItem;

// The item model of the event tree: shows, checks and edits a tree of
// EventTreeItem. Column 0 carries the check box of groups and events, column 1
// the parameter value (displayed, edited inline or, for switches, checked),
// column 2 the raw text of list parameters.
class CheckableTreeModel : public QAbstractItemModel
{
    Q_OBJECT
public:
    // Read-only roles the module's editing code asks. Booleans come back as an
    // integer 0 or 1.
    enum Roles {
        VisibleRole = Qt::UserRole + 1, // 257: the item's visible flag
        FileArrayRole, // 258: the value is a list of files
        ValueParameterRole, // 259: the item's kind is Value
        NativeNameRole, // 260: the item's native name
        DirectoriesRole, // 261: the parameter is "directories"
        DirectoryArrayRole, // 262: the value is a list of directories
        AuditRulesIndexRole, // 263: value cell of the owning event's "message-audit-rules"
        UsersRole, // 264: the parameter is "users"
        GroupsRole, // 265: the parameter is "groups"
        ParameterTypeRole, // 266: the ParameterType of the value, which decides its editor
    };
    Q_ENUM(Roles)

    explicit CheckableTreeModel(const EventConfigStorage &storage, QObject *parent = nullptr);
    ~CheckableTreeModel() override;

    // Replaces the tree (the model takes ownership) inside a model reset.
    void setRootItem(EventTreeItem *rootItem);
    EventTreeItem *rootItem() const;
    // The item behind an index of this model; the root item for any other.
    EventTreeItem *itemFromIndex(const QModelIndex &index) const;
    const EventConfigStorage &storage() const;

    QModelIndex index(int row, int column, const QModelIndex &parent = QModelIndex()) const override;
    QModelIndex parent(const QModelIndex &index) const override;
    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;

    // Nearest proper ancestor with that native name; invalid when none.
    QModelIndex findParentByNativeName(const QModelIndex &index, const QString &name) const;
    // Nearest proper ancestor that is an event; invalid when none.
    QModelIndex findParentEvent(const QModelIndex &index) const;
    // Depth-first, pre-order search below a valid `parent` (column 0 indexes).
    QModelIndex findChildByNativeName(const QModelIndex &parent, const QString &name) const;

    QVariant getAuditRules(const QModelIndex &index, const EventTreeItem *item) const;
    QVariant isFileArray(const QModelIndex &index, const EventTreeItem *item) const;
    QVariant isDirectoryArray(const QModelIndex &index, const EventTreeItem *item) const;
    bool isAuditItem(const QString &name) const;

    // Check propagation steps of a click.
    void setGroupChecked(EventTreeItem *item, bool checked) const;
    void setGroupEventsChecked(EventTreeItem *item, bool checked) const;
    void checkEnabled(EventTreeItem *item) const;

    // Turns the comma-separated path list `value` into audit watch rules of
    // the event that owns `index` and stores them in that cell.
    bool setAuditFileRules(const QModelIndex &index, const QVariant &value);

Q_SIGNALS:
    // Emitted instead of dataChanged() when an item's notification state is set.
    void notificationChanged(const QModelIndex &topLeft, const QModelIndex &bottomRight, const QVector<int> &roles);

private:
    const EventTreeItem *switchSource(const EventTreeItem *item) const;
    bool isSwitch(const EventTreeItem *item) const;
    // A scalar parameter of the switch type, shown as "On" or "Off".
    bool isSwitchValue(const EventTreeItem *item) const;
    void toggleCheckState(EventTreeItem *item) const;

    EventTreeItem *m_rootItem = nullptr;
    QIcon m_notificationIcon;
    const EventConfigStorage &m_storage;
    // The texts of a switch's value cell, translated once: the view and the
    // comparison of the two trees ask for them for every switch.
    const QString m_onText;
    const QString m_offText;
};

// Both theme icons side by side, twice as wide as high, at every size the left
// icon comes in. Empty when the left icon has no sizes.
QIcon createComposedIcon(const QString &leftIconName, const QString &rightIconName);
