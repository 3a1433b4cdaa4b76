/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "settingsimporter.h"
#include "ui_settingsimporter.h"

#include "configaccessservice.h"
#include "coreutils.h"
#include "guiutils.h"

#include <KLocalizedString>

#include <QDebug>
#include <QMessageBox>

SettingsImporter::SettingsImporter(QWidget *parent)
    : SettingsImporter(new ConfigAccessService(nullptr), parent)
{
}

SettingsImporter::SettingsImporter(ConfigAccessService *service, QWidget *parent)
    : QWidget(parent)
    , ui(new Ui::SettingsImporter)
    , m_service(service)
{
    m_service->setParent(this);
    ui->setupUi(this);
    ui->fileWidget->init(false);
}

SettingsImporter::~SettingsImporter()
{
    delete ui;
}

bool SettingsImporter::importConfig()
{
    const QString path = ui->fileWidget->filePath();
    if (path.isEmpty()) {
        QMessageBox::critical(nullptr, i18n("Error"), i18n("No file selected"));
        return false;
    }
    Q_EMIT working(true);
    const bool done = m_service->importConfig(path);
    Q_EMIT working(false);
    if (!done) {
        QMessageBox::critical(nullptr, i18n("Error"), i18n("Can not import configuration!"));
        qCritical().noquote() << m_service->errorString();
        return false;
    }
    if (mainConfigImportFault()) {
        QMessageBox::warning(nullptr,
                             i18n("Warning"),
                             i18n("Failed to import /etc/syslog-ng/conf.d/mod-tarn.conf!\nThe contents of the file are not compatible with the current "
                                  "version of the event logging subsystem."));
    }
    const QString text = QStringLiteral("%1.\n%2").arg(i18n("Configuration imported successfully"),
                                                       i18n("The notification settings will take effect only after the system is rebooted."));
    if (Gui::Utils::confirmAboutReboot(text)) {
        Core::Utils::rebootSystem();
    }
    return true;
}

void SettingsImporter::clear()
{
    ui->fileWidget->clear();
}

bool SettingsImporter::mainConfigImportFault() const
{
    return m_service->getActionResult(QStringLiteral("mainConfigImportFault")).toBool();
}
