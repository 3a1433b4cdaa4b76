/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#pragma once

#include <QDialog>
#include <QList>
#include <QVariant>

class AuditTableModel;

namespace Ui
{
class AuditDialog;
}

// Edits the flags of one audit table of an audit event: the users or the
// groups, each name with a "Success" and a "Failure" check box. Names can be
// neither added nor removed. OK emits the whole table, changed or not;
// Cancel emits nothing.
class AuditDialog : public QDialog
{
    Q_OBJECT
public:
    enum DialogType {
        Groups = 0,
        Users = 1,
    };
    Q_ENUM(DialogType)

    explicit AuditDialog(QWidget *parent);
    ~AuditDialog() override;

    // Only passed on in auditSettingsEdited().
    void setDialogType(AuditDialog::DialogType type);
    // Replaces the rows by the table `json`: an object of names -> { "succ":
    // "0"/"1", "fail": "0"/"1" }. Keys starting with "overlay" are no names.
    void setTableData(const QString &json) const;

Q_SIGNALS:
    // The names joined with ", ", the table as JSON text, the dialog type.
    void auditSettingsEdited(QList<QVariant> values);

private Q_SLOTS:
    void prepareData();

private:
    Ui::AuditDialog *ui;
    DialogType m_type = Users;
    AuditTableModel *m_model;
};
