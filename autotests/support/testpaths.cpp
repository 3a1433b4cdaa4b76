/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "testpaths.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

namespace TestPaths
{
bool isUsable(const QTemporaryDir &dir)
{
    if (!dir.isValid()) {
        qCritical("no temporary directory: %s", qPrintable(dir.errorString()));
        return false;
    }
    if (!QDir::isAbsolutePath(dir.path()) || QDir::cleanPath(dir.path()) == QLatin1String("/")) {
        qCritical("the temporary directory is not a private absolute path: %s", qPrintable(dir.path()));
        return false;
    }
    return true;
}

bool isInside(const QTemporaryDir &dir, const QString &path)
{
    if (!isUsable(dir) || path.isEmpty() || !QDir::isAbsolutePath(path)) {
        return false;
    }
    const QString base = QDir::cleanPath(dir.path()) + QLatin1Char('/');
    const QString clean = QDir::cleanPath(path);
    if (!clean.startsWith(base) || clean.size() == base.size()) {
        return false;
    }
    // The existing directories on the way must not lead elsewhere.
    const QString canonicalBase = QFileInfo(dir.path()).canonicalFilePath() + QLatin1Char('/');
    QString existing = QFileInfo(clean).absolutePath();
    while (!QFileInfo::exists(existing) && existing.size() > base.size()) {
        existing = QFileInfo(existing).absolutePath();
    }
    const QString canonical = QFileInfo(existing).canonicalFilePath() + QLatin1Char('/');
    return canonical.startsWith(canonicalBase);
}

bool removeTreeInside(const QTemporaryDir &dir, const QString &path)
{
    if (!isInside(dir, path)) {
        qCritical("refusing to remove %s: not inside the test's temporary directory %s", qPrintable(path), qPrintable(dir.path()));
        return false;
    }
    const QFileInfo info(path);
    if (info.isSymLink() || (info.exists() && !info.isDir())) {
        return QFile::remove(path);
    }
    return !info.exists() || QDir(path).removeRecursively();
}
}
