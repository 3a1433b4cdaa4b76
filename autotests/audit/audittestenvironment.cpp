/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "audittestenvironment.h"

#include "dbuskeeper.h"

#include <QFile>

namespace
{
const QByteArray GetentScript = QByteArrayLiteral(
    "#!/bin/sh\n"
    "case \"$1\" in\n"
    "passwd) printf 'root:x:0:0:root:/root:/bin/bash\\nalice:x:1000:1000::/home/alice:/bin/bash\\n"
    "bob:x:1001:1001::/home/bob:/bin/bash\\n' ;;\n"
    "group) printf 'root:x:0:\\nalice:x:1000:\\nbob:x:1001:\\nauditors:x:1002:alice\\n' ;;\n"
    "esac\n");
}

AuditTestEnvironment::AuditTestEnvironment()
    : m_previousPath(qgetenv("PATH"))
{
    if (!m_root.isValid() || !m_binDir.isValid()) {
        return;
    }
    QFile file(m_binDir.filePath(QStringLiteral("getent")));
    if (!file.open(QIODevice::WriteOnly) || file.write(GetentScript) != GetentScript.size()) {
        return;
    }
    file.close();
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    qputenv("PATH", QFile::encodeName(m_binDir.path()) + ':' + m_previousPath);
    m_root.activate();
    DBusKeeper::Instance().init();
    m_valid = true;
}

AuditTestEnvironment::~AuditTestEnvironment()
{
    qputenv("PATH", m_previousPath);
}

bool AuditTestEnvironment::isValid() const
{
    return m_valid;
}

const SampleRoot &AuditTestEnvironment::root() const
{
    return m_root;
}
