/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#pragma once

#include "parametertype.h"
#include "treeitem.h"

#include <QHash>
#include <QMetaType>
#include <QStringList>

#include <cstddef>
#include <vector>

// A node of the event tree: the root, a group, an event or one of an event's
// parameters. The parser sets the fields from the catalogue; the model, the
// module and the writers read and assign them directly. The children of an
// event tree node are event tree nodes.
class EventTreeItem : public TreeItem
{
public:
    // Stored and compared as integers.
    enum Kind {
        Group = 0,
        Event = 1,
        Value = 2, // a scalar parameter, or an object of further parameters
        Array = 3, // a JSON array of strings
        Compound = 4, // an array holding objects (file lists), or an audit table
    };

    enum NotificationState {
        NotificationOff = 0,
        NotificationOn = 1,
        NotificationOnConfigured = 2,
    };

    explicit EventTreeItem(const QVector<QVariant> &data, EventTreeItem *parent = nullptr);

    // Nodes come from a pool of their own: a tree of thousands of them is
    // built in one go, and nodes made one after the other then lie side by
    // side in memory, in the order every walk of the tree visits them.
    static void *operator new(std::size_t size);
    static void operator delete(void *node, std::size_t size) noexcept;

    EventTreeItem *parentItem() const;

    // A deep copy of this node and its subtree, without a parent, that the
    // caller owns: every field and column, with the dependency links between
    // nodes of the subtree pointing into the copy (links to nodes outside it
    // are left out). Texts and rows are shared until either side changes.
    EventTreeItem *clone() const;

    // Depth-first, pre-order over all descendants; the first match wins.
    EventTreeItem *findChildByNativeName(const QString &nativeName) const;
    // The parent when it has that native name, else the first match in the
    // parent's whole subtree (siblings, their descendants and this node).
    EventTreeItem *findParentByNativeName(const QString &nativeName) const;
    EventTreeItem *findChildTopLevelByNativeName(const QString &nativeName) const;

    bool hasAuditRules() const;
    void setHasAuditRules(bool hasRules);
    bool isNotificationOn() const;

private:
    EventTreeItem *cloneNode(EventTreeItem *parent, QHash<const EventTreeItem *, EventTreeItem *> &linked) const;
    void relink(EventTreeItem *copy, const QHash<const EventTreeItem *, EventTreeItem *> &linked) const;

public:
    // The fields are ordered so that a node takes two cache lines: a tree of
    // thousands of them is written in one go when the catalogue is read.
    int checkState = Qt::Unchecked;
    int kind = Event;
    NotificationState notificationState = NotificationOff;
    bool checkable = false;
    bool editable = false;
    bool childrenEditable = false;
    bool visible = true;
    bool overridden = false;
    bool notRedirected = false;
    bool generatesLoad = false;

private:
    bool m_hasAuditRules = false;

public:
    // What the value of a scalar parameter may be: from the dictionary, or
    // else from the value's JSON type.
    ParameterType::Kind valueType = ParameterType::Text;
    QStringList conflicts;
    QString nativeName;
    QString name;
    // Not owned.
    std::vector<EventTreeItem *> dependencies;
    std::vector<EventTreeItem *> dependents;
};

Q_DECLARE_METATYPE(EventTreeItem::NotificationState)
