/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "treeitem.h"

#include <algorithm>

TreeItem::TreeItem(const QVector<QVariant> &data, TreeItem *parent)
    : itemData(data)
    , parent(parent)
{
}

TreeItem::~TreeItem()
{
    qDeleteAll(childItems);
}

TreeItem *TreeItem::child(int row) const
{
    if (row < 0 || row >= childItems.size()) {
        return nullptr;
    }
    return childItems.at(row);
}

int TreeItem::childCount() const
{
    return childItems.size();
}

int TreeItem::row() const
{
    if (!parent) {
        return 0;
    }
    return parent->childItems.indexOf(const_cast<TreeItem *>(this));
}

int TreeItem::columnCount() const
{
    return itemData.size();
}

QVariant TreeItem::data(int column) const
{
    if (column < 0 || column >= itemData.size()) {
        return QVariant();
    }
    return itemData.at(column);
}

void TreeItem::setData(const QVector<QVariant> &data)
{
    itemData = data;
}

bool TreeItem::setData(int column, const QVariant &value)
{
    if (column < 0 || column >= itemData.size()) {
        return false;
    }
    itemData[column] = value;
    return true;
}

TreeItem *TreeItem::parentItem() const
{
    return parent;
}

TreeItem *TreeItem::findChild(const QString &name, int column) const
{
    for (TreeItem *item : childItems) {
        if (item->data(column).toString() == name) {
            return item;
        }
        if (TreeItem *found = item->findChild(name, column)) {
            return found;
        }
    }
    return nullptr;
}

TreeItem *TreeItem::findChildWithoutTopLevel(const QString &name, int column) const
{
    for (TreeItem *item : childItems) {
        if (item->childCount() == 0) {
            continue;
        }
        if (TreeItem *found = item->findChild(name, column)) {
            return found;
        }
    }
    return nullptr;
}

TreeItem *TreeItem::findChildTopLevel(const QString &name) const
{
    for (TreeItem *item : childItems) {
        if (item->data(0).toString() == name) {
            return item;
        }
    }
    return nullptr;
}

void TreeItem::appendChild(TreeItem *child, bool prepend)
{
    if (!child) {
        return;
    }
    if (prepend) {
        childItems.prepend(child);
    } else {
        childItems.append(child);
    }
}

void TreeItem::reserveChildren(int count)
{
    childItems.reserve(count);
}

bool TreeItem::deleteChild(int row)
{
    if (row < 0 || row >= childItems.size()) {
        return false;
    }
    delete childItems.takeAt(row);
    return true;
}

// Option nodes made here carry the parenthesis marker in column 1, as the
// syslog-ng configuration parser sets it for "name(argument)" options.
void TreeItem::createDestChain(const QVariant &name)
{
    const QString paren = QStringLiteral("()");
    auto log = new TreeItem({QStringLiteral("log"), QVariant(), QVariant()}, this);
    log->appendChild(new TreeItem({QStringLiteral("source"), paren, QStringLiteral("tarn_events_src")}, log));
    log->appendChild(new TreeItem({QStringLiteral("destination"), paren, name.toString()}, log));
    appendChild(log);
}

// A log statement that sends to other destinations as well keeps them: only
// its references to `name` go. One that sends nowhere else goes whole.
bool TreeItem::deleteLogChild(const QString &name)
{
    auto refersTo = [&name](const TreeItem *option) {
        return option->data(0).toString() == QLatin1String("destination") && option->data(1).toString() != QLatin1String("{}")
            && option->data(2).toString().trimmed() == name;
    };
    auto isDestination = [](const TreeItem *option) {
        return option->data(0).toString() == QLatin1String("destination");
    };
    bool changed = false;
    for (int row = childItems.size() - 1; row >= 0; --row) {
        TreeItem *statement = childItems.at(row);
        if (statement->data(0).toString() != QLatin1String("log")) {
            continue;
        }
        const auto &options = statement->childItems;
        const auto hits = std::count_if(options.cbegin(), options.cend(), refersTo);
        if (hits == 0) {
            continue;
        }
        changed = true;
        if (hits == std::count_if(options.cbegin(), options.cend(), isDestination)) {
            deleteChild(row);
            continue;
        }
        for (int option = options.size() - 1; option >= 0; --option) {
            if (refersTo(options.at(option))) {
                statement->deleteChild(option);
            }
        }
    }
    return changed;
}

void TreeItem::appendChildDestination(TreeItem *node)
{
    if (!node) {
        return;
    }
    int at = -1;
    for (int row = childItems.size() - 1; row >= 0 && at < 0; --row) {
        if (childItems.at(row)->data(0).toString() == QLatin1String("destination")) {
            at = row + 1;
        }
    }
    for (int row = 0; row < childItems.size() && at < 0; ++row) {
        if (childItems.at(row)->data(0).toString() == QLatin1String("log")) {
            at = row;
        }
    }
    childItems.insert(at < 0 ? childItems.size() : at, node);
    createDestChain(node->data(1));
}
