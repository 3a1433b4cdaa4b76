/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#pragma once

#include "plannedfile.h"

#include <QList>
#include <QStringList>
#include <QWidget>

#include <expected>
#include <map>
#include <optional>

class ConfigAccessService;
class TreeItem;

namespace Ui
{
class LogRotationSettings;
}

// The rotation of the main event log: how many old logs are kept, a size
// limit or a period, with the current size of the log and the space of its
// volume. Reads and writes the logrotate file of the main log.
//
// Saving changes only the three directives the page shows; every other line
// of the file stays as it is. A value the administrator did not change is
// written back as it stood in the file ("size 100k" stays so).
class LogRotationSettings : public QWidget
{
    Q_OBJECT
public:
    explicit LogRotationSettings(QWidget *parent = nullptr);
    // The same over the given client of the helper, which the page takes over.
    LogRotationSettings(ConfigAccessService *configAccessService, QWidget *parent);
    ~LogRotationSettings() override;

    void loadConfig();
    // Writes the settings shown; the reason when they could not be written.
    // Nothing is written when the file would not change.
    std::expected<void, QString> saveConfig();
    void getLogStatistics();
    // The file saveConfig() would write, with its content; none when it
    // would write nothing. Applies the widgets to the tree, as saving does.
    QList<PlannedFile> plannedFiles();
    // The files the last saves installed without a check ("<path>: <why>").
    QStringList takeUncheckedFiles();

    // Applies the widgets to the configuration tree; false without a tree.
    bool createConfig() const;
    void checkInterface();
    void disableInterface();

    // A byte count with two decimals in the largest unit (B to TB) that
    // leaves at least 1, for example "1.50 KB".
    static QString formatSize(double bytes, const QLocale &locale);
    // The megabytes (rounded up, 1 to 4096) of a logrotate size argument:
    // a number with an optional unit k (or K), M or G, as logrotate reads it; nothing when it is not one.
    static std::optional<int> sizeInMegabytes(const QString &argument);

private Q_SLOTS:
    void on_logSizeCheckBox_stateChanged();
    void on_periodCheckBox_stateChanged();

private:
    QString configFile() const;

    Ui::LogRotationSettings *ui;
    ConfigAccessService *m_configAccessService = nullptr;
    TreeItem *m_tree = nullptr;
    std::map<QString, QString> periodNames;
    // The file as last read, and the values the page showed from it with
    // the directive arguments they came from.
    QStringList m_sourceLines;
    int m_loadedRotate = -1;
    QString m_loadedRotateText;
    int m_loadedSize = -1;
    QString m_loadedSizeText;
};
