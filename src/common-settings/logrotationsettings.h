/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#pragma once

#include <QWidget>

#include <expected>

class ConfigAccessService;

// The rotation of the main event log: how many old logs are kept, a size
// limit or a period, with the current size of the log and the space of its
// volume. Reads and writes the logrotate file of the main log.
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
    std::expected<void, QString> saveConfig();
    void getLogStatistics();

private:
    ConfigAccessService *m_configAccessService = nullptr;
};
