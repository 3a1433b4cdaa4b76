/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "eventsproxymodel.h"

#include "eventtreeitem.h"
#include "fuzzy_comparable_char_traits.h"

namespace
{
using Core::Strings::FuzzyCompare::FuzzyStringView;

// The UTF-16 text up to its first NUL character.
FuzzyStringView toView(const QString &text)
{
    const auto *units = reinterpret_cast<const char16_t *>(text.utf16());
    FuzzyStringView view(units, static_cast<std::size_t>(text.size()));
    const auto nul = view.find(u'\0');
    return nul == FuzzyStringView::npos ? view : view.substr(0, nul);
}

const EventTreeItem *itemAt(const QModelIndex &index)
{
    return static_cast<const EventTreeItem *>(index.internalPointer());
}
}

EventsProxyModel::EventsProxyModel(QObject *parent)
    : QSortFilterProxyModel(parent)
{
}

EventsProxyModel::~EventsProxyModel() = default;

void EventsProxyModel::setFilterQuery(const QString &query)
{
    m_filterQuery = query;
    invalidateFilter();
}

QString EventsProxyModel::filterQuery() const
{
    return m_filterQuery;
}

void EventsProxyModel::setFilterMode(EventsProxyModel::FilterMode mode)
{
    m_filterMode = mode;
    invalidateFilter();
}

EventsProxyModel::FilterMode EventsProxyModel::filterMode() const
{
    return static_cast<FilterMode>(m_filterMode);
}

bool EventsProxyModel::matchFilter(const QString &text) const
{
    const FuzzyStringView query = toView(m_filterQuery);
    if (query.empty()) {
        return true;
    }
    return toView(text).find(query, 0) != FuzzyStringView::npos;
}

bool EventsProxyModel::filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const
{
    const QAbstractItemModel *source = sourceModel();
    if (!source) {
        return false;
    }
    const QModelIndex index = source->index(sourceRow, 0, sourceParent);
    const EventTreeItem *item = itemAt(index);
    if (!item) {
        return false;
    }

    switch (item->kind) {
    case EventTreeItem::Event: {
        const EventTreeItem *group = item->parentItem();
        const auto groupMatches = [this, group](bool byName) {
            return group && matchFilter(byName ? group->name : group->nativeName);
        };
        switch (m_filterMode) {
        case All:
            return matchFilter(item->nativeName) || matchFilter(item->name) || groupMatches(false) || groupMatches(true);
        case EventName:
            return matchFilter(item->name);
        case EventId:
            return matchFilter(item->nativeName);
        case GroupName:
            return groupMatches(true);
        case GroupId:
            return groupMatches(false);
        default:
            return false;
        }
    }
    case EventTreeItem::Group: {
        switch (m_filterMode) {
        case All:
            if (matchFilter(item->name) || matchFilter(item->nativeName)) {
                return true;
            }
            break;
        case GroupName:
            if (matchFilter(item->name)) {
                return true;
            }
            break;
        case GroupId:
            if (matchFilter(item->nativeName)) {
                return true;
            }
            break;
        default:
            break;
        }
        if (m_filterMode == GroupName || m_filterMode == GroupId) {
            return false;
        }
        for (int row = 0; row < item->childCount(); ++row) {
            const auto *child = static_cast<const EventTreeItem *>(item->child(row));
            if (!child || child->kind != EventTreeItem::Event) {
                continue;
            }
            switch (m_filterMode) {
            case All:
                if (matchFilter(child->nativeName) || matchFilter(child->name)) {
                    return true;
                }
                break;
            case EventId:
                if (matchFilter(child->nativeName)) {
                    return true;
                }
                break;
            case EventName:
                if (matchFilter(child->name)) {
                    return true;
                }
                break;
            default:
                break;
            }
        }
        return false;
    }
    default:
        return item->visible;
    }
}
