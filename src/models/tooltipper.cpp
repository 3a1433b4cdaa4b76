/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "tooltipper.h"

#include "eventtreeitem.h"

#include <KLocalizedString>

#include <QAbstractItemView>
#include <QAbstractProxyModel>
#include <QHelpEvent>
#include <QToolTip>

namespace
{
// Horizontal extents of the icons, from the left edge of the item's cell.
constexpr int FirstIconStart = 29;
constexpr int FirstIconEnd = 46;
constexpr int SecondIconEnd = 62;
}

ToolTipper::ToolTipper(QObject *parent)
    : QObject(parent)
{
}

QString ToolTipper::textAt(const EventTreeItem &item, int itemX, int mouseX, const QString &fallback)
{
    const bool overFirst = mouseX > itemX + FirstIconStart && mouseX <= itemX + FirstIconEnd;
    const bool overSecond = mouseX > itemX + FirstIconEnd && mouseX <= itemX + SecondIconEnd;
    const QString loadText = i18n("This event generates a large volume of records in the logs");
    const QString notificationText = i18n("Notifications are enabled for this event");

    if (item.generatesLoad && item.isNotificationOn()) {
        if (overFirst) {
            return loadText;
        }
        if (overSecond) {
            return notificationText;
        }
        return fallback;
    }
    if (item.generatesLoad) {
        return overFirst ? loadText : fallback;
    }
    if (item.isNotificationOn()) {
        return overFirst ? notificationText : fallback;
    }
    return fallback;
}

const EventTreeItem *ToolTipper::itemAt(const QModelIndex &index)
{
    QModelIndex source = index;
    while (const auto *proxy = qobject_cast<const QAbstractProxyModel *>(source.model())) {
        source = proxy->mapToSource(source);
    }
    return source.isValid() ? static_cast<const EventTreeItem *>(source.internalPointer()) : nullptr;
}

bool ToolTipper::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::ToolTip) {
        return false;
    }
    auto *viewport = qobject_cast<QWidget *>(watched);
    auto *view = viewport ? qobject_cast<QAbstractItemView *>(viewport->parentWidget()) : nullptr;
    if (!view) {
        return false;
    }
    const auto *help = static_cast<QHelpEvent *>(event);
    const QModelIndex index = view->indexAt(help->pos());
    if (!index.isValid()) {
        return false;
    }
    const QAbstractItemModel *model = view->model();
    const EventTreeItem *item = itemAt(index);
    if (!model || !item) {
        return false;
    }

    const QString text = model->data(index, Qt::ToolTipRole).toString();
    if (text.isEmpty()) {
        QToolTip::hideText();
        return true;
    }
    if (index.column() != 0) {
        return true;
    }
    const QRect rect = view->visualRect(index);
    QToolTip::showText(help->globalPos(), textAt(*item, rect.x(), help->pos().x(), text), viewport, rect);
    return true;
}
