/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "filesdialog.h"
#include "ui_filesdialog.h"

#include "guiutils.h"

#include <KLocalizedString>

#include <algorithm>

#include <QDir>
#include <QFileDialog>
#include <QIcon>
#include <QMessageBox>

namespace
{
const QString Separator = QStringLiteral(", ");

bool isLineBreakOrControl(QChar c)
{
    return c.category() == QChar::Other_Control || c == QChar::LineSeparator || c == QChar::ParagraphSeparator;
}
}

FilesDialog::FilesDialog(QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::FilesDialog)
{
    ui->setupUi(this);
    Gui::Utils::useStandardButtonTexts(ui->buttonBox);
    ui->addButton->setIcon(QIcon::fromTheme(QStringLiteral("list-add")));
    ui->addButton->setToolTip(i18n("Add new file"));
    ui->removeButton->setIcon(QIcon::fromTheme(QStringLiteral("list-remove")));
    ui->removeButton->setToolTip(i18n("Remove selected file"));

    connect(ui->addButton, &QToolButton::clicked, this, &FilesDialog::addNewFile);
    connect(ui->removeButton, &QToolButton::clicked, this, &FilesDialog::removeSelectedFile);
    connect(ui->filesList->selectionModel(), &QItemSelectionModel::selectionChanged, this, &FilesDialog::selectionChanged);
    selectionChanged();
}

FilesDialog::~FilesDialog()
{
    delete ui;
}

void FilesDialog::setDialogType(FilesDialog::DialogType type)
{
    m_type = type;
}

FilesDialog::DialogType FilesDialog::dialogType() const
{
    return m_type;
}

void FilesDialog::setData(const QVariant &value) const
{
    ui->filesList->clear();
    const QStringList parts = value.toString().split(QLatin1Char(','));
    for (const QString &part : parts) {
        if (part == QLatin1String("\n")) {
            continue;
        }
        const QString entry = part.simplified();
        if (!entry.isEmpty()) {
            ui->filesList->addItem(entry);
        }
    }
}

std::expected<void, QString> FilesDialog::appendPath(const QString &path)
{
    if (path.isEmpty()) {
        return std::unexpected(i18n("The path is empty."));
    }
    if (!QDir::isAbsolutePath(path)) {
        return std::unexpected(i18n("\"%1\" is not an absolute path.", path));
    }
    if (path.contains(QLatin1Char(','))) {
        return std::unexpected(i18n("The path \"%1\" contains a comma. Commas separate the entries of this list, so it cannot hold such a path.", path));
    }
    if (std::any_of(path.cbegin(), path.cend(), isLineBreakOrControl)) {
        return std::unexpected(i18n("The path \"%1\" contains a line break or another control character, which this list cannot hold.", path));
    }
    if (std::any_of(path.cbegin(), path.cend(), [](QChar c) {
            return c.isSpace();
        })) {
        return std::unexpected(
            i18n("The path \"%1\" contains white space. Audit rules are made from the entries of this list and cannot hold such a path.", path));
    }
    if (paths().contains(path)) {
        return std::unexpected(i18n("\"%1\" is already in the list.", path));
    }
    ui->filesList->addItem(path);
    ui->filesList->setCurrentRow(ui->filesList->count() - 1);
    return {};
}

QStringList FilesDialog::paths() const
{
    QStringList texts;
    texts.reserve(ui->filesList->count());
    for (int row = 0; row < ui->filesList->count(); ++row) {
        texts.append(ui->filesList->item(row)->text());
    }
    return texts;
}

void FilesDialog::addNewFile()
{
    const QString path = m_type == Directories ? QFileDialog::getExistingDirectory(this, QString(), QString(), QFileDialog::ShowDirsOnly)
                                               : QFileDialog::getOpenFileName(this, QString(), QString(), QString());
    if (path.isEmpty()) {
        return;
    }
    if (const auto appended = appendPath(path); !appended) {
        QMessageBox::warning(this, i18n("Error"), appended.error());
    }
}

void FilesDialog::removeSelectedFile() const
{
    const QList<QListWidgetItem *> selected = ui->filesList->selectedItems();
    if (selected.isEmpty()) {
        return;
    }
    delete ui->filesList->takeItem(ui->filesList->row(selected.first()));
    ui->filesList->setCurrentRow(ui->filesList->count() - 1);
}

void FilesDialog::selectionChanged() const
{
    ui->removeButton->setEnabled(ui->filesList->selectionModel()->hasSelection());
}

void FilesDialog::on_buttonBox_accepted()
{
    Q_EMIT fileListEdited(paths().join(Separator));
}
