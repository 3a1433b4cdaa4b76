/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#pragma once

#include <QSortFilterProxyModel>
#include <QString>

// The filter between the working event model and the tree view: keeps the
// groups and events whose identifiers or names contain the search text, under
// the fuzzy comparison (case ignored, "ё" as "е"). Parameters are shown when
// their `visible` flag is set, whatever the text.
class EventsProxyModel : public QSortFilterProxyModel
{
public:
    // What the search text is compared with; the values are stored as item
    // data of the search bar's filter box.
    enum FilterMode {
        All = 0, // event and group, identifiers and names
        EventName = 1,
        EventId = 2,
        GroupName = 3,
        GroupId = 4,
    };

    explicit EventsProxyModel(QObject *parent = nullptr);
    ~EventsProxyModel() override;

    void setFilterQuery(const QString &query);
    QString filterQuery() const;
    void setFilterMode(EventsProxyModel::FilterMode mode);
    EventsProxyModel::FilterMode filterMode() const;

    // True when the query occurs in `text`; an empty query matches everything.
    // Both are taken up to their first NUL character.
    bool matchFilter(const QString &text) const;

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const override;

private:
    QString m_filterQuery;
    int m_filterMode = All;
};
