/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "commonsettingswindow.h"
#include "ui_commonsettingswindow.h"

#include "guiutils.h"

#include "destinationssettings.h"
#include "logrotationsettings.h"
#include "settingsexporter.h"
#include "settingsimporter.h"

#include <KBusyIndicatorWidget>
#include <KLocalizedString>

#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>

namespace
{
template<class Page, class Service>
Page *makePage(Service *service, QWidget *parent)
{
    return service ? new Page(service, parent) : new Page(parent);
}
}

CommonSettingsWindow::CommonSettingsWindow(QWidget *parent)
    : CommonSettingsWindow(Services(), parent)
{
}

CommonSettingsWindow::CommonSettingsWindow(const Services &services, QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::CommonSettingsWindow)
{
    ui->setupUi(this);
    Gui::Utils::useStandardButtonTexts(ui->buttonBox);

    m_destinations = services.destinations && services.logging ? new DestinationsSettings(services.destinations, services.logging, ui->destinationsTab)
                                                               : new DestinationsSettings(ui->destinationsTab);
    m_rotation = makePage<LogRotationSettings>(services.rotation, ui->logRotateTab);
    m_exporter = makePage<SettingsExporter>(services.exporter, ui->exportTab);
    m_importer = makePage<SettingsImporter>(services.importer, ui->importTab);
    m_destinations->setObjectName(QStringLiteral("destinationsSettings"));
    m_rotation->setObjectName(QStringLiteral("logRotationSettings"));
    m_exporter->setObjectName(QStringLiteral("settingsExporter"));
    m_importer->setObjectName(QStringLiteral("settingsImporter"));
    ui->destinationsLayout->addWidget(m_destinations);
    ui->logRotateLayout->addWidget(m_rotation);
    ui->exportLayout->addWidget(m_exporter);
    ui->importLayout->addWidget(m_importer);

    ui->tabWidget->setTabText(DestinationsTab, i18n("Destinations"));
    ui->tabWidget->setTabText(LogRotateTab, i18n("Main log rotation"));
    ui->tabWidget->setTabText(ExportTab, i18n("Export configuration"));
    ui->tabWidget->setTabText(ImportTab, i18n("Import configuration"));

    auto *busyLayout = new QHBoxLayout(ui->busyWidget);
    busyLayout->setContentsMargins(0, 0, 0, 0);
    m_busyIndicator = new KBusyIndicatorWidget(ui->busyWidget);
    m_busyLabel = new QLabel(ui->busyWidget);
    m_busyLabel->setObjectName(QStringLiteral("busyLabel"));
    busyLayout->addWidget(m_busyIndicator);
    busyLayout->addWidget(m_busyLabel);
    busyLayout->addStretch();
    ui->busyWidget->hide();

    connect(m_exporter, &SettingsExporter::working, this, [this](bool running) {
        setBusy(running, i18n("Exporting…"));
    });
    connect(m_importer, &SettingsImporter::working, this, [this](bool running) {
        setBusy(running, i18n("Importing…"));
    });
    connect(ui->buttonBox, &QDialogButtonBox::accepted, this, &CommonSettingsWindow::accept);
    connect(ui->buttonBox, &QDialogButtonBox::rejected, this, &CommonSettingsWindow::reject);

    loadConfig();
}

CommonSettingsWindow::~CommonSettingsWindow()
{
    delete ui;
}

void CommonSettingsWindow::loadConfig() const
{
    m_destinations->loadConfig();
    m_rotation->loadConfig();
}

bool CommonSettingsWindow::isBusy() const
{
    return m_busy;
}

DestinationsSettings *CommonSettingsWindow::destinationsSettings() const
{
    return m_destinations;
}

LogRotationSettings *CommonSettingsWindow::logRotationSettings() const
{
    return m_rotation;
}

SettingsExporter *CommonSettingsWindow::settingsExporter() const
{
    return m_exporter;
}

SettingsImporter *CommonSettingsWindow::settingsImporter() const
{
    return m_importer;
}

void CommonSettingsWindow::open()
{
    m_destinations->selectionChanged();
    m_rotation->getLogStatistics();
    m_exporter->clear();
    m_importer->clear();
    setWindowModality(Qt::WindowModal);
    QDialog::open();
}

void CommonSettingsWindow::openDestinationSettings()
{
    ui->tabWidget->setCurrentIndex(DestinationsTab);
    open();
}

void CommonSettingsWindow::accept()
{
    if (m_busy) {
        return;
    }
    std::expected<void, QString> saved;
    switch (ui->tabWidget->currentIndex()) {
    case DestinationsTab:
        saved = m_destinations->saveConfig();
        break;
    case LogRotateTab:
        saved = m_rotation->saveConfig();
        break;
    case ExportTab:
        m_exporter->exportConfig();
        break;
    case ImportTab:
        m_importer->importConfig();
        Q_EMIT configurationImported();
        break;
    }
    if (!saved) {
        // The edits stay on the page, to be corrected or dropped.
        QMessageBox::critical(this, i18n("Error"), saved.error());
        return;
    }
    loadConfig();
    QDialog::accept();
}

void CommonSettingsWindow::reject()
{
    if (m_busy) {
        return;
    }
    loadConfig();
    QDialog::reject();
}

void CommonSettingsWindow::setBusy(bool busy, const QString &text)
{
    m_busy = busy;
    m_busyLabel->setText(text);
    ui->busyWidget->setVisible(busy);
    ui->tabWidget->setEnabled(!busy);
    ui->buttonBox->setEnabled(!busy);
}
