/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "modeltestenvironment.h"

#include "dbuskeeper.h"
#include "eventtreeitem.h"
#include "singleeventsparser.h"

#include <QFile>
#include <QIcon>

namespace
{
// root and nobody are listed too: only accounts with an id above 999 (65534
// excepted) belong in the audit tables.
const QByteArray GetentScript = QByteArrayLiteral(
    "#!/bin/sh\n"
    "case \"$1\" in\n"
    "passwd) printf 'root:x:0:0:root:/root:/bin/bash\\nalice:x:1000:1000::/home/alice:/bin/bash\\n"
    "bob:x:1001:1001::/home/bob:/bin/bash\\nnobody:x:65534:65534::/nonexistent:/usr/sbin/nologin\\n' ;;\n"
    "group) printf 'root:x:0:\\nalice:x:1000:\\nbob:x:1001:\\nnogroup:x:65534:\\n' ;;\n"
    "esac\n");
}

ModelTestEnvironment::ModelTestEnvironment()
    : m_previousPath(qgetenv("PATH"))
{
    if (!m_root.isValid() || !m_binDir.isValid()) {
        return;
    }
    const QString getent = m_binDir.filePath(QStringLiteral("getent"));
    QFile file(getent);
    if (!file.open(QIODevice::WriteOnly) || file.write(GetentScript) != GetentScript.size()) {
        return;
    }
    file.close();
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    qputenv("PATH", QFile::encodeName(m_binDir.path()) + ':' + m_previousPath);
    m_root.activate();
    DBusKeeper::Instance().init();
    useIconThemes();
    m_valid = true;
}

ModelTestEnvironment::~ModelTestEnvironment()
{
    qputenv("PATH", m_previousPath);
}

bool ModelTestEnvironment::isValid() const
{
    return m_valid;
}

const SampleRoot &ModelTestEnvironment::root() const
{
    return m_root;
}

EventTreeItem *ModelTestEnvironment::parseCatalogue() const
{
    SingleEventsParser parser;
    return parser.isConfigCorrect() ? parser.parse() : nullptr;
}

void ModelTestEnvironment::useIconThemes()
{
    QIcon::setThemeSearchPaths({QStringLiteral(ADMINEVENTS_ICON_DIR), QStringLiteral("/usr/share/icons")});
    QIcon::setThemeName(QStringLiteral("breeze"));
}
