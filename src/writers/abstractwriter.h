/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#pragma once

#include <QString>
#include <QStringList>

class ConfigAccessService;
class TreeItem;

// Base of the writers of configuration files.
//
// A subclass renders a tree into the lines of its file (createConfig); the
// base hands those lines to the privileged configuration service, which writes
// them as the super-user. Rendering never makes a privileged call, so
// getConfig() gives the text a write would produce without writing anything.
class AbstractWriter
{
public:
    AbstractWriter(ConfigAccessService &configAccessService, const QString &configFile);
    virtual ~AbstractWriter();

    AbstractWriter(const AbstractWriter &) = delete;
    AbstractWriter &operator=(const AbstractWriter &) = delete;

    // Renders `root` and has the lines written to configFile(), each line
    // followed by "\n". Returns the service's result; on failure the service's
    // errorString() says why.
    virtual bool writeConfig(TreeItem *root);

    // The rendered lines, without writing them.
    virtual QStringList getConfig(TreeItem *root);

    virtual QStringList createConfig(TreeItem *root) = 0;

    QString configFile() const;
    ConfigAccessService &configAccessService();

private:
    ConfigAccessService &m_configAccessService;
    QString m_configFile;
};
