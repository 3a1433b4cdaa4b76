/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "fakeprogram.h"

#include <QDir>
#include <QFile>

FakeProgram::FakeProgram(const QString &directory, const QString &name, const QString &body)
    : m_path(directory + QLatin1Char('/') + name)
    , m_logPath(directory + QLatin1Char('/') + name + QStringLiteral(".calls"))
{
    QDir().mkpath(directory);
    QFile script(m_path);
    script.open(QIODevice::WriteOnly | QIODevice::Truncate);
    script.write(QStringLiteral("#!/bin/sh\n"
                                "LOG='%1'\n"
                                "printf '%s\\n' \"$*\" >> \"$LOG\"\n"
                                "%2\n"
                                "exit 0\n")
                     .arg(m_logPath, body)
                     .toUtf8());
    script.close();
    script.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner | QFileDevice::ReadGroup | QFileDevice::ExeGroup
                          | QFileDevice::ReadOther | QFileDevice::ExeOther);
}

QString FakeProgram::path() const
{
    return m_path;
}

QString FakeProgram::logPath() const
{
    return m_logPath;
}

QStringList FakeProgram::calls() const
{
    QFile log(m_logPath);
    if (!log.open(QIODevice::ReadOnly)) {
        return {};
    }
    return QString::fromUtf8(log.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

void FakeProgram::clearCalls() const
{
    QFile::remove(m_logPath);
}

void FakeProgram::prependToPath(const QString &directory)
{
    qputenv("PATH", QFile::encodeName(directory) + ':' + qgetenv("PATH"));
}

QString FakeProgram::systemctlBody(const QString &stateDir)
{
    return QStringLiteral(
               "STATE='%1'\n"
               "case \"$1\" in\n"
               "status) [ -e \"$STATE/$2.active\" ] || exit 3 ;;\n"
               "start|restart) touch \"$STATE/$2.active\" ;;\n"
               "stop) rm -f \"$STATE/$2.active\" ;;\n"
               "esac\n")
        .arg(stateDir);
}
