/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "commonsettingswindow.h"
#include "ui_commonsettingswindow.h"

#include "changesdialog.h"
#include "destinationssettings.h"
#include "guiutils.h"
#include "logrotationsettings.h"
#include "settingsexporter.h"
#include "settingsimporter.h"

#include <KBusyIndicatorWidget>
#include <KLocalizedString>

#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>

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
    m_changesDialog = new ChangesDialog(this);
    ui->showChangesButton->setIcon(QIcon::fromTheme(QStringLiteral("document-preview")));
    ui->showChangesButton->setText(i18n("Show changes"));
    ui->showChangesButton->setToolTip(i18n("What OK is about to write on this tab, against what is on disk now"));
    connect(ui->showChangesButton, &QPushButton::clicked, this, &CommonSettingsWindow::showChanges);
    ui->restoreButton->setIcon(QIcon::fromTheme(QStringLiteral("edit-undo")));
    ui->restoreButton->setText(i18n("Restore previous configuration"));
    ui->restoreButton->setToolTip(i18n("Put back the logging configuration as it was before the last apply"));
    connect(ui->restoreButton, &QPushButton::clicked, this, &CommonSettingsWindow::confirmRestore);
    connect(ui->tabWidget, &QTabWidget::currentChanged, this, &CommonSettingsWindow::tabChanged);
    tabChanged(ui->tabWidget->currentIndex());

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

ChangesDialog *CommonSettingsWindow::changesDialog() const
{
    return m_changesDialog;
}

QList<PlannedFile> CommonSettingsWindow::plannedChanges() const
{
    switch (ui->tabWidget->currentIndex()) {
    case DestinationsTab:
        return m_destinations->plannedFiles();
    case LogRotateTab:
        return m_rotation->plannedFiles();
    default:
        return {};
    }
}

void CommonSettingsWindow::showChanges() const
{
    m_changesDialog->showChanges(plannedChanges());
}

void CommonSettingsWindow::tabChanged(int index)
{
    // An archive's content is not known before the helper reads it.
    ui->showChangesButton->setEnabled(index == DestinationsTab || index == LogRotateTab);
}

void CommonSettingsWindow::confirmRestore()
{
    const auto answer =
        QMessageBox::question(this,
                              i18n("Restore previous configuration"),
                              i18n("Put back every file of the logging configuration as it was before the last apply, and restart the logging service?\n"
                                   "Unsaved changes in this window and in the module are lost."));
    if (answer == QMessageBox::Yes) {
        Q_EMIT restorePreviousRequested();
    }
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
    // What the save is about to change, to be looked at when it fails.
    const QList<PlannedFile> planned = plannedChanges();
    QStringList unchecked;
    switch (ui->tabWidget->currentIndex()) {
    case DestinationsTab:
        saved = m_destinations->saveConfig();
        unchecked = m_destinations->takeUncheckedFiles();
        break;
    case LogRotateTab:
        saved = m_rotation->saveConfig();
        unchecked = m_rotation->takeUncheckedFiles();
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
        QMessageBox box(QMessageBox::Critical, i18n("Error"), saved.error(), QMessageBox::Ok, this);
        const QPushButton *show = box.addButton(i18n("Show changes…"), QMessageBox::ActionRole);
        box.exec();
        if (box.clickedButton() == show) {
            m_changesDialog->showChanges(planned, saved.error());
        }
        return;
    }
    if (!unchecked.isEmpty()) {
        QMessageBox::information(this,
                                 i18n("Installed without a check"),
                                 i18n("These files were installed, but their new configuration could not be checked:\n%1", unchecked.join(QLatin1Char('\n'))));
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
