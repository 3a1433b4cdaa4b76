/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "backupstore.h"

#include "actionids.h"
#include "fileio.h"
#include "pathpolicy.h"
#include "systempaths.h"

#include <KLocalizedString>

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QUuid>

#include <cerrno>
#include <cstring>

#include <sys/stat.h>
#include <unistd.h>

namespace
{
const QString ManifestName = QStringLiteral("manifest");
const QString GenerationKey = QStringLiteral("generation");
const QString FilesKey = QStringLiteral("files");
const QString StoredKey = QStringLiteral("stored"); // absent: the file was missing
const QString ModeKey = QStringLiteral("mode");
constexpr qint64 MaxManifestSize = 4 * 1024 * 1024;
constexpr qint64 MaxFileSize = 64 * 1024 * 1024;

QString stateDir()
{
    return SystemPaths::resolve(SystemPaths::PreviousConfigDir);
}

QString statePath(const QString &name)
{
    return stateDir() + QLatin1Char('/') + name;
}

// The state directory, made when missing: every directory from the root
// prefix down is checked, the helper's own two are private.
BackupStore::Result makeStateDir()
{
    const QString root = SystemPaths::rootPrefix();
    const QString relative = QString::fromUtf8(SystemPaths::PreviousConfigDir);
    const QStringList parts = relative.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    QString walked = root;
    for (int index = 0; index < parts.size(); ++index) {
        walked += QLatin1Char('/') + parts.at(index);
        const bool own = index >= parts.size() - 2;
        struct stat status;
        const QByteArray encoded = QFile::encodeName(walked);
        if (::lstat(encoded.constData(), &status) != 0) {
            if (errno != ENOENT || ::mkdir(encoded.constData(), own ? 0700 : 0755) != 0) {
                return std::unexpected(i18n("cannot create %1: %2", walked, QString::fromLocal8Bit(std::strerror(errno))));
            }
            continue;
        }
        if (!S_ISDIR(status.st_mode)) {
            return std::unexpected(i18n("refused \"%1\": not a directory (or a symbolic link)", walked));
        }
        if (own && ((status.st_mode & 07777) != 0700 || status.st_uid != ::geteuid())) {
            return std::unexpected(i18n("refused \"%1\": not a private directory of the helper", walked));
        }
    }
    return {};
}

std::expected<QJsonObject, QString> readManifest()
{
    const QString path = statePath(ManifestName);
    if (const auto verdict = PathPolicy::checkStatePath(path); !verdict) {
        return std::unexpected(verdict.error());
    }
    const auto content = FileIo::readRegularFile(path, MaxManifestSize);
    if (!content) {
        return std::unexpected(content.error());
    }
    const QJsonObject manifest = QJsonDocument::fromJson(*content).object();
    if (manifest.value(GenerationKey).toString().isEmpty()) {
        return std::unexpected(i18n("%1 is damaged", path));
    }
    return manifest;
}

// The name of the kept version of `systemPath` in `generation`.
QString storedName(const QString &generation, const QString &systemPath)
{
    return QString::fromLatin1(QCryptographicHash::hash((generation + QLatin1Char('\n') + systemPath).toUtf8(), QCryptographicHash::Sha256).toHex());
}

// Removes the kept versions the manifest no longer names.
void removeStale(const QJsonObject &files)
{
    QStringList named{ManifestName};
    for (const QJsonValue &entry : files) {
        named.append(entry.toObject().value(StoredKey).toString());
    }
    const QStringList present = QDir(stateDir()).entryList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QString &name : present) {
        if (!named.contains(name) && PathPolicy::checkStatePath(statePath(name))) {
            ::unlink(QFile::encodeName(statePath(name)).constData());
        }
    }
}
}

BackupStore::BackupStore(const QString &generation)
    : m_generation(generation.isEmpty() ? QUuid::createUuid().toString(QUuid::WithoutBraces) : generation)
{
}

BackupStore::Result BackupStore::keep(const QStringList &paths)
{
    return record(paths, false);
}

BackupStore::Result BackupStore::keepAsMissing(const QStringList &paths)
{
    return record(paths, true);
}

BackupStore::Result BackupStore::record(const QStringList &paths, bool asMissing)
{
    if (paths.isEmpty()) {
        return {};
    }
    if (auto made = makeStateDir(); !made) {
        return made;
    }
    const auto previous = readManifest();
    // Anything else than this generation's manifest starts the generation.
    const bool same = previous && previous->value(GenerationKey).toString() == m_generation;
    QJsonObject files = same ? previous->value(FilesKey).toObject() : QJsonObject();

    bool added = false;
    for (const QString &path : paths) {
        const QString systemPath = SystemPaths::unresolve(path);
        if (systemPath.isEmpty() || files.contains(systemPath)) {
            continue;
        }
        QJsonObject entry;
        struct stat status;
        if (!asMissing && ::lstat(QFile::encodeName(path).constData(), &status) == 0) {
            const auto content = FileIo::readRegularFile(path, MaxFileSize);
            if (!content) {
                return std::unexpected(content.error());
            }
            const QString name = storedName(m_generation, systemPath);
            if (const auto verdict = PathPolicy::checkStatePath(statePath(name)); !verdict) {
                return std::unexpected(verdict.error());
            }
            if (auto written = FileIo::replaceFile(statePath(name), *content, 0600); !written) {
                return written;
            }
            entry.insert(StoredKey, name);
            entry.insert(ModeKey, int(status.st_mode & 07777));
        }
        files.insert(systemPath, entry);
        added = true;
    }
    if (!added && same) {
        return {};
    }
    const QJsonObject manifest{{GenerationKey, m_generation}, {FilesKey, files}};
    if (auto written = FileIo::replaceFile(statePath(ManifestName), QJsonDocument(manifest).toJson(), 0600); !written) {
        return written;
    }
    removeStale(files);
    return {};
}

std::expected<QStringList, QString> BackupStore::restore()
{
    if (!QFile::exists(statePath(ManifestName))) {
        return std::unexpected(QString::fromLatin1(ActionIds::NothingToRestoreError));
    }
    const auto manifest = readManifest();
    if (!manifest) {
        return std::unexpected(manifest.error());
    }
    const QJsonObject files = manifest->value(FilesKey).toObject();
    QStringList restored;
    QStringList failures;
    for (auto it = files.constBegin(); it != files.constEnd(); ++it) {
        const QString path = SystemPaths::resolve(it.key());
        const QJsonObject entry = it.value().toObject();
        Result done;
        if (const auto verdict = PathPolicy::checkManagedFile(path); !verdict) {
            done = std::unexpected(verdict.error());
        } else if (!entry.contains(StoredKey)) {
            if (::unlink(QFile::encodeName(path).constData()) != 0 && errno != ENOENT) {
                done = std::unexpected(i18n("cannot remove %1: %2", path, QString::fromLocal8Bit(std::strerror(errno))));
            }
        } else {
            const QString stored = statePath(entry.value(StoredKey).toString());
            auto content = PathPolicy::checkStatePath(stored) ? FileIo::readRegularFile(stored, MaxFileSize)
                                                              : std::expected<QByteArray, QString>(std::unexpect, QStringLiteral("refused ") + stored);
            if (content) {
                done = FileIo::replaceFile(path, *content, mode_t(entry.value(ModeKey).toInt(0644)));
            } else {
                done = std::unexpected(content.error());
            }
        }
        if (done) {
            restored.append(it.key());
        } else {
            failures.append(done.error());
        }
    }
    if (!failures.isEmpty()) {
        return std::unexpected(failures.join(QLatin1Char('\n')));
    }
    return restored;
}
