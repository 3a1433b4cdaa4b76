/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "sampleroot.h"

#include "testpaths.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

namespace
{
bool installProgram(const QString &root, const QString &from, const QString &systemPath)
{
    const QString target = root + systemPath;
    QDir().mkpath(QFileInfo(target).absolutePath());
    QFile::remove(target);
    return QFile::copy(from, target)
        && QFile::setPermissions(target,
                                 QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner | QFileDevice::ReadGroup | QFileDevice::ExeGroup
                                     | QFileDevice::ReadOther | QFileDevice::ExeOther);
}
}

SampleRoot::SampleRoot(Content content)
{
    // Without a private directory every path below would be the machine's own.
    if (!TestPaths::isUsable(m_dir)) {
        qFatal("SampleRoot: cannot make a private system tree; refusing to run on the machine's files");
    }
    bool ok = true;
    if (content == Sample) {
        ok = copyTree(QStringLiteral(SAMPLE_SYSROOT_DIR), m_dir.path());
    } else {
        for (const char *dir : {"/etc/syslog-ng/conf.d",
                                "/etc/audit/rules.d",
                                "/etc/logrotate.d",
                                "/etc/wisp-admin-events",
                                "/root/.config",
                                "/home",
                                "/usr/share/syslog-ng-mod-tarn/event-settings",
                                "/usr/share/knotifications5",
                                "/var/lib/tarnevents"}) {
            ok = ok && QDir().mkpath(m_dir.path() + QString::fromUtf8(dir));
        }
    }
    ok = ok && installProgram(m_dir.path(), QStringLiteral(CONFIG_MANAGER_BIN), QStringLiteral("/usr/sbin/tarn-event-config-manager"));
    ok = ok && installProgram(m_dir.path(), QStringLiteral(WMFUNC_BIN), QStringLiteral("/usr/bin/wisp-wmfunc"));
    m_valid = ok;
}

SampleRoot::~SampleRoot()
{
    if (m_activated) {
        if (m_hadPreviousRoot) {
            qputenv("ADMINEVENTS_ROOT", m_previousRoot);
        } else {
            qunsetenv("ADMINEVENTS_ROOT");
        }
    }
}

bool SampleRoot::isValid() const
{
    return m_valid;
}

QString SampleRoot::path() const
{
    return m_dir.path();
}

QString SampleRoot::filePath(const QString &systemPath) const
{
    return m_dir.path() + systemPath;
}

void SampleRoot::activate()
{
    if (!m_valid) {
        qFatal("SampleRoot: the system tree in %s is incomplete; refusing to make it the root", qPrintable(m_dir.path()));
    }
    if (!m_activated) {
        m_hadPreviousRoot = qEnvironmentVariableIsSet("ADMINEVENTS_ROOT");
        m_previousRoot = qgetenv("ADMINEVENTS_ROOT");
        m_activated = true;
    }
    qputenv("ADMINEVENTS_ROOT", QFile::encodeName(m_dir.path()));
}

bool SampleRoot::writeFile(const QString &systemPath, const QByteArray &content) const
{
    const QString target = filePath(systemPath);
    QDir().mkpath(QFileInfo(target).absolutePath());
    QFile file(target);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(content) == content.size();
}

bool SampleRoot::removeTree(const QString &systemPath) const
{
    return TestPaths::removeTreeInside(m_dir, filePath(systemPath));
}

QByteArray SampleRoot::readFile(const QString &systemPath) const
{
    QFile file(filePath(systemPath));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool SampleRoot::copyTree(const QString &from, const QString &to)
{
    const QDir source(from);
    if (!source.exists()) {
        return false;
    }
    QDirIterator it(from, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot | QDir::NoSymLinks, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString entry = it.next();
        const QString target = to + QLatin1Char('/') + source.relativeFilePath(entry);
        const QFileInfo info = it.fileInfo();
        if (info.isDir()) {
            if (!QDir().mkpath(target)) {
                return false;
            }
        } else if (info.isFile()) {
            QDir().mkpath(QFileInfo(target).absolutePath());
            QFile::remove(target);
            if (!QFile::copy(entry, target)) {
                return false;
            }
            QFile::setPermissions(target, info.permissions() | QFileDevice::WriteOwner);
        }
    }
    return true;
}
