/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "eventtreeitem.h"

namespace
{
void registerMetaTypes()
{
    static const int id = qRegisterMetaType<EventTreeItem::NotificationState>("EventTreeItem::NotificationState");
    Q_UNUSED(id)
}
}

EventTreeItem::EventTreeItem(const QVector<QVariant> &data, EventTreeItem *parent)
    : TreeItem(data, parent)
{
    registerMetaTypes();
}

EventTreeItem *EventTreeItem::parentItem() const
{
    // The constructor only accepts an EventTreeItem as parent.
    return static_cast<EventTreeItem *>(TreeItem::parentItem());
}

EventTreeItem *EventTreeItem::findChildByNativeName(const QString &nativeName) const
{
    for (TreeItem *child : childItems) {
        auto item = static_cast<EventTreeItem *>(child);
        if (item->nativeName == nativeName) {
            return item;
        }
        if (EventTreeItem *found = item->findChildByNativeName(nativeName)) {
            return found;
        }
    }
    return nullptr;
}

EventTreeItem *EventTreeItem::findParentByNativeName(const QString &nativeName) const
{
    EventTreeItem *up = parentItem();
    if (!up) {
        return nullptr;
    }
    if (up->nativeName == nativeName) {
        return up;
    }
    return up->findChildByNativeName(nativeName);
}

EventTreeItem *EventTreeItem::findChildTopLevelByNativeName(const QString &nativeName) const
{
    for (TreeItem *child : childItems) {
        auto item = static_cast<EventTreeItem *>(child);
        if (item->nativeName == nativeName) {
            return item;
        }
    }
    return nullptr;
}

bool EventTreeItem::hasAuditRules() const
{
    return m_hasAuditRules;
}

void EventTreeItem::setHasAuditRules(bool hasRules)
{
    m_hasAuditRules = hasRules;
}

bool EventTreeItem::isNotificationOn() const
{
    return notificationState == NotificationOn || notificationState == NotificationOnConfigured;
}
