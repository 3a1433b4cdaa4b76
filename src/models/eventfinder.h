/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#pragma once

#include <QWidget>

class CheckableTreeModel;
class EventsProxyModel;
class QModelIndex;
class QTreeView;

namespace Ui
{
class EventFinder;
}

// The search bar above the event tree: a text field that filters the tree as
// it is typed, buttons that step to the previous and next shown event, and a
// choice of what the text is compared with.
class EventFinder : public QWidget
{
    Q_OBJECT
public:
    EventFinder(QTreeView *view, CheckableTreeModel *model, EventsProxyModel *proxy, QWidget *parent = nullptr);
    ~EventFinder() override;

    void createSearchFilter();
    void searchEvent(const QString &text) const;
    void selectNextEvent() const;
    void selectPrevEvent() const;
    // Expands `parent`, selects the row of `index` and scrolls to it.
    void selectIndex(const QModelIndex &parent, const QModelIndex &index) const;

private:
    Ui::EventFinder *ui;
    QTreeView *m_view;
    CheckableTreeModel *m_model;
    EventsProxyModel *m_proxy;
};
