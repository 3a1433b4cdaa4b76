/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "eventfinder.h"
#include "ui_eventfinder.h"

#include "eventsproxymodel.h"

#include <KLocalizedString>

#include <QAction>
#include <QItemSelectionModel>
#include <QTreeView>

EventFinder::EventFinder(QTreeView *view, CheckableTreeModel *model, EventsProxyModel *proxy, QWidget *parent)
    : QWidget(parent)
    , ui(new Ui::EventFinder)
    , m_view(view)
    , m_model(model)
    , m_proxy(proxy)
{
    ui->setupUi(this);

    ui->eventSearch->addAction(QIcon::fromTheme(QStringLiteral("edit-find")), QLineEdit::LeadingPosition);
    ui->eventSearch->setPlaceholderText(i18n("Search"));
    ui->eventSearch->setClearButtonEnabled(true);

    ui->searchPrev->setIcon(QIcon::fromTheme(QStringLiteral("previous")));
    ui->searchNext->setIcon(QIcon::fromTheme(QStringLiteral("next")));
    for (QToolButton *button : {ui->searchPrev, ui->searchNext}) {
        button->setAutoRaise(true);
        button->setEnabled(false);
    }
    connect(ui->searchPrev, &QToolButton::clicked, this, &EventFinder::selectPrevEvent);
    connect(ui->searchNext, &QToolButton::clicked, this, &EventFinder::selectNextEvent);

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
    });
}

void EventFinder::searchEvent(const QString &text) const
{
    m_proxy->setFilterQuery(text);
    m_view->clearSelection();

    QPalette palette = ui->eventSearch->palette();
    palette.setColor(QPalette::All, QPalette::Text, palette.color(QPalette::WindowText));

    if (text.isEmpty()) {
        ui->searchPrev->setEnabled(false);
        ui->searchNext->setEnabled(false);
    } else if (m_proxy->rowCount() == 0) {
        ui->searchPrev->setEnabled(false);
        ui->searchNext->setEnabled(false);
        palette.setColor(QPalette::All, QPalette::Text, Qt::red);
    } else {
        const QModelIndex first = m_proxy->index(0, 0);
        selectIndex(first, m_proxy->index(0, 0, first));
        ui->searchPrev->setEnabled(true);
        ui->searchNext->setEnabled(true);
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
