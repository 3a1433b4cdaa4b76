/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#pragma once

#include "auditrecord.h"

#include <QAbstractTableModel>
#include <QList>

// One audit table (the users or the groups of an audit event) as a flat table:
// column 0 the name, column 1 the success flag, column 2 the failure flag, the
// flags as check boxes. Names are shown, never edited in a view.
class AuditTableModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column {
        NameColumn = 0,
        SuccessColumn = 1,
        FailureColumn = 2,
    };

    explicit AuditTableModel(QObject *parent);
    ~AuditTableModel() override;

    // Replaces the rows (a reset of the model, also for the same list).
    void updateData(QList<AuditRecord> records);
    // A copy of the record in `row`; an empty record for a row out of range.
    AuditRecord getRecord(int row) const;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

private:
    QList<AuditRecord> m_records;
};
