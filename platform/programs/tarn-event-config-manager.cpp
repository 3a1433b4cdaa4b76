/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/

// tarn-event-config-manager: saves the configuration of the security-event
// logging to an archive and restores it.
//
//   tarn-event-config-manager -o FILE   write a gzip tar archive of the files
//   tarn-event-config-manager -i FILE   restore the files from such an archive
//
// The set of files is fixed: the event settings file, the audit rules file, the
// syslog-ng common file, the logrotate file and the notification destination
// files "mod-tarn-<file id>.conf" of the syslog-ng conf.d directory. Archive
// members are named by the system path without its leading "/", for example
// "etc/tarn-syslog.conf". All paths are placed below ADMINEVENTS_ROOT through
// SystemPaths; FILE itself is taken as given.
//
// The program runs as the super-user on a file an administrator picked in a
// file dialog, so it trusts neither that file nor the archive in it:
// - export reads no configuration file through a symbolic link and refuses an
//   output path that is a symbolic link, not a regular file, a file with other
//   hard links, or an existing non-empty file that is not a gzip archive;
// - import accepts only regular-file members with the names above (no absolute
//   names, no "..", no links, devices or directories), each at most 16 MiB;
//   it reads and checks the whole archive before it touches the system, stages
//   the new files next to their targets and renames them into place (mode
//   0644), undoing what it did when a step fails. Notification destination
//   files that the archive does not hold are removed: the archive describes the
//   complete set of notifications (a directory of such a name is reported and
//   left alone). A fixed file that the archive lacks is kept. The staging
//   directories are cleaned up by the names the import gave their entries,
//   relative to the directory itself, never through a link.
//
// A build for tests (CMake option ADMINEVENTS_ROOT_PREFIX) refuses to run
// unless ADMINEVENTS_ROOT names a private tree by an absolute path.
//
// Exit status: 0 on success, 1 when the export or import failed or the root
// cannot be used, 2 on wrong usage; every failure is explained on stderr.

#include "configarchive.h"
#include "filedescriptor.h"
#include "systempaths.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <expected>
#include <memory>
#include <optional>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{
using ConfigArchive::FixedFiles;
using ConfigArchive::isNotificationFileName;
using ConfigArchive::MaxArchiveSize;
using ConfigArchive::MaxMemberSize;
using ConfigArchive::Member;

constexpr char StagingPattern[] = "/.tarn-event-config-manager-XXXXXX";
constexpr unsigned char GzipMagic[] = {0x1f, 0x8b};

using Result = std::expected<void, QString>;

void complain(const QString &message)
{
    std::fprintf(stderr, "tarn-event-config-manager: %s\n", message.toLocal8Bit().constData());
}

QString errnoText(int error = errno)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

QString shown(const QByteArray &path)
{
    return QFile::decodeName(path);
}

// --- The set of configuration files -----------------------------------------

QByteArray confDirPrefix()
{
    return QByteArray(SystemPaths::SyslogNgConfDir) + '/';
}

QByteArray resolved(const QByteArray &systemPath)
{
    return QFile::encodeName(SystemPaths::resolve(QString::fromLatin1(systemPath)));
}

// System paths of the notification destination files present in the conf.d
// directory, whatever their type.
QList<QByteArray> notificationFilesOnDisk()
{
    QList<QByteArray> paths;
    const QDir dir(SystemPaths::resolve(SystemPaths::SyslogNgConfDir));
    const QStringList names = dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Unsorted);
    for (const QString &name : names) {
        const QByteArray encodedName = QFile::encodeName(name);
        if (isNotificationFileName(encodedName)) {
            paths.append(confDirPrefix() + encodedName);
        }
    }
    std::sort(paths.begin(), paths.end());
    return paths;
}

// --- Plain file input and output ---------------------------------------------

std::expected<QByteArray, QString> readAll(int fd, qint64 limit)
{
    QByteArray data;
    char buffer[65536];
    for (;;) {
        const ssize_t count = ::read(fd, buffer, sizeof buffer);
        if (count < 0) {
            if (errno == EINTR) {
                continue;
            }
            return std::unexpected(errnoText());
        }
        if (count == 0) {
            return data;
        }
        if (data.size() + count > limit) {
            return std::unexpected(QStringLiteral("larger than %1 bytes").arg(limit));
        }
        data.append(buffer, int(count));
    }
}

// Creates `path`, which must not exist, with `content` and mode 0644, and
// flushes it to disk.
Result createFile(const QByteArray &path, const QByteArray &content)
{
    FileDescriptor fd(::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644));
    if (!fd.isValid()) {
        return std::unexpected(QStringLiteral("cannot create %1: %2").arg(shown(path), errnoText()));
    }
    if (!FileDescriptor::writeAll(fd.get(), content) || ::fchmod(fd.get(), 0644) != 0 || ::fsync(fd.get()) != 0) {
        return std::unexpected(QStringLiteral("cannot write %1: %2").arg(shown(path), errnoText()));
    }
    if (!fd.close()) {
        return std::unexpected(QStringLiteral("cannot write %1: %2").arg(shown(path), errnoText()));
    }
    return {};
}

void syncDirectory(const QByteArray &dir)
{
    FileDescriptor fd(::open(dir.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.isValid()) {
        ::fsync(fd.get());
    }
}

QByteArray directoryOf(const QByteArray &path)
{
    const int slash = path.lastIndexOf('/');
    return slash <= 0 ? QByteArray("/") : path.left(slash);
}

QByteArray fileNameOf(const QByteArray &path)
{
    return path.mid(path.lastIndexOf('/') + 1);
}

// --- Export ------------------------------------------------------------------

// Reads one file of the set. Nothing when it is missing or is not a regular
// file (a symbolic link is never followed); an error when it cannot be read.
std::expected<std::optional<Member>, QString> readConfigFile(const QByteArray &systemPath)
{
    const QByteArray path = resolved(systemPath);
    struct stat status;
    if (::lstat(path.constData(), &status) != 0) {
        if (errno == ENOENT || errno == ENOTDIR) {
            return std::nullopt;
        }
        return std::unexpected(QStringLiteral("cannot examine %1: %2").arg(shown(path), errnoText()));
    }
    if (S_ISLNK(status.st_mode)) {
        complain(QStringLiteral("skipping %1: it is a symbolic link").arg(shown(path)));
        return std::nullopt;
    }
    if (!S_ISREG(status.st_mode)) {
        complain(QStringLiteral("skipping %1: it is not a regular file").arg(shown(path)));
        return std::nullopt;
    }

    FileDescriptor fd(::open(path.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (!fd.isValid()) {
        if (errno == ELOOP) {
            complain(QStringLiteral("skipping %1: it is a symbolic link").arg(shown(path)));
            return std::nullopt;
        }
        return std::unexpected(QStringLiteral("cannot open %1: %2").arg(shown(path), errnoText()));
    }
    if (::fstat(fd.get(), &status) != 0 || !S_ISREG(status.st_mode)) {
        return std::unexpected(QStringLiteral("%1 changed while it was read").arg(shown(path)));
    }
    const auto content = readAll(fd.get(), MaxMemberSize);
    if (!content) {
        return std::unexpected(QStringLiteral("cannot read %1: %2").arg(shown(path), content.error()));
    }
    return Member{systemPath, *content, status.st_mtime};
}

// Writes the archive into `outputPath`, a file the administrator chose: a new
// file, or an existing regular file that is empty or an earlier archive.
Result writeOutput(const QString &outputPath, const QByteArray &data)
{
    const QByteArray path = QFile::encodeName(outputPath);
    struct stat status;
    if (::lstat(path.constData(), &status) == 0) {
        if (S_ISLNK(status.st_mode)) {
            return std::unexpected(QStringLiteral("refusing to write %1: it is a symbolic link").arg(outputPath));
        }
        if (!S_ISREG(status.st_mode)) {
            return std::unexpected(QStringLiteral("refusing to write %1: it is not a regular file").arg(outputPath));
        }
    } else if (errno != ENOENT) {
        return std::unexpected(QStringLiteral("cannot examine %1: %2").arg(outputPath, errnoText()));
    }

    FileDescriptor fd(::open(path.constData(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0644));
    if (!fd.isValid()) {
        if (errno == ELOOP) {
            return std::unexpected(QStringLiteral("refusing to write %1: it is a symbolic link").arg(outputPath));
        }
        return std::unexpected(QStringLiteral("cannot open %1: %2").arg(outputPath, errnoText()));
    }
    if (::fstat(fd.get(), &status) != 0) {
        return std::unexpected(QStringLiteral("cannot examine %1: %2").arg(outputPath, errnoText()));
    }
    if (!S_ISREG(status.st_mode)) {
        return std::unexpected(QStringLiteral("refusing to write %1: it is not a regular file").arg(outputPath));
    }
    if (status.st_nlink != 1) {
        return std::unexpected(QStringLiteral("refusing to write %1: it has other hard links").arg(outputPath));
    }
    if (status.st_size > 0) {
        unsigned char head[sizeof GzipMagic] = {};
        if (::pread(fd.get(), head, sizeof head, 0) != ssize_t(sizeof head) || std::memcmp(head, GzipMagic, sizeof head) != 0) {
            return std::unexpected(QStringLiteral("refusing to overwrite %1: it is not a gzip archive").arg(outputPath));
        }
    }
    if (::ftruncate(fd.get(), 0) != 0 || !FileDescriptor::writeAll(fd.get(), data) || ::fsync(fd.get()) != 0 || !fd.close()) {
        return std::unexpected(QStringLiteral("cannot write %1: %2").arg(outputPath, errnoText()));
    }
    return {};
}

Result exportConfiguration(const QString &outputPath)
{
    QList<QByteArray> paths;
    for (const char *fixed : FixedFiles) {
        paths.append(QByteArray(fixed));
    }
    paths.append(notificationFilesOnDisk());

    QList<Member> files;
    for (const QByteArray &systemPath : std::as_const(paths)) {
        const auto file = readConfigFile(systemPath);
        if (!file) {
            return std::unexpected(file.error());
        }
        if (file->has_value()) {
            files.append(**file);
        }
    }
    if (files.isEmpty()) {
        return std::unexpected(QStringLiteral("no configuration file found below %1").arg(SystemPaths::resolve(QStringLiteral("/"))));
    }

    const auto archive = ConfigArchive::build(files);
    if (!archive) {
        return std::unexpected(archive.error());
    }
    return writeOutput(outputPath, *archive);
}

// --- Import ------------------------------------------------------------------

std::expected<QByteArray, QString> readInput(const QString &inputPath)
{
    const QByteArray path = QFile::encodeName(inputPath);
    struct stat status;
    if (::lstat(path.constData(), &status) != 0) {
        return std::unexpected(QStringLiteral("cannot open %1: %2").arg(inputPath, errnoText()));
    }
    if (S_ISLNK(status.st_mode)) {
        return std::unexpected(QStringLiteral("refusing to read %1: it is a symbolic link").arg(inputPath));
    }
    FileDescriptor fd(::open(path.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (!fd.isValid()) {
        return std::unexpected(QStringLiteral("cannot open %1: %2").arg(inputPath, errnoText()));
    }
    if (::fstat(fd.get(), &status) != 0 || !S_ISREG(status.st_mode)) {
        return std::unexpected(QStringLiteral("refusing to read %1: it is not a regular file").arg(inputPath));
    }
    const auto data = readAll(fd.get(), MaxArchiveSize);
    if (!data) {
        return std::unexpected(QStringLiteral("cannot read %1: %2").arg(inputPath, data.error()));
    }
    return *data;
}

// The temporary directories, one next to each target directory, in which an
// import prepares the new files and keeps the replaced ones until it is done.
class StagingArea
{
public:
    StagingArea() = default;
    StagingArea(const StagingArea &) = delete;
    StagingArea &operator=(const StagingArea &) = delete;

    ~StagingArea()
    {
        if (m_keep) {
            return;
        }
        for (auto it = m_staging.cbegin(); it != m_staging.cend(); ++it) {
            removeStaging(it.value(), m_entries.value(it.value()));
        }
        if (!m_succeeded) {
            for (auto it = m_createdDirs.crbegin(); it != m_createdDirs.crend(); ++it) {
                ::rmdir(it->constData());
            }
        }
    }

    // The staging directory for files that go into `targetDir`, created with
    // `targetDir` itself when needed.
    std::expected<QByteArray, QString> stagingFor(const QByteArray &targetDir)
    {
        const auto known = m_staging.constFind(targetDir);
        if (known != m_staging.cend()) {
            return *known;
        }
        const Result made = makeDirectories(targetDir);
        if (!made) {
            return std::unexpected(made.error());
        }
        QByteArray pattern = targetDir + StagingPattern;
        if (!::mkdtemp(pattern.data())) {
            return std::unexpected(QStringLiteral("cannot create a temporary directory in %1: %2").arg(shown(targetDir), errnoText()));
        }
        m_staging.insert(targetDir, pattern);
        return pattern;
    }

    // The path of the entry `name` in `stagingDir`, noted for the clean-up.
    QByteArray entry(const QByteArray &stagingDir, const QByteArray &name)
    {
        m_entries[stagingDir].append(name);
        return stagingDir + '/' + name;
    }

    QList<QByteArray> targetDirectories() const
    {
        return m_staging.keys();
    }
    QList<QByteArray> stagingDirectories() const
    {
        return m_staging.values();
    }

    void setSucceeded()
    {
        m_succeeded = true;
    }
    // Leaves the staging directories in place: they hold the only copy of a file.
    void keep()
    {
        m_keep = true;
    }

private:
    // Removes the entries this import made in `stagingDir`, by name relative
    // to the directory itself (never through a link in its place), then the
    // directory when it is empty.
    static void removeStaging(const QByteArray &stagingDir, const QList<QByteArray> &names)
    {
        FileDescriptor dir(::open(stagingDir.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (!dir.isValid()) {
            complain(QStringLiteral("cannot clean up %1: %2").arg(shown(stagingDir), errnoText()));
            return;
        }
        for (const QByteArray &name : names) {
            if (::unlinkat(dir.get(), name.constData(), 0) != 0 && errno != ENOENT) {
                complain(QStringLiteral("cannot remove %1/%2: %3").arg(shown(stagingDir), shown(name), errnoText()));
            }
        }
        if (::rmdir(stagingDir.constData()) != 0) {
            complain(QStringLiteral("cannot remove %1: %2").arg(shown(stagingDir), errnoText()));
        }
    }

    Result makeDirectories(const QByteArray &dir)
    {
        QByteArray path;
        const QList<QByteArray> parts = dir.split('/');
        for (const QByteArray &part : parts) {
            if (part.isEmpty()) {
                continue;
            }
            path += '/' + part;
            struct stat status;
            if (::stat(path.constData(), &status) == 0) {
                if (!S_ISDIR(status.st_mode)) {
                    return std::unexpected(QStringLiteral("%1 is not a directory").arg(shown(path)));
                }
                continue;
            }
            if (errno != ENOENT || ::mkdir(path.constData(), 0755) != 0) {
                return std::unexpected(QStringLiteral("cannot create the directory %1: %2").arg(shown(path), errnoText()));
            }
            m_createdDirs.append(path);
        }
        return {};
    }

    QHash<QByteArray, QByteArray> m_staging;
    QHash<QByteArray, QList<QByteArray>> m_entries;
    QList<QByteArray> m_createdDirs;
    bool m_succeeded = false;
    bool m_keep = false;
};

// One change to the system: a file put in place, or a file removed.
struct Step {
    QByteArray target;
    QByteArray staged; // the new file; empty for a removal
    QByteArray backup; // a hard link to the file it replaces; empty when there was none
    bool done = false;
};

Result restoreMembers(const QList<Member> &members)
{
    QList<Step> steps;
    QSet<QByteArray> archived;
    for (const Member &member : members) {
        archived.insert(member.systemPath);
    }
    StagingArea staging;

    // Prepare: nothing visible changes here except directories that had to be created.
    const auto prepare = [&](const QByteArray &systemPath, const QByteArray *content) -> Result {
        Step step;
        step.target = resolved(systemPath);
        const auto dir = staging.stagingFor(directoryOf(step.target));
        if (!dir) {
            return std::unexpected(dir.error());
        }
        const QByteArray name = fileNameOf(step.target);
        if (content) {
            step.staged = staging.entry(*dir, "new." + name);
            const Result created = createFile(step.staged, *content);
            if (!created) {
                return created;
            }
        }
        struct stat status;
        if (::lstat(step.target.constData(), &status) == 0) {
            if (S_ISDIR(status.st_mode)) {
                return std::unexpected(QStringLiteral("%1 is a directory").arg(shown(step.target)));
            }
            step.backup = staging.entry(*dir, "old." + name);
            if (::link(step.target.constData(), step.backup.constData()) != 0) {
                return std::unexpected(QStringLiteral("cannot keep a copy of %1: %2").arg(shown(step.target), errnoText()));
            }
        } else if (errno != ENOENT) {
            return std::unexpected(QStringLiteral("cannot examine %1: %2").arg(shown(step.target), errnoText()));
        }
        steps.append(step);
        return {};
    };
    for (const Member &member : members) {
        const Result prepared = prepare(member.systemPath, &member.content);
        if (!prepared) {
            return prepared;
        }
    }
    const QList<QByteArray> onDisk = notificationFilesOnDisk();
    for (const QByteArray &systemPath : onDisk) {
        if (!archived.contains(systemPath)) {
            // Only files are notification files: a directory of that name is
            // nobody's configuration, and it must not block every import.
            struct stat status;
            const QByteArray path = resolved(systemPath);
            if (::lstat(path.constData(), &status) == 0 && S_ISDIR(status.st_mode)) {
                complain(QStringLiteral("leaving %1 alone: it is a directory, not a notification file").arg(shown(path)));
                continue;
            }
            const Result prepared = prepare(systemPath, nullptr);
            if (!prepared) {
                return prepared;
            }
        }
    }

    // Commit: every step is a single rename or unlink.
    for (Step &step : steps) {
        const bool ok = step.staged.isEmpty() ? ::unlink(step.target.constData()) == 0 : ::rename(step.staged.constData(), step.target.constData()) == 0;
        if (ok) {
            step.done = true;
            continue;
        }
        QString failure = QStringLiteral("cannot %1 %2: %3")
                              .arg(step.staged.isEmpty() ? QStringLiteral("remove") : QStringLiteral("replace"), shown(step.target), errnoText());
        // Undo, newest first.
        bool undone = true;
        for (auto it = steps.rbegin(); it != steps.rend(); ++it) {
            if (!it->done) {
                continue;
            }
            const bool restored = it->backup.isEmpty() ? ::unlink(it->target.constData()) == 0 : ::rename(it->backup.constData(), it->target.constData()) == 0;
            if (!restored) {
                undone = false;
                failure += QStringLiteral("; cannot restore %1: %2").arg(shown(it->target), errnoText());
            }
        }
        if (!undone) {
            staging.keep();
            QStringList kept;
            for (const QByteArray &dir : staging.stagingDirectories()) {
                kept.append(shown(dir));
            }
            failure += QStringLiteral("; the previous files are kept as old.* in %1").arg(kept.join(QStringLiteral(", ")));
        }
        return std::unexpected(failure);
    }

    for (const QByteArray &dir : staging.targetDirectories()) {
        syncDirectory(dir);
    }
    staging.setSucceeded();
    return {};
}

Result importConfiguration(const QString &inputPath)
{
    const auto data = readInput(inputPath);
    if (!data) {
        return std::unexpected(data.error());
    }
    const auto members = ConfigArchive::read(*data);
    if (!members) {
        return std::unexpected(members.error());
    }
    return restoreMembers(*members);
}

void printUsage()
{
    std::fprintf(stderr,
                 "usage: tarn-event-config-manager -o FILE   export the logging configuration to FILE\n"
                 "       tarn-event-config-manager -i FILE   import the logging configuration from FILE\n");
}
}

int main(int argc, char **argv)
{
    ::umask(022);

    if (const auto problem = SystemPaths::rootProblem(SystemPaths::RootUse::PrivateTreeRequired)) {
        complain(*problem);
        return 1;
    }

    if (argc != 3 || argv[2][0] == '\0') {
        printUsage();
        return 2;
    }
    const QString file = QFile::decodeName(argv[2]);
    Result result;
    if (std::strcmp(argv[1], "-o") == 0) {
        result = exportConfiguration(file);
    } else if (std::strcmp(argv[1], "-i") == 0) {
        result = importConfiguration(file);
    } else {
        printUsage();
        return 2;
    }
    if (!result) {
        complain(result.error());
        return 1;
    }
    return 0;
}
