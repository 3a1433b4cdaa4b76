/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "eventtreeitem.h"

#include <mutex>
#include <new>

// Two cache lines on the platforms the module is built for.
static_assert(sizeof(void *) != 8 || sizeof(EventTreeItem) <= 128, "a node should fit in two cache lines");

// Under AddressSanitizer every node takes the general heap: a block reused
// from the pool would hide a node used after it was deleted.
#if defined(__SANITIZE_ADDRESS__)
#define ADMINEVENTS_NODE_POOL 0
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ADMINEVENTS_NODE_POOL 0
#endif
#endif
#ifndef ADMINEVENTS_NODE_POOL
#define ADMINEVENTS_NODE_POOL 1
#endif

namespace
{
// Fixed-size blocks carved from large slabs, with a free list of returned
// blocks. Slabs are kept for the life of the process; a freed node's block
// is reused by the next node.
class NodePool
{
public:
    void *allocate()
    {
        std::lock_guard lock(m_mutex);
        if (m_free) {
            FreeBlock *block = m_free;
            m_free = block->next;
            return block;
        }
        if (m_cursor == m_end) {
            constexpr std::size_t SlabNodes = 512;
            // On a cache line boundary, so that each node covers as few
            // lines as its size allows.
            m_cursor = static_cast<std::byte *>(::operator new(SlabNodes *BlockSize, std::align_val_t(CacheLine)));
            m_end = m_cursor + SlabNodes * BlockSize;
        }
        void *block = m_cursor;
        m_cursor += BlockSize;
        return block;
    }

    void release(void *node)
    {
        std::lock_guard lock(m_mutex);
        auto *block = static_cast<FreeBlock *>(node);
        block->next = m_free;
        m_free = block;
    }

    static constexpr std::size_t CacheLine = 64;
    static constexpr std::size_t BlockSize = (sizeof(EventTreeItem) + alignof(std::max_align_t) - 1) / alignof(std::max_align_t) * alignof(std::max_align_t);

private:
    struct FreeBlock {
        FreeBlock *next;
    };
    std::mutex m_mutex;
    FreeBlock *m_free = nullptr;
    std::byte *m_cursor = nullptr;
    std::byte *m_end = nullptr;
};

NodePool &nodePool()
{
    // Never destroyed: nodes may outlive every other static.
    static auto *pool = new NodePool;
    return *pool;
}

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

void *EventTreeItem::operator new(std::size_t size)
{
    // A subclass of another size takes the general heap.
    return ADMINEVENTS_NODE_POOL && size == sizeof(EventTreeItem) ? nodePool().allocate() : ::operator new(size);
}

void EventTreeItem::operator delete(void *node, std::size_t size) noexcept
{
    if (!node) {
        return;
    }
    if (ADMINEVENTS_NODE_POOL && size == sizeof(EventTreeItem)) {
        nodePool().release(node);
    } else {
        ::operator delete(node);
    }
}

EventTreeItem *EventTreeItem::parentItem() const
{
    // The constructor only accepts an EventTreeItem as parent.
    return static_cast<EventTreeItem *>(TreeItem::parentItem());
}

EventTreeItem *EventTreeItem::clone() const
{
    QHash<const EventTreeItem *, EventTreeItem *> linked;
    EventTreeItem *copy = cloneNode(nullptr, linked);
    if (!linked.isEmpty()) {
        relink(copy, linked);
    }
    return copy;
}

EventTreeItem *EventTreeItem::cloneNode(EventTreeItem *parent, QHash<const EventTreeItem *, EventTreeItem *> &linked) const
{
    auto copy = new EventTreeItem(itemData, parent);
    copy->checkable = checkable;
    copy->checkState = checkState;
    copy->editable = editable;
    copy->childrenEditable = childrenEditable;
    copy->visible = visible;
    copy->overridden = overridden;
    copy->notRedirected = notRedirected;
    copy->generatesLoad = generatesLoad;
    copy->m_hasAuditRules = m_hasAuditRules;
    copy->notificationState = notificationState;
    copy->conflicts = conflicts;
    copy->kind = kind;
    copy->valueType = valueType;
    copy->nativeName = nativeName;
    copy->name = name;
    copy->childItems.reserve(childItems.size());
    for (const TreeItem *child : childItems) {
        copy->childItems.append(static_cast<const EventTreeItem *>(child)->cloneNode(copy, linked));
    }
    if (!dependencies.empty() || !dependents.empty()) {
        linked.insert(this, copy);
    }
    return copy;
}

void EventTreeItem::relink(EventTreeItem *copy, const QHash<const EventTreeItem *, EventTreeItem *> &linked) const
{
    const auto mapped = [&linked](const std::vector<EventTreeItem *> &from, std::vector<EventTreeItem *> &to) {
        for (const EventTreeItem *item : from) {
            if (EventTreeItem *target = linked.value(item)) {
                to.push_back(target);
            }
        }
    };
    mapped(dependencies, copy->dependencies);
    mapped(dependents, copy->dependents);
    for (int row = 0; row < childItems.size(); ++row) {
        static_cast<const EventTreeItem *>(childItems.at(row))->relink(static_cast<EventTreeItem *>(copy->childItems.at(row)), linked);
    }
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
