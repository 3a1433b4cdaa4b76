/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "eventfinder.h"
#include "ui_eventfinder.h"

#include "checkabletreemodel.h"
#include "eventsproxymodel.h"

#include <KLocalizedString>

#include <QAction>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QTreeView>

namespace
{
// Stepping works wherever the search bar or the tree has the focus.
QAction *addStepAction(QWidget *finder, QTreeView *view, const QKeySequence &shortcut)
{
    auto action = new QAction(finder);
    action->setShortcut(shortcut);
    action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    action->setEnabled(false);
    finder->addAction(action);
    view->addAction(action);
    return action;
}

QString nativeName(const QModelIndex &index)
{
    return index.data(CheckableTreeModel::NativeNameRole).toString();
}
}

EventFinder::EventFinder(QTreeView *view, CheckableTreeModel *model, EventsProxyModel *proxy, QWidget *parent)
    : QWidget(parent)
    , ui(new Ui::EventFinder)
    , m_view(view)
    , m_model(model)
    , m_proxy(proxy)
    , m_nextAction(addStepAction(this, view, QKeySequence(Qt::Key_F3)))
    , m_previousAction(addStepAction(this, view, QKeySequence(int(Qt::SHIFT) | int(Qt::Key_F3))))
{
    ui->setupUi(this);

    ui->eventSearch->addAction(QIcon::fromTheme(QStringLiteral("edit-find")), QLineEdit::LeadingPosition);
    ui->eventSearch->setPlaceholderText(i18n("Search"));
    ui->eventSearch->setClearButtonEnabled(true);

    ui->searchPrev->setIcon(QIcon::fromTheme(QStringLiteral("previous")));
    ui->searchNext->setIcon(QIcon::fromTheme(QStringLiteral("next")));
    ui->searchPrev->setToolTip(i18n("Previous match (%1)", m_previousAction->shortcut().toString(QKeySequence::NativeText)));
    ui->searchNext->setToolTip(i18n("Next match (%1)", m_nextAction->shortcut().toString(QKeySequence::NativeText)));
    for (QToolButton *button : {ui->searchPrev, ui->searchNext}) {
        button->setAutoRaise(true);
    }
    setSteppingEnabled(false);
    connect(ui->searchPrev, &QToolButton::clicked, this, &EventFinder::selectPrevEvent);
    connect(ui->searchNext, &QToolButton::clicked, this, &EventFinder::selectNextEvent);
    connect(m_previousAction, &QAction::triggered, this, &EventFinder::selectPrevEvent);
    connect(m_nextAction, &QAction::triggered, this, &EventFinder::selectNextEvent);
    // Enter steps too; it must not reach a dialog's default button.
    ui->eventSearch->installEventFilter(this);

    createSearchFilter();
    connect(ui->eventSearch, &QLineEdit::textChanged, this, &EventFinder::searchEvent);
}

EventFinder::~EventFinder()
{
    delete ui;
}

void EventFinder::createSearchFilter()
{
    ui->searchFilter->setToolTip(i18n("Search filter"));
    ui->searchFilter->addItem(i18n("All"), static_cast<int>(EventsProxyModel::All));
    ui->searchFilter->addItem(i18n("Event ID"), static_cast<int>(EventsProxyModel::EventId));
    ui->searchFilter->addItem(i18n("Event name"), static_cast<int>(EventsProxyModel::EventName));
    ui->searchFilter->addItem(i18n("Group ID"), static_cast<int>(EventsProxyModel::GroupId));
    ui->searchFilter->addItem(i18n("Group name"), static_cast<int>(EventsProxyModel::GroupName));
    connect(ui->searchFilter, qOverload<int>(&QComboBox::currentIndexChanged), this, [this](int position) {
        const int mode = ui->searchFilter->itemData(position, Qt::UserRole).toInt();
        m_proxy->setFilterMode(static_cast<EventsProxyModel::FilterMode>(mode));
        // The shown events change: search them again.
        if (!ui->eventSearch->text().isEmpty()) {
            searchEvent(ui->eventSearch->text());
        }
    });
}

bool EventFinder::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == ui->eventSearch && event->type() == QEvent::KeyPress) {
        const auto key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            if (key->modifiers() & Qt::ShiftModifier) {
                selectPrevEvent();
            } else {
                selectNextEvent();
            }
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void EventFinder::setSteppingEnabled(bool enabled) const
{
    ui->searchPrev->setEnabled(enabled);
    ui->searchNext->setEnabled(enabled);
    m_previousAction->setEnabled(enabled);
    m_nextAction->setEnabled(enabled);
}

QVector<QStringList> EventFinder::expandedRows() const
{
    QVector<QStringList> rows;
    QVector<QPair<QModelIndex, QStringList>> pending{{QModelIndex(), QStringList()}};
    while (!pending.isEmpty()) {
        const auto [parent, path] = pending.takeLast();
        for (int row = m_proxy->rowCount(parent) - 1; row >= 0; --row) {
            const QModelIndex index = m_proxy->index(row, 0, parent);
            if (m_view->isExpanded(index)) {
                pending.append({index, path + QStringList{nativeName(index)}});
                rows.append(pending.last().second);
            }
        }
    }
    return rows;
}

void EventFinder::restoreExpansion(const QVector<QStringList> &rows) const
{
    m_view->collapseAll();
    for (const QStringList &path : rows) {
        QModelIndex index;
        for (const QString &name : path) {
            const QModelIndex parent = index;
            index = QModelIndex();
            for (int row = 0; row < m_proxy->rowCount(parent); ++row) {
                const QModelIndex child = m_proxy->index(row, 0, parent);
                if (nativeName(child) == name) {
                    index = child;
                    break;
                }
            }
            if (!index.isValid()) {
                break;
            }
        }
        if (index.isValid()) {
            m_view->expand(index);
        }
    }
}

void EventFinder::searchEvent(const QString &text)
{
    if (!text.isEmpty() && !m_searching) {
        m_expandedBeforeSearch = expandedRows();
        m_searching = true;
    }
    m_proxy->setFilterQuery(text);
    m_view->clearSelection();
    if (text.isEmpty() && m_searching) {
        restoreExpansion(m_expandedBeforeSearch);
        m_expandedBeforeSearch.clear();
        m_searching = false;
    }

    QPalette palette = ui->eventSearch->palette();
    palette.setColor(QPalette::All, QPalette::Text, palette.color(QPalette::WindowText));

    if (text.isEmpty()) {
        setSteppingEnabled(false);
    } else if (m_proxy->rowCount() == 0) {
        setSteppingEnabled(false);
        palette.setColor(QPalette::All, QPalette::Text, Qt::red);
    } else {
        const QModelIndex first = m_proxy->index(0, 0);
        selectIndex(first, m_proxy->index(0, 0, first));
        setSteppingEnabled(true);
    }
    ui->eventSearch->setPalette(palette);
}

void EventFinder::selectNextEvent() const
{
    const QModelIndexList selected = m_view->selectionModel()->selectedIndexes();
    if (selected.isEmpty()) {
        return;
    }
    const QModelIndex index = selected.first();
    const QModelIndex parent = index.parent();
    if (index.row() == m_proxy->rowCount(parent) - 1) {
        if (parent.row() == m_proxy->rowCount() - 1) {
            return;
        }
        const QModelIndex nextGroup = m_proxy->index(parent.row() + 1, 0);
        selectIndex(nextGroup, m_proxy->index(0, 0, nextGroup));
    } else {
        selectIndex(parent, m_proxy->index(index.row() + 1, 0, parent));
    }
}

void EventFinder::selectPrevEvent() const
{
    const QModelIndexList selected = m_view->selectionModel()->selectedIndexes();
    if (selected.isEmpty()) {
        return;
    }
    const QModelIndex index = selected.first();
    const QModelIndex parent = index.parent();
    if (index.row() == 0) {
        if (parent.row() == 0) {
            return;
        }
        const QModelIndex previousGroup = m_proxy->index(parent.row() - 1, 0);
        selectIndex(previousGroup, m_proxy->index(m_proxy->rowCount(previousGroup) - 1, 0, previousGroup));
    } else {
        selectIndex(parent, m_proxy->index(index.row() - 1, 0, parent));
    }
}

void EventFinder::selectIndex(const QModelIndex &parent, const QModelIndex &index) const
{
    m_view->expand(parent);
    QItemSelectionModel *selection = m_view->selectionModel();
    selection->select(index, QItemSelectionModel::ClearAndSelect);
    if (index.model()) {
        const QModelIndex value = index.siblingAtColumn(1);
        if (value.isValid()) {
            selection->select(value, QItemSelectionModel::Select | QItemSelectionModel::Rows);
        }
    }
    m_view->scrollTo(index, QAbstractItemView::EnsureVisible);
}
