/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "cataloguecheck.h"

#include "eventtreeitem.h"
#include "fuzztarget.h"

#include <QHash>

#include <algorithm>
#include <memory>

namespace
{
bool contains(const std::vector<EventTreeItem *> &links, const EventTreeItem *node)
{
    return std::find(links.begin(), links.end(), node) != links.end();
}

const EventTreeItem *childAt(const EventTreeItem &node, int row)
{
    return static_cast<const EventTreeItem *>(node.child(row));
}

// Pairs every node of `original` with the node at the same place in `copy`,
// which must have the same shape.
void pairUp(const EventTreeItem &original, const EventTreeItem &copy, QHash<const EventTreeItem *, const EventTreeItem *> &pairs)
{
    FUZZ_CHECK(original.childCount() == copy.childCount());
    pairs.insert(&original, &copy);
    for (int row = 0; row < original.childCount(); ++row) {
        pairUp(*childAt(original, row), *childAt(copy, row), pairs);
    }
}

// The links of a copy point where those of the original do, in the copy.
bool sameLinks(const std::vector<EventTreeItem *> &original,
               const std::vector<EventTreeItem *> &copy,
               const QHash<const EventTreeItem *, const EventTreeItem *> &pairs)
{
    if (original.size() != copy.size()) {
        return false;
    }
    for (size_t i = 0; i < original.size(); ++i) {
        if (pairs.value(original[i]) != copy[i]) {
            return false;
        }
    }
    return true;
}

void compare(const EventTreeItem &original, const EventTreeItem &copy, const QHash<const EventTreeItem *, const EventTreeItem *> &pairs)
{
    FUZZ_CHECK(original.columnCount() == copy.columnCount());
    for (int column = 0; column < original.columnCount(); ++column) {
        FUZZ_CHECK(original.data(column) == copy.data(column));
    }
    FUZZ_CHECK(original.checkState == copy.checkState && original.kind == copy.kind && original.notificationState == copy.notificationState);
    FUZZ_CHECK(original.checkable == copy.checkable && original.editable == copy.editable && original.childrenEditable == copy.childrenEditable);
    FUZZ_CHECK(original.visible == copy.visible && original.overridden == copy.overridden && original.notRedirected == copy.notRedirected);
    FUZZ_CHECK(original.generatesLoad == copy.generatesLoad && original.hasAuditRules() == copy.hasAuditRules());
    FUZZ_CHECK(original.valueType == copy.valueType && original.conflicts == copy.conflicts);
    FUZZ_CHECK(original.nativeName == copy.nativeName && original.name == copy.name);
    FUZZ_CHECK(sameLinks(original.dependencies, copy.dependencies, pairs));
    FUZZ_CHECK(sameLinks(original.dependents, copy.dependents, pairs));
    for (int row = 0; row < original.childCount(); ++row) {
        compare(*childAt(original, row), *childAt(copy, row), pairs);
    }
}
}

namespace CatalogueCheck
{
void checkLinks(const EventTreeItem &node)
{
    for (int row = 0; row < node.childCount(); ++row) {
        const EventTreeItem *child = childAt(node, row);
        FUZZ_CHECK(child);
        FUZZ_CHECK(child->parentItem() == &node);
        FUZZ_CHECK(child->row() == row);
        checkLinks(*child);
    }
    for (const EventTreeItem *dependency : node.dependencies) {
        FUZZ_CHECK(dependency && dependency != &node && contains(dependency->dependents, &node));
    }
    for (const EventTreeItem *dependent : node.dependents) {
        FUZZ_CHECK(dependent && dependent != &node && contains(dependent->dependencies, &node));
    }
}

void checkTree(const EventTreeItem &root)
{
    checkLinks(root);
    const std::unique_ptr<EventTreeItem> copy(root.clone());
    FUZZ_CHECK(copy && !copy->parentItem());
    QHash<const EventTreeItem *, const EventTreeItem *> pairs;
    pairUp(root, *copy, pairs);
    compare(root, *copy, pairs);
}
}
