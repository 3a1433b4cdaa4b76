/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#pragma once

#include <QDialog>
#include <QList>
#include <QString>
#include <QVariant>

namespace Ui
{
class DiskSpaceMonDialog;
}

// Edits a table of watched directories with their disk-space limits, kept as
// a JSON array of objects { "path", "limit_bytes", "limit_percent" }. OK
// emits the whole table; Cancel emits nothing.
class DiskSpaceMonDialog : public QDialog
{
    Q_OBJECT
public:
    explicit DiskSpaceMonDialog(QWidget *parent = nullptr);
    ~DiskSpaceMonDialog() override;

    // Replaces the rows by the objects of the JSON array `text`. Other
    // members of an object are kept and written back by prepareData();
    // elements that are no objects are dropped.
    void setData(const QString &text);
    // A new row for `path` with the default limits.
    void appendDirectory(const QString &path);

public Q_SLOTS:
    // Asks for a directory and appends it.
    void addNewDirectory();
    void removeSelectedDirectory();
    // Enables the remove button exactly when a row is selected.
    void selectionChanged();
    // Emits directoriesEdited() with the table as it stands.
    void prepareData();

Q_SIGNALS:
    // The paths joined with ", ", then the table as compact JSON text.
    void directoriesEdited(QList<QVariant> values);

private:
    Ui::DiskSpaceMonDialog *ui;
};
