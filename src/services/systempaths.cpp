/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "systempaths.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace SystemPaths
{
bool rootPrefixEnabled()
{
#ifdef ADMINEVENTS_ROOT_PREFIX
    return true;
#else
    return false;
#endif
}

QString systemProgram(const char *absolutePath)
{
    const QString path = QString::fromUtf8(absolutePath);
    return rootPrefixEnabled() ? path.mid(path.lastIndexOf(QLatin1Char('/')) + 1) : path;
}

QString findSystemProgram(const char *absolutePath)
{
    const QString program = systemProgram(absolutePath);
    if (rootPrefixEnabled()) {
        return QStandardPaths::findExecutable(program);
    }
    const QFileInfo file(program);
    return file.isFile() && file.isExecutable() ? program : QString();
}

namespace
{
// ADMINEVENTS_ROOT without trailing slashes ("" for unset, empty or "/").
QString rootVariable()
{
    QString root = qEnvironmentVariable("ADMINEVENTS_ROOT");
    while (root.endsWith(QLatin1Char('/'))) {
        root.chop(1);
    }
    return root;
}

bool isRelative(const QString &root)
{
    return !root.isEmpty() && !root.startsWith(QLatin1Char('/'));
}
}

std::optional<QString> rootProblem(RootUse use)
{
    if (!rootPrefixEnabled()) {
        return std::nullopt;
    }
    const QString root = rootVariable();
    if (isRelative(root)) {
        return QStringLiteral("ADMINEVENTS_ROOT is not an absolute path: %1").arg(qEnvironmentVariable("ADMINEVENTS_ROOT"));
    }
    if (use == RootUse::PrivateTreeRequired && root.isEmpty()) {
        return QStringLiteral("ADMINEVENTS_ROOT names no private system tree (this build is for tests and demos only)");
    }
    return std::nullopt;
}

bool rootIsUsable(RootUse use)
{
    return !rootProblem(use).has_value();
}

QString rootPrefix()
{
    if (!rootPrefixEnabled()) {
        return QString();
    }
    const QString root = rootVariable();
    return isRelative(root) ? QString::fromUtf8(UnusableRoot) : root;
}

QString resolve(const QString &absolutePath)
{
    const QString root = rootPrefix();
    if (root.isEmpty()) {
        return absolutePath;
    }
    if (absolutePath.startsWith(QLatin1Char('/'))) {
        return root + absolutePath;
    }
    return root + QLatin1Char('/') + absolutePath;
}

QString resolve(const char *absolutePath)
{
    return resolve(QString::fromUtf8(absolutePath));
}

QString unresolve(const QString &resolvedPath)
{
    const QString root = rootPrefix();
    const QString clean = QDir::cleanPath(resolvedPath);
    if (root.isEmpty()) {
        return clean.startsWith(QLatin1Char('/')) ? clean : QString();
    }
    if (clean == root) {
        return QStringLiteral("/");
    }
    if (clean.startsWith(root + QLatin1Char('/'))) {
        return clean.mid(root.size());
    }
    return QString();
}

QString notificationDestinationFile(const QString &fileId)
{
    return resolve(QStringLiteral("%1/mod-tarn-%2.conf").arg(QString::fromUtf8(SyslogNgConfDir), fileId));
}
}
