/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <expected>

namespace Ui
{
class FilesDialog;
}

// Edits a list of files or of directories kept as one text, the entries
// joined with ", ". OK emits the whole list; Cancel emits nothing.
//
// The list is split at commas when read back, and audit watch rules are made
// of its entries, so the dialog takes only absolute paths without commas,
// white space or control characters.
class FilesDialog : public QDialog
{
    Q_OBJECT
public:
    enum DialogType {
        Files = 0,
        Directories = 1,
    };
    Q_ENUM(DialogType)

    explicit FilesDialog(QWidget *parent = nullptr);
    ~FilesDialog() override;

    // Whether addNewFile() asks for a file or for a directory.
    void setDialogType(FilesDialog::DialogType type);
    DialogType dialogType() const;

    // Replaces the rows by the entries of the text `value` ("a, b, c"); blank
    // entries are dropped.
    void setData(const QVariant &value) const;
    // Appends `path` as the last row and makes it current, or says why the
    // list cannot hold it.
    std::expected<void, QString> appendPath(const QString &path);
    // The texts of the rows, in order.
    QStringList paths() const;

public Q_SLOTS:
    // Asks for a file or a directory and appends it; a path the list cannot
    // hold is refused with a warning.
    void addNewFile();
    // Removes the first selected row and makes the last row current.
    void removeSelectedFile() const;
    // Enables the remove button exactly when a row is selected.
    void selectionChanged() const;
    // Emits fileListEdited() with the rows joined with ", ".
    void on_buttonBox_accepted();

Q_SIGNALS:
    void fileListEdited(QVariant value);

private:
    Ui::FilesDialog *ui;
    DialogType m_type = Files;
};
