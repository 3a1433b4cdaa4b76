/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#pragma once

#include "plannedfile.h"

#include <QDialog>
#include <QList>

class KMessageWidget;

namespace Ui
{
class ChangesDialog;
}

// Shows, read-only, every file an apply is about to write, replace or
// remove, with a unified diff against the file on disk now. Nothing is
// written and nothing privileged runs to build it.
class ChangesDialog : public QDialog
{
    Q_OBJECT
public:
    explicit ChangesDialog(QWidget *parent = nullptr);
    ~ChangesDialog() override;

    // Shows what `files` would change, with `problem` above it (why an
    // apply failed) when it is not empty, and opens the dialog.
    void showChanges(const QList<PlannedFile> &files, const QString &problem = QString());

    // The text shown.
    QString text() const;

private:
    Ui::ChangesDialog *ui;
    KMessageWidget *m_problem;
};
