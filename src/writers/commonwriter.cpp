/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "commonwriter.h"

#include "treeitem.h"

CommonWriter::CommonWriter(ConfigAccessService &configAccessService, const QString &configFile)
    : AbstractWriter(configAccessService, configFile)
{
}

QStringList CommonWriter::createConfig(TreeItem *root)
{
    Q_UNUSED(root)
    return {};
}

bool CommonWriter::findItemIf(const QString &text) const
{
    Q_UNUSED(text)
    return false;
}
