/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#pragma once

#include <QString>
#include <QVariant>
#include <QVector>

// A node of every tree the module keeps in memory: an ordered row of column
// values and an ordered list of owned children. Event trees use the subclass
// EventTreeItem; the syslog-ng configuration trees use TreeItem directly.
//
// A node is created with its final parent and then appended to it by its
// creator; the constructor never links itself into the parent.
class TreeItem
{
public:
    explicit TreeItem(const QVector<QVariant> &data, TreeItem *parent = nullptr);
    virtual ~TreeItem();

    TreeItem *child(int row) const;
    int childCount() const;
    // 0 for a root; otherwise the index among the parent's children, or -1
    // when the node was never appended to its parent.
    int row() const;
    int columnCount() const;
    QVariant data(int column) const;
    // Replaces the whole row; the column count follows the new vector.
    void setData(const QVector<QVariant> &data);
    // Stores one value; never adds a column.
    bool setData(int column, const QVariant &value);
    TreeItem *parentItem() const;

    // Depth-first, pre-order search of all descendants (not this node) for a
    // node whose value in `column`, as text, equals `name`.
    TreeItem *findChild(const QString &name, int column) const;
    // As findChild(), but the direct children are not compared themselves.
    TreeItem *findChildWithoutTopLevel(const QString &name, int column) const;
    // The first direct child whose column 0, as text, equals `name`.
    TreeItem *findChildTopLevel(const QString &name) const;

    // Takes ownership; `child` must have been created with this node as parent.
    void appendChild(TreeItem *child, bool prepend = false);
    // Room for `count` children, for a creator that knows how many follow.
    void reserveChildren(int count);
    bool deleteChild(int row);

    // Operations of syslog-ng configuration trees, called on the root.
    // Appends a log statement that routes the event source to the
    // destination `name`.
    void createDestChain(const QVariant &name);
    // Removes every log statement that sends to the destination `name`;
    // one that also sends to other destinations only loses its references
    // to `name`. True when anything was removed.
    bool deleteLogChild(const QString &name);
    // Inserts the destination statement `node` (created with this root as
    // parent) after the last destination statement, and its log chain.
    void appendChildDestination(TreeItem *node);

protected:
    QVector<TreeItem *> childItems;
    QVector<QVariant> itemData;
    TreeItem *parent;

private:
    Q_DISABLE_COPY(TreeItem)
};
