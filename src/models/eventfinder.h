/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#pragma once

#include <QStringList>
#include <QVector>
#include <QWidget>

class CheckableTreeModel;
class QAction;
class EventsProxyModel;
class QModelIndex;
class QTreeView;

namespace Ui
{
class EventFinder;
}

// The search bar above the event tree: a text field that filters the tree as
// it is typed, buttons that step to the previous and next shown event, and a
// choice of what the text is compared with. Enter in the text field and F3
// step to the next shown event, Shift+F3 to the previous one. The expansion
// of the tree as it was before a search is restored when the text is cleared.
class EventFinder : public QWidget
{
    Q_OBJECT
public:
    EventFinder(QTreeView *view, CheckableTreeModel *model, EventsProxyModel *proxy, QWidget *parent = nullptr);
    ~EventFinder() override;

    void createSearchFilter();
    void searchEvent(const QString &text);
    void selectNextEvent() const;
    void selectPrevEvent() const;
    // Expands `parent`, selects the row of `index` and scrolls to it.
    void selectIndex(const QModelIndex &parent, const QModelIndex &index) const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // The expanded rows of the view, each as the native names from the top
    // level down: they outlive a reload of the tree.
    QVector<QStringList> expandedRows() const;
    void restoreExpansion(const QVector<QStringList> &rows) const;
    void setSteppingEnabled(bool enabled) const;

    Ui::EventFinder *ui;
    QTreeView *m_view;
    CheckableTreeModel *m_model;
    EventsProxyModel *m_proxy;
    QAction *m_nextAction;
    QAction *m_previousAction;
    // The expansion before the search; only while a search is shown.
    QVector<QStringList> m_expandedBeforeSearch;
    bool m_searching = false;
};
