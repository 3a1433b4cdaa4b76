/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "pathpolicy.h"

#include "systempaths.h"

#include <KLocalizedString>

#include <QFile>
#include <QStringList>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <sys/stat.h>

namespace
{
constexpr const char *FixedFiles[] = {
    SystemPaths::EventSettingsFile,
    SystemPaths::AuditRulesFile,
    SystemPaths::SyslogNgCommonFile,
    SystemPaths::LogrotateFile,
};

const QString NotificationPrefix = QStringLiteral("mod-tarn-");
const QString NotificationSuffix = QStringLiteral(".conf");

std::unexpected<QString> refused(const QString &path, const QString &reason)
{
    return std::unexpected(i18n("refused \"%1\": %2", path, reason));
}

QString errnoText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

enum class Kind {
    Missing,
    Link,
    Directory,
    Regular,
    Other,
    Unknown, // lstat failed for another reason than a missing entry
};

Kind kindOf(const QString &path, struct stat *status, int *error)
{
    if (::lstat(QFile::encodeName(path).constData(), status) != 0) {
        *error = errno;
        return (errno == ENOENT || errno == ENOTDIR) ? Kind::Missing : Kind::Unknown;
    }
    if (S_ISLNK(status->st_mode)) {
        return Kind::Link;
    }
    if (S_ISDIR(status->st_mode)) {
        return Kind::Directory;
    }
    return S_ISREG(status->st_mode) ? Kind::Regular : Kind::Other;
}

// Looks at every directory between `base` (not included) and the last
// component of `path`: none may be a symbolic link. A missing one ends the
// walk; the file layer reports it when the file is opened.
PathPolicy::Verdict checkDirectories(const QString &base, const QString &path)
{
    const int lastSlash = path.lastIndexOf(QLatin1Char('/'));
    const QStringList parts = path.mid(base.size(), lastSlash - base.size()).split(QLatin1Char('/'), Qt::SkipEmptyParts);
    QString walked = base;
    for (const QString &part : parts) {
        walked += QLatin1Char('/') + part;
        struct stat status;
        int error = 0;
        switch (kindOf(walked, &status, &error)) {
        case Kind::Missing:
            return {};
        case Kind::Link:
            return refused(path, i18n("%1 is a symbolic link", walked));
        case Kind::Unknown:
            return refused(path, i18n("cannot examine %1: %2", walked, errnoText(error)));
        case Kind::Directory:
        case Kind::Regular:
        case Kind::Other:
            break;
        }
    }
    return {};
}

PathPolicy::Verdict checkParentDirectory(const QString &path)
{
    struct stat status;
    int error = 0;
    const QString parent = path.left(std::max<qsizetype>(path.lastIndexOf(QLatin1Char('/')), 1));
    switch (kindOf(parent, &status, &error)) {
    case Kind::Directory:
        return {};
    case Kind::Missing:
    case Kind::Unknown:
        return refused(path, i18n("cannot examine %1: %2", parent, errnoText(error)));
    case Kind::Link:
    case Kind::Regular:
    case Kind::Other:
        break;
    }
    return refused(path, i18n("%1 is not a directory", parent));
}
}

bool PathPolicy::isFileId(const QString &fileId)
{
    if (fileId.isEmpty() || fileId.startsWith(QLatin1Char('.'))) {
        return false;
    }
    for (const QChar c : fileId) {
        const ushort u = c.unicode();
        const bool allowed = (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') || u == '-' || u == '_' || u == '.';
        if (!allowed) {
            return false;
        }
    }
    return true;
}

bool PathPolicy::isManagedFile(const QString &path)
{
    for (const char *fixed : FixedFiles) {
        if (path == SystemPaths::resolve(fixed)) {
            return true;
        }
    }
    const QString dir = SystemPaths::resolve(SystemPaths::SyslogNgConfDir) + QLatin1Char('/');
    if (!path.startsWith(dir)) {
        return false;
    }
    const QString name = path.mid(dir.size());
    if (!name.startsWith(NotificationPrefix) || !name.endsWith(NotificationSuffix)) {
        return false;
    }
    return isFileId(name.mid(NotificationPrefix.size(), name.size() - NotificationPrefix.size() - NotificationSuffix.size()));
}

PathPolicy::Verdict PathPolicy::checkManagedFile(const QString &path)
{
    if (!isManagedFile(path)) {
        return refused(path, i18n("not a configuration file of the security event logging"));
    }
    const Verdict directories = checkDirectories(SystemPaths::rootPrefix(), path);
    if (!directories) {
        return directories;
    }
    struct stat status;
    int error = 0;
    switch (kindOf(path, &status, &error)) {
    case Kind::Missing:
    case Kind::Regular:
        return {};
    case Kind::Link:
        return refused(path, i18n("it is a symbolic link"));
    case Kind::Unknown:
        return refused(path, i18n("cannot examine it: %1", errnoText(error)));
    case Kind::Directory:
    case Kind::Other:
        break;
    }
    return refused(path, i18n("it is not a regular file"));
}

PathPolicy::Verdict PathPolicy::checkStatePath(const QString &path)
{
    const QString dir = SystemPaths::resolve(SystemPaths::PreviousConfigDir);
    const bool isDir = path == dir;
    if (!isDir && (!path.startsWith(dir + QLatin1Char('/')) || !isFileId(path.mid(dir.size() + 1)))) {
        return refused(path, i18n("not in the helper's state directory"));
    }
    const Verdict directories = checkDirectories(SystemPaths::rootPrefix(), isDir ? path + QStringLiteral("/.") : path);
    if (!directories) {
        return directories;
    }
    struct stat status;
    int error = 0;
    switch (kindOf(path, &status, &error)) {
    case Kind::Missing:
        return {};
    case Kind::Directory:
        return isDir ? Verdict() : refused(path, i18n("it is a directory"));
    case Kind::Regular:
        return isDir ? refused(path, i18n("it is not a directory")) : Verdict();
    case Kind::Link:
        return refused(path, i18n("it is a symbolic link"));
    case Kind::Unknown:
        return refused(path, i18n("cannot examine it: %1", errnoText(error)));
    case Kind::Other:
        break;
    }
    return refused(path, i18n("it is not a regular file"));
}

PathPolicy::Verdict PathPolicy::checkArchiveFile(const QString &path, ArchiveUse use)
{
    if (!path.startsWith(QLatin1Char('/'))) {
        return refused(path, i18n("not an absolute path"));
    }
    const Verdict directories = checkDirectories(QString(), path);
    if (!directories) {
        return directories;
    }
    struct stat status;
    int error = 0;
    switch (kindOf(path, &status, &error)) {
    case Kind::Regular:
        return {};
    case Kind::Missing:
        // An export creates its archive; the directory must be there.
        if (use == ArchiveUse::Export && error == ENOENT) {
            return checkParentDirectory(path);
        }
        return refused(path, errnoText(error));
    case Kind::Unknown:
        return refused(path, errnoText(error));
    case Kind::Link:
        return refused(path, i18n("it is a symbolic link"));
    case Kind::Directory:
    case Kind::Other:
        break;
    }
    return refused(path, i18n("it is not a regular file"));
}
