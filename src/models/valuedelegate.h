/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#pragma once

#include <QStyledItemDelegate>

class QAbstractItemView;

// The editors of the value column of the event tree, chosen by the type of
// the parameter (CheckableTreeModel::ParameterTypeRole): the syslog
// priorities in a combo box, integers in a spin box within their range,
// switches in a check box, anything else in a line edit. An editor offers
// only values that fit, and writes them back as texts.
class ValueDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    // Becomes the delegate of the view's value column; the view owns it.
    explicit ValueDelegate(QAbstractItemView *view);

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    void setEditorData(QWidget *editor, const QModelIndex &index) const override;
    void setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const override;
};
