/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "abstractwriter.h"

#include "configaccessservice.h"

AbstractWriter::AbstractWriter(ConfigAccessService &configAccessService, const QString &configFile)
    : m_configAccessService(configAccessService)
    , m_configFile(configFile)
{
}

AbstractWriter::~AbstractWriter() = default;

bool AbstractWriter::writeConfig(TreeItem *root)
{
    return configAccessService().writeConfig(configFile(), createConfig(root));
}

QStringList AbstractWriter::getConfig(TreeItem *root)
{
    return createConfig(root);
}

QString AbstractWriter::configFile() const
{
    return m_configFile;
}

ConfigAccessService &AbstractWriter::configAccessService()
{
    return m_configAccessService;
}
