/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "moduletestenvironment.h"

#include "fakeprogram.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdio>

namespace
{
const QString GetentBody = QStringLiteral(
    "case \"$1\" in\n"
    "passwd) printf 'root:x:0:0:root:/root:/bin/bash\\nalice:x:1000:1000::/home/alice:/bin/bash\\n"
    "bob:x:1001:1001::/home/bob:/bin/bash\\nnobody:x:65534:65534::/nonexistent:/usr/sbin/nologin\\n' ;;\n"
    "group) printf 'root:x:0:\\nalice:x:1000:\\nbob:x:1001:\\nnogroup:x:65534:\\n' ;;\n"
    "esac\n");
}

ModuleTestEnvironment::ModuleTestEnvironment(SampleRoot::Content content)
    : m_root(content)
    , m_previousPath(qgetenv("PATH"))
{
    if (!m_root.isValid() || !m_binDir.isValid()) {
        return;
    }
    QDir(m_binDir.path()).mkpath(QStringLiteral("state"));
    m_systemctl =
        std::make_unique<FakeProgram>(m_binDir.path(), QStringLiteral("systemctl"), FakeProgram::systemctlBody(m_binDir.filePath(QStringLiteral("state"))));
    m_getent = std::make_unique<FakeProgram>(m_binDir.path(), QStringLiteral("getent"), GetentBody);
    FakeProgram::prependToPath(m_binDir.path());
    m_root.activate();
    setServiceActive(QStringLiteral("syslog-ng"), true);
    setServiceActive(QStringLiteral("auditd"), true);
    m_valid = true;
}

ModuleTestEnvironment::~ModuleTestEnvironment()
{
    qputenv("PATH", m_previousPath);
}

bool ModuleTestEnvironment::isValid() const
{
    return m_valid;
}

const SampleRoot &ModuleTestEnvironment::root() const
{
    return m_root;
}

void ModuleTestEnvironment::setServiceActive(const QString &unit, bool active) const
{
    const QString marker = m_binDir.filePath(QStringLiteral("state/%1.active").arg(unit));
    if (active) {
        QFile file(marker);
        file.open(QIODevice::WriteOnly);
    } else {
        QFile::remove(marker);
    }
}

QStringList ModuleTestEnvironment::systemctlCalls() const
{
    return m_systemctl->calls();
}

void ModuleTestEnvironment::clearSystemctlCalls() const
{
    m_systemctl->clearCalls();
}

bool ModuleTestEnvironment::replaceFile(const QString &systemPath, const QByteArray &content) const
{
    const QString target = m_root.filePath(systemPath);
    const QString temporary = target + QStringLiteral(".new");
    QFile file(temporary);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(content) != content.size()) {
        return false;
    }
    file.close();
    return ::rename(QFile::encodeName(temporary).constData(), QFile::encodeName(target).constData()) == 0;
}
