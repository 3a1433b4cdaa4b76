/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "settingsexporter.h"
#include "ui_settingsexporter.h"

#include "configaccessservice.h"

#include <KLocalizedString>

#include <QDebug>
#include <QMessageBox>

SettingsExporter::SettingsExporter(QWidget *parent)
    : SettingsExporter(new ConfigAccessService(nullptr), parent)
{
}

SettingsExporter::SettingsExporter(ConfigAccessService *service, QWidget *parent)
    : QWidget(parent)
    , ui(new Ui::SettingsExporter)
    , m_service(service)
{
    m_service->setParent(this);
    ui->setupUi(this);
    ui->fileWidget->init(true);
}

SettingsExporter::~SettingsExporter()
{
    delete ui;
}

bool SettingsExporter::exportConfig() const
{
    const QString path = ui->fileWidget->filePath();
    if (path.isEmpty()) {
        QMessageBox::critical(nullptr, i18n("Error"), i18n("No file selected"));
        return false;
    }
    Q_EMIT working(true);
    const bool done = m_service->exportConfig(path);
    Q_EMIT working(false);
    if (!done) {
        QMessageBox::critical(nullptr, i18n("Error"), i18n("Can not export configuration!"));
        qCritical().noquote() << m_service->errorString();
        return false;
    }
    QMessageBox::information(nullptr, i18n("Information"), i18n("Configuration exported successfully"));
    return true;
}

void SettingsExporter::clear()
{
    ui->fileWidget->clear();
}
