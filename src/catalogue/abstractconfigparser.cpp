/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "abstractconfigparser.h"

#include <KLocalizedString>

#include <QFile>

AbstractConfigParser::AbstractConfigParser(const QString &configFile, QObject *parent)
    : QObject(parent)
    , m_configFile(configFile)
{
}

AbstractConfigParser::~AbstractConfigParser() = default;

QString AbstractConfigParser::configFile() const
{
    return m_configFile;
}

QString AbstractConfigParser::errorString() const
{
    return m_errorString;
}

void AbstractConfigParser::setErrorString(const QString &error) const
{
    m_errorString = error;
}

QString AbstractConfigParser::readConfig() const
{
    m_errorString.clear();
    QFile file(m_configFile);
    if (!file.open(QIODevice::ReadOnly)) {
        m_errorString = m_configFile + QLatin1String(": ") + file.errorString();
        return QString();
    }
    const QString content = QString::fromUtf8(file.readAll());
    if (content.isEmpty()) {
        m_errorString = m_configFile + QLatin1String(": ") + i18n("Bad config file");
    }
    return content;
}
