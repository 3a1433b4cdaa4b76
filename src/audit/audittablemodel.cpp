/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "audittablemodel.h"

#include <KLocalizedString>

namespace
{
constexpr int ColumnCount = 3;
const QVariant Alignment = QVariant(static_cast<int>(Qt::AlignLeft | Qt::AlignVCenter));

Qt::CheckState checkState(bool on)
{
    return on ? Qt::Checked : Qt::Unchecked;
}
}

AuditTableModel::AuditTableModel(QObject *parent)
    : QAbstractTableModel(parent)
{
}

AuditTableModel::~AuditTableModel() = default;

void AuditTableModel::updateData(QList<AuditRecord> records)
{
    beginResetModel();
    if (!records.isSharedWith(m_records)) {
        m_records = std::move(records);
    }
    endResetModel();
}

AuditRecord AuditTableModel::getRecord(int row) const
{
    return m_records.value(row);
}

int AuditTableModel::rowCount(const QModelIndex &parent) const
{
    // A table: no cell has rows below it.
    return parent.isValid() ? 0 : m_records.size();
}

int AuditTableModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant AuditTableModel::data(const QModelIndex &index, int role) const
{
    if (index.row() < 0 || index.column() < 0 || !index.model() || index.row() >= m_records.size()) {
        return {};
    }
    const AuditRecord &record = m_records.at(index.row());
    switch (role) {
    case Qt::TextAlignmentRole:
        return Alignment;
    case Qt::CheckStateRole:
        switch (index.column()) {
        case SuccessColumn:
            return checkState(record.succ);
        case FailureColumn:
            return checkState(record.fail);
        default:
            return {};
        }
    case Qt::DisplayRole:
        return index.column() == NameColumn ? record.name : QString();
    default:
        return {};
    }
}

bool AuditTableModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!index.isValid() || index.model() != this || index.row() >= m_records.size()) {
        return false;
    }
    AuditRecord record = m_records.at(index.row());
    const bool checkRole = role == Qt::DisplayRole || role == Qt::CheckStateRole;
    switch (index.column()) {
    case NameColumn:
        if (role != Qt::DisplayRole) {
            return false;
        }
        record.name = value.toString();
        break;
    case SuccessColumn:
        if (!checkRole) {
            return false;
        }
        record.succ = value.toInt() == Qt::Checked;
        break;
    case FailureColumn:
        if (!checkRole) {
            return false;
        }
        record.fail = value.toInt() == Qt::Checked;
        break;
    default:
        return false;
    }
    m_records[index.row()] = record;
    Q_EMIT dataChanged(index, index, {});
    return true;
}

QVariant AuditTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role == Qt::TextAlignmentRole) {
        return Alignment;
    }
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal) {
        return {};
    }
    switch (section) {
    case NameColumn:
        return i18n("Name");
    case SuccessColumn:
        return i18n("Success");
    case FailureColumn:
        return i18n("Failure");
    default:
        return {};
    }
}

Qt::ItemFlags AuditTableModel::flags(const QModelIndex &index) const
{
    if (!index.isValid()) {
        return QAbstractTableModel::flags(index);
    }
    if (index.column() == SuccessColumn || index.column() == FailureColumn) {
        return Qt::ItemIsSelectable | Qt::ItemIsUserCheckable | Qt::ItemIsEnabled;
    }
    return Qt::ItemIsSelectable | Qt::ItemIsEnabled;
}
