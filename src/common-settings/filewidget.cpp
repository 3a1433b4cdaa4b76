/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "filewidget.h"
#include "ui_filewidget.h"

#include <KLocalizedString>

#include <QFileDialog>
#include <QIcon>

namespace
{
const QString ArchiveFilter = QStringLiteral("*.tar.gz");
}

FileWidget::FileWidget(QWidget *parent)
    : QWidget(parent)
    , ui(new Ui::FileWidget)
{
    ui->setupUi(this);
    ui->fileLabel->setText(i18n("File:"));
    ui->fileToolButton->setIcon(QIcon::fromTheme(QStringLiteral("document-folder")));
}

FileWidget::~FileWidget()
{
    delete ui;
}

void FileWidget::init(bool save)
{
    disconnect(ui->fileToolButton, nullptr, this, nullptr);
    // A cancelled dialog empties the field.
    connect(ui->fileToolButton, &QToolButton::clicked, this, [this, save] {
        const QString path = save ? QFileDialog::getSaveFileName(this, i18n("Choose file"), QString(), ArchiveFilter)
                                  : QFileDialog::getOpenFileName(this, QString(), QString(), ArchiveFilter);
        ui->fileLineEdit->setText(path);
    });
}

QString FileWidget::filePath() const
{
    return ui->fileLineEdit->text();
}

void FileWidget::clear()
{
    ui->fileLineEdit->clear();
}
