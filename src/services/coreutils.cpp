/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "coreutils.h"

#include "filedescriptor.h"
#include "systempaths.h"

#include <QAbstractTableModel>
#include <QFile>
#include <QFileInfo>
#include <QJsonParseError>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRandomGenerator>

#include <cerrno>
#include <optional>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{
// Each user's copy: "<home root>/<user>/.config/tarn-event-watcher.notifyrc".
const QByteArray UserNotifyrcName = QByteArrayLiteral("tarn-event-watcher.notifyrc");
constexpr mode_t UserNotifyrcMode = 0644;
const QByteArray NestedHomeName = QByteArrayLiteral(".lvd");
constexpr int GetentTimeoutMs = 30000;
constexpr int GetentReapMs = 1000;
constexpr int RebootWaitMs = 30000;

// The numeric id (third field) of the entry `name` of a getent database, or
// nothing when getent does not know the name or cannot be run.
std::optional<uint> lookUpId(const QString &database, const QString &name)
{
    QProcess getent;
    getent.setStandardErrorFile(QProcess::nullDevice());
    getent.start(SystemPaths::systemProgram(SystemPaths::GetentProgram), {database, QStringLiteral("--"), name}, QIODevice::ReadOnly);
    if (!getent.waitForFinished(GetentTimeoutMs)) {
        getent.kill();
        getent.waitForFinished(GetentReapMs);
        return std::nullopt;
    }
    if (getent.exitStatus() != QProcess::NormalExit || getent.exitCode() != 0) {
        return std::nullopt;
    }
    const QList<QByteArray> lines = getent.readAllStandardOutput().split('\n');
    const QByteArray key = name.toUtf8();
    for (const QByteArray &line : lines) {
        const QList<QByteArray> fields = line.split(':');
        if (fields.size() >= 3 && fields.at(0) == key) {
            bool ok = false;
            const uint id = fields.at(2).toUInt(&ok);
            return ok ? std::optional<uint>(id) : std::nullopt;
        }
    }
    return std::nullopt;
}

// Places `content` as the rc file in the configuration directory `configDir`
// of `user`: a new file made there under a temporary name (never an existing
// entry, never through a link), given to the user on the open file and
// renamed over whatever holds the name. False leaves the previous entry as it
// was.
bool placeUserRc(int configDir, const QString &user, const QByteArray &content)
{
    QByteArray temporary;
    FileDescriptor file(-1);
    for (int attempt = 0; attempt < 16 && !file.isValid(); ++attempt) {
        temporary = '.' + UserNotifyrcName + '.' + QByteArray::number(QRandomGenerator::global()->generate(), 36);
        file.reset(::openat(configDir, temporary.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
        if (!file.isValid() && errno != EEXIST) {
            return false;
        }
    }
    if (!file.isValid()) {
        return false;
    }
    bool ok = FileDescriptor::writeAll(file.get(), content);
    if (ok) {
        // A name getent does not resolve keeps the super-user as the owner.
        const auto uid = lookUpId(QStringLiteral("passwd"), user);
        const auto gid = uid ? lookUpId(QStringLiteral("group"), user) : std::nullopt;
        if (uid && gid) {
            ok = ::fchown(file.get(), *uid, *gid) == 0;
        }
    }
    ok = ok && ::fchmod(file.get(), UserNotifyrcMode) == 0;
    ok = ::close(file.release()) == 0 && ok;
    ok = ok && ::renameat(configDir, temporary.constData(), configDir, UserNotifyrcName.constData()) == 0;
    if (!ok) {
        ::unlinkat(configDir, temporary.constData(), 0);
    }
    return ok;
}

// The deployment into the homes of the directory `homeRoot` (see
// makeNotifyrcForUsers). `content` is null when the source could not be read:
// every copy then fails.
bool deployToHomes(int homeRoot, const QByteArray *content, bool isNestedRun)
{
    // The listing walks a descriptor of its own.
    DIR *listing = ::fdopendir(::dup(homeRoot));
    if (!listing) {
        return false;
    }
    bool created = false;
    while (const struct dirent *entry = ::readdir(listing)) {
        const QByteArray name(entry->d_name);
        if (name == "." || name == "..") {
            continue;
        }
        // Directories only, as a listing of them gives; a link is not entered.
        FileDescriptor home(::openat(homeRoot, name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (!home.isValid()) {
            continue;
        }
        if (name == NestedHomeName) {
            // The nested home root holds users of its own; it is not nested again.
            if (!isNestedRun) {
                created = deployToHomes(home.get(), content, true);
            }
            continue;
        }
        // No directory is created, and a link in the place of ".config" is refused.
        const FileDescriptor config(::openat(home.get(), ".config", O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (!config.isValid()) {
            created = false;
            continue;
        }
        struct stat status;
        if (::fstatat(config.get(), UserNotifyrcName.constData(), &status, AT_SYMLINK_NOFOLLOW) != 0 && errno == ENOENT) {
            created = true;
        }
        if (!content || !placeUserRc(config.get(), QFile::decodeName(name), *content)) {
            created = false;
        }
    }
    ::closedir(listing);
    return created;
}
}

namespace Core::Utils
{
bool isModelsEqual(const QAbstractTableModel *first, const QAbstractTableModel *second, Qt::ItemDataRole role)
{
    const int rows = first->rowCount();
    if (rows != second->rowCount()) {
        return false;
    }
    const int columns = first->columnCount();
    if (columns != second->columnCount()) {
        return false;
    }
    for (int row = 0; row < rows; ++row) {
        for (int column = 0; column < columns; ++column) {
            if (first->index(row, column).data(role) != second->index(row, column).data(role)) {
                return false;
            }
        }
    }
    return true;
}

std::expected<QJsonDocument, QString> convertFromJson(const QByteArray &json)
{
    if (json.isEmpty()) {
        return std::unexpected(QStringLiteral("error: json byte array is empty"));
    }
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError) {
        return std::unexpected(QStringLiteral("error: json parse error: %1").arg(error.errorString()));
    }
    return document;
}

bool makeNotifyrcForUsers(const QString &homeRoot, QFile &source)
{
    if (!SystemPaths::rootIsUsable()) {
        return false;
    }
    const FileDescriptor root(::open(QFile::encodeName(homeRoot).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!root.isValid()) {
        return false;
    }
    if (!source.isOpen() && !source.open(QIODevice::ReadOnly)) {
        return false;
    }
    source.seek(0);
    const QByteArray content = source.readAll();
    const bool readAll = source.error() == QFileDevice::NoError;
    source.close();

    const QString nestedRoot = SystemPaths::resolve(SystemPaths::NestedHomeRoot);
    const bool isNestedRun = QFileInfo(homeRoot).absoluteFilePath() == QFileInfo(nestedRoot).absoluteFilePath();
    return deployToHomes(root.get(), readAll ? &content : nullptr, isNestedRun);
}

void rebootSystem()
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), QStringLiteral("/run/user/%1").arg(qEnvironmentVariable("SUDO_UID")));

    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(SystemPaths::resolve(SystemPaths::WmFuncProgram), {QStringLiteral("WISPWM_REBOOT")});
    process.waitForFinished(RebootWaitMs);
}

std::expected<QByteArray, QString> readFile(const QString &path)
{
    QFile file(path);
    if (!file.exists()) {
        return std::unexpected(QStringLiteral("error: file doesn't exist: %1").arg(path));
    }
    if (!file.open(QIODevice::ReadOnly)) {
        return std::unexpected(QStringLiteral("error: file can't be open: %1").arg(path));
    }
    const QByteArray content = file.readAll();
    file.close();
    if (content.isEmpty()) {
        return std::unexpected(QStringLiteral("error: file is empty: %1").arg(path));
    }
    return content;
}
}
