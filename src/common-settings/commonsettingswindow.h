/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#pragma once

#include "plannedfile.h"

#include <QDialog>
#include <QList>

class ChangesDialog;
class ConfigAccessService;
class DestinationsSettings;
class KBusyIndicatorWidget;
class LogRotationSettings;
class LoggingService;
class QLabel;
class SettingsExporter;
class SettingsImporter;

namespace Ui
{
class CommonSettingsWindow;
}

// The common settings of the logging subsystem on four tabs: destinations,
// rotation of the main log, export and import of the whole configuration.
// OK acts on the current tab only; either button reloads both settings pages
// from disk. "Show changes" shows what OK would write on the current tab;
// "Restore previous configuration" asks the module to put back the files as
// they were before the last apply.
class CommonSettingsWindow : public QDialog
{
    Q_OBJECT
public:
    enum Tab {
        DestinationsTab,
        LogRotateTab,
        ExportTab,
        ImportTab,
    };

    // The clients of the helper of the pages; a page whose client is null
    // makes its own. The pages take the given ones over.
    struct Services {
        ConfigAccessService *destinations = nullptr;
        LoggingService *logging = nullptr;
        ConfigAccessService *rotation = nullptr;
        ConfigAccessService *exporter = nullptr;
        ConfigAccessService *importer = nullptr;
    };

    explicit CommonSettingsWindow(QWidget *parent = nullptr);
    CommonSettingsWindow(const Services &services, QWidget *parent);
    ~CommonSettingsWindow() override;

    void loadConfig() const;
    // Whether an export or an import runs.
    bool isBusy() const;

    DestinationsSettings *destinationsSettings() const;
    LogRotationSettings *logRotationSettings() const;
    SettingsExporter *settingsExporter() const;
    SettingsImporter *settingsImporter() const;
    ChangesDialog *changesDialog() const;

    // The files OK would write on the current tab, with their content.
    QList<PlannedFile> plannedChanges() const;

public Q_SLOTS:
    // Refreshes the pages and empties the file fields, then opens window-modally.
    void open() override;
    void openDestinationSettings();
    // A page that could not be saved is reported and the window stays open.
    void accept() override;
    void reject() override;
    void showChanges() const;

Q_SIGNALS:
    // An import was attempted.
    void configurationImported();
    // The administrator confirmed that the configuration as it was before
    // the last apply should come back.
    void restorePreviousRequested();

private:
    // While the helper works the window repaints and shows `text`, but
    // accepts no input.
    void setBusy(bool busy, const QString &text);
    void tabChanged(int index);
    void confirmRestore();

    Ui::CommonSettingsWindow *ui;
    DestinationsSettings *m_destinations;
    LogRotationSettings *m_rotation;
    SettingsExporter *m_exporter;
    SettingsImporter *m_importer;
    ChangesDialog *m_changesDialog;
    KBusyIndicatorWidget *m_busyIndicator;
    QLabel *m_busyLabel;
    bool m_busy = false;
};
