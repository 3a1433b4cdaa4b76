/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#pragma once

#include "treeitem.h"

#include <QMetaType>
#include <QStringList>

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

    EventTreeItem *parentItem() const;

    // Depth-first, pre-order over all descendants; the first match wins.
    EventTreeItem *findChildByNativeName(const QString &nativeName) const;
    // The parent when it has that native name, else the first match in the
    // parent's whole subtree (siblings, their descendants and this node).
    EventTreeItem *findParentByNativeName(const QString &nativeName) const;
    EventTreeItem *findChildTopLevelByNativeName(const QString &nativeName) const;

    bool hasAuditRules() const;
    void setHasAuditRules(bool hasRules);
    bool isNotificationOn() const;

    bool checkable = false;
    int checkState = Qt::Unchecked;
    bool editable = false;
    bool childrenEditable = false;
    bool visible = true;
    bool overridden = false;
    bool notRedirected = false;
    bool generatesLoad = false;

private:
    bool m_hasAuditRules = false;

public:
    NotificationState notificationState = NotificationOff;
    QStringList conflicts;
    int kind = Event;
    QString nativeName;
    QString name;
    // Not owned.
    std::vector<EventTreeItem *> dependencies;
    std::vector<EventTreeItem *> dependents;
};

Q_DECLARE_METATYPE(EventTreeItem::NotificationState)
