/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#pragma once

#include <QString>
#include <QStringList>

class EventTreeItem;

namespace TreeDump
{
// Every node's column texts and flags, one line per node in pre-order,
// indented by two blanks per level: for comparing whole trees.
QString dump(const EventTreeItem *root);
// The node reached from `root` through direct children, by native name.
EventTreeItem *at(const EventTreeItem *root, const QStringList &nativeNames);
}
