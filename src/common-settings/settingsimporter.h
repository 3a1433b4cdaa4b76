/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#pragma once

#include <QWidget>

class ConfigAccessService;

namespace Ui
{
class SettingsImporter;
}

// Imports the whole logging configuration from an archive the administrator
// chooses.
class SettingsImporter : public QWidget
{
    Q_OBJECT
public:
    explicit SettingsImporter(QWidget *parent = nullptr);
    // The same over the given client of the helper, which the page takes over.
    SettingsImporter(ConfigAccessService *service, QWidget *parent);
    ~SettingsImporter() override;

    // Imports the chosen file and tells how it went; after a success asks
    // whether to reboot. True on success.
    bool importConfig();
    void clear();
    // Whether the helper found the imported common syslog-ng file unusable
    // by the running syslog-ng.
    bool mainConfigImportFault() const;

Q_SIGNALS:
    // The helper starts (`true`) or ended (`false`) its work.
    void working(bool running) const;

private:
    Ui::SettingsImporter *ui;
    ConfigAccessService *m_service;
};
