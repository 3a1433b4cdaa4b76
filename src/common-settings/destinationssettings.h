/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#pragma once

#include "plannedfile.h"

#include <QList>
#include <QStringList>
#include <QVariant>
#include <QWidget>

#include <expected>
#include <optional>
#include <vector>

class AddDestinationDialog;
class CommonSettingsParser;
class ConfigAccessService;
class DestinationsModel;
class FileEditor;
class KMessageWidget;
class LoggingService;
class QPoint;

namespace Ui
{
class DestinationsSettings;
}

// The page of the common settings that lists the syslog-ng destinations of
// the common logging configuration, adds and removes them, and saves the
// file through the helper. The destination the event log itself is written
// to ("tarn_json_dst") cannot be removed.
//
// A file that holds statements the page cannot read is never saved from
// here: writing the page's tree would drop them. The page says so and
// points to the file editor.
class DestinationsSettings : public QWidget
{
    Q_OBJECT
public:
    // With services of its own.
    explicit DestinationsSettings(QWidget *parent = nullptr);
    // With the given services, which the page takes over as children.
    DestinationsSettings(ConfigAccessService *config, LoggingService *logging, QWidget *parent = nullptr);
    ~DestinationsSettings() override;

    // Whether the destinations shown differ from those in the file.
    bool isDestinationsModified() const;
    // Writes the tree when modified, restarts the logging service and loads
    // the file again. An error says why nothing was written: statements that
    // saving would lose, or the helper's failure (then nothing is
    // restarted).
    std::expected<void, QString> saveConfig();
    // The file saveConfig() would write, with its content; none when it
    // would write nothing.
    QList<PlannedFile> plannedFiles() const;
    // The files the last saves installed without a check ("<path>: <why>").
    QStringList takeUncheckedFiles();

    DestinationsModel *model() const;
    AddDestinationDialog *addDestinationDialog() const;
    FileEditor *fileEditor() const;
    // What the last load could not show, as it stands in the file.
    QStringList unparsedStatements() const;

public Q_SLOTS:
    void loadConfig();
    // `values` as AddDestinationDialog::newDestCreated() gives them.
    void insertNewDest(std::vector<QVariant> values);
    // True when a destination was removed, with its log statements.
    bool removeSelectedDestination();
    void selectionChanged() const;
    void contextMenuRequested(const QPoint &pos);
    void openEditor() const;

Q_SIGNALS:
    // A destination was added or removed.
    void destinationsChanged();

private:
    QString configFile() const;
    // Why the file read by `parser` must not be written over, if it must not.
    std::optional<QString> saveProblem(const CommonSettingsParser &parser) const;
    // Shows on the page why the file read by `parser` is not saved, if it is not.
    void showProblem(const CommonSettingsParser &parser) const;

    Ui::DestinationsSettings *ui;
    ConfigAccessService *m_config;
    LoggingService *m_logging;
    AddDestinationDialog *m_addDialog;
    FileEditor *m_fileEditor;
    DestinationsModel *m_model;
    KMessageWidget *m_notice;
    QStringList m_unparsed;
};
