/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "valuedelegate.h"

#include "checkabletreemodel.h"
#include "parametertype.h"

#include <KLocalizedString>

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QSpinBox>

namespace
{
ParameterType typeOf(const QModelIndex &index)
{
    return index.data(CheckableTreeModel::ParameterTypeRole).value<ParameterType>();
}

void showSwitchState(QCheckBox *check, bool on)
{
    check->setText(on ? i18n("On") : i18n("Off"));
}

QString priorityMeaning(int severity)
{
    switch (severity) {
    case 0:
        return i18n("The system is unusable");
    case 1:
        return i18n("Action must be taken immediately");
    case 2:
        return i18n("Critical condition");
    case 3:
        return i18n("Error");
    case 4:
        return i18n("Warning");
    case 5:
        return i18n("Normal but significant condition");
    case 6:
        return i18n("Informational message");
    default:
        return i18n("Debugging message");
    }
}
}

ValueDelegate::ValueDelegate(QAbstractItemView *view)
    : QStyledItemDelegate(view)
{
    view->setItemDelegateForColumn(1, this);
}

QWidget *ValueDelegate::createEditor(QWidget *parent, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    const ParameterType type = typeOf(index);
    // Editors report through the delegate's signals.
    auto self = const_cast<ValueDelegate *>(this);
    switch (type.kind()) {
    case ParameterType::Priority: {
        auto combo = new QComboBox(parent);
        const QStringList &priorities = ParameterType::syslogPriorities();
        for (int severity = 0; severity < priorities.size(); ++severity) {
            combo->addItem(priorities.at(severity));
            combo->setItemData(severity, priorityMeaning(severity), Qt::ToolTipRole);
        }
        // A choice is final: no need to leave the cell for it to count.
        connect(combo, qOverload<int>(&QComboBox::activated), self, [self, combo]() {
            Q_EMIT self->commitData(combo);
            Q_EMIT self->closeEditor(combo);
        });
        return combo;
    }
    case ParameterType::Integer: {
        auto spin = new QSpinBox(parent);
        spin->setRange(type.minimum(), type.maximum());
        spin->setFrame(false);
        return spin;
    }
    case ParameterType::Switch: {
        auto check = new QCheckBox(parent);
        check->setAutoFillBackground(true);
        connect(check, &QCheckBox::toggled, self, [self, check](bool on) {
            showSwitchState(check, on);
            Q_EMIT self->commitData(check);
        });
        return check;
    }
    case ParameterType::Text:
    default:
        return QStyledItemDelegate::createEditor(parent, option, index);
    }
}

void ValueDelegate::setEditorData(QWidget *editor, const QModelIndex &index) const
{
    const QString text = index.data(Qt::EditRole).toString();
    if (auto combo = qobject_cast<QComboBox *>(editor)) {
        // A value that is no priority selects nothing, and nothing is written.
        combo->setCurrentIndex(combo->findText(text));
    } else if (auto spin = qobject_cast<QSpinBox *>(editor)) {
        spin->setValue(text.toInt());
    } else if (auto check = qobject_cast<QCheckBox *>(editor)) {
        const bool on = text == QLatin1String("1") || text == QLatin1String("true");
        const QSignalBlocker blocker(check);
        check->setChecked(on);
        showSwitchState(check, on);
    } else {
        QStyledItemDelegate::setEditorData(editor, index);
    }
}

void ValueDelegate::setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const
{
    if (auto combo = qobject_cast<QComboBox *>(editor)) {
        if (combo->currentIndex() >= 0) {
            model->setData(index, combo->currentText(), Qt::EditRole);
        }
    } else if (auto spin = qobject_cast<QSpinBox *>(editor)) {
        spin->interpretText();
        model->setData(index, QString::number(spin->value()), Qt::EditRole);
    } else if (auto check = qobject_cast<QCheckBox *>(editor)) {
        model->setData(index, check->isChecked() ? QStringLiteral("1") : QStringLiteral("0"), Qt::EditRole);
    } else {
        QStyledItemDelegate::setModelData(editor, model, index);
    }
}
