/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#pragma once

#include <QWidget>

class ConfigAccessService;

namespace Ui
{
class SettingsExporter;
}

// Exports the whole logging configuration into an archive the administrator
// chooses.
class SettingsExporter : public QWidget
{
    Q_OBJECT
public:
    explicit SettingsExporter(QWidget *parent = nullptr);
    // The same over the given client of the helper, which the page takes over.
    SettingsExporter(ConfigAccessService *service, QWidget *parent);
    ~SettingsExporter() override;

    // Exports into the chosen file and tells how it went; true on success.
    bool exportConfig() const;
    void clear();

Q_SIGNALS:
    // The helper starts (`true`) or ended (`false`) its work.
    void working(bool running) const;

private:
    Ui::SettingsExporter *ui;
    ConfigAccessService *m_service;
};
