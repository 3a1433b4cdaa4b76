/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#pragma once

#include <QObject>

class EventTreeItem;
class QModelIndex;

// Shows the tool tips of the event tree, where the text depends on which of
// the row's icons the mouse is over: an event that generates a large volume
// of records and notifies shows both icons side by side in one decoration.
// Installed on the viewport of the tree view.
class ToolTipper : public QObject
{
    Q_OBJECT
public:
    explicit ToolTipper(QObject *parent = nullptr);

    // The text for a mouse at `mouseX` over the row of `item` whose visual
    // rectangle starts at `itemX` (viewport coordinates); `fallback` outside
    // the icons.
    static QString textAt(const EventTreeItem &item, int itemX, int mouseX, const QString &fallback);

    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    static const EventTreeItem *itemAt(const QModelIndex &index);
};
