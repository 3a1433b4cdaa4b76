/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "treeitem.h"

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

void TreeItem::createDestChain(const QVariant &name)
{
    Q_UNUSED(name)
}

bool TreeItem::deleteLogChild(const QString &name)
{
    Q_UNUSED(name)
    return false;
}

void TreeItem::appendChildDestination(TreeItem *node)
{
    delete node;
}
