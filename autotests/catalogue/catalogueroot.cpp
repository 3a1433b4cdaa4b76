/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "catalogueroot.h"

#include "systempaths.h"

#include <QDir>
#include <QJsonDocument>

namespace
{
QString catalogueDir()
{
    return QString::fromUtf8(SystemPaths::EventSettingsDir);
}
}

CatalogueRoot::CatalogueRoot(SampleRoot::Content content)
    : m_root(content)
{
    // Stops the test when the tree is not complete: the catalogue library must
    // never serve, or a test write, the machine's own files.
    m_root.activate();
}

bool CatalogueRoot::isValid() const
{
    return m_root.isValid();
}

SampleRoot &CatalogueRoot::root()
{
    return m_root;
}

bool CatalogueRoot::addGroup(const QString &groupId, const QByteArray &description)
{
    const QString dir = catalogueDir() + QLatin1Char('/') + groupId;
    if (description.isNull()) {
        return QDir().mkpath(m_root.filePath(dir));
    }
    return m_root.writeFile(dir + QLatin1Char('/') + groupId + QLatin1String(".json"), description);
}

bool CatalogueRoot::addEvent(const QString &directory, const QString &eventId, const QByteArray &description)
{
    return m_root.writeFile(catalogueDir() + QLatin1Char('/') + directory + QLatin1Char('/') + eventId + QLatin1String(".json"), description);
}

bool CatalogueRoot::addEvent(const QString &directory, const QString &eventId, const QJsonObject &description)
{
    return addEvent(directory, eventId, QJsonDocument(description).toJson());
}

bool CatalogueRoot::setOverrides(const QJsonObject &settings)
{
    return m_root.writeFile(QString::fromUtf8(SystemPaths::EventSettingsFile), QJsonDocument(settings).toJson());
}

bool CatalogueRoot::setDictionary(const QByteArray &dictionary)
{
    return m_root.writeFile(QString::fromUtf8(SystemPaths::EventsDictionaryFile), dictionary);
}

bool CatalogueRoot::addNotificationFile(const QString &fileName)
{
    return m_root.writeFile(QString::fromUtf8(SystemPaths::SyslogNgConfDir) + QLatin1Char('/') + fileName, QByteArrayLiteral("# notification\n"));
}
