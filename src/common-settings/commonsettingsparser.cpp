/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "commonsettingsparser.h"

#include "treeitem.h"

CommonSettingsParser::CommonSettingsParser(const QString &configFile, QObject *parent)
    : AbstractConfigParser(configFile, parent)
{
}

CommonSettingsParser::~CommonSettingsParser() = default;

TreeItem *CommonSettingsParser::parse() const
{
    return parseText(readConfig());
}

TreeItem *CommonSettingsParser::parseText(const QString &text) const
{
    Q_UNUSED(text)
    m_unparsed.clear();
    return new TreeItem({QStringLiteral("Parameter"), QStringLiteral("Name"), QStringLiteral("Value")});
}

QStringList CommonSettingsParser::unparsedStatements() const
{
    return m_unparsed;
}
