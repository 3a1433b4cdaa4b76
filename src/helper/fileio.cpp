/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "fileio.h"

#include "filedescriptor.h"

#include <KLazyLocalizedString>
#include <KLocalizedString>

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/fsuid.h>
#include <sys/stat.h>
#include <unistd.h>

namespace FileIo
{
namespace
{
QString errnoText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// `what` takes the path and the system's reason.
std::unexpected<QString> failure(const KLazyLocalizedString &what, const QString &path, int error)
{
    return std::unexpected(KLocalizedString(what).subs(path).subs(errnoText(error)).toString());
}

void syncDirectoryOf(const QByteArray &path)
{
    const int fd = ::open(path.left(path.lastIndexOf('/') + 1).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}
}

Result replaceFile(const QString &path, const QByteArray &content, mode_t mode, bool keepMode)
{
    const QByteArray target = QFile::encodeName(path);
    if (!target.startsWith('/')) {
        return std::unexpected(i18n("cannot write %1: not an absolute path", path));
    }
    struct stat old;
    if (keepMode && ::lstat(target.constData(), &old) == 0 && S_ISREG(old.st_mode)) {
        mode = old.st_mode & 07777;
    }

    // mkostemp creates the file exclusively: it never opens an existing
    // file nor follows a link.
    QByteArray temporary = target + ".XXXXXX";
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) {
        return failure(kli18n("cannot create a new file beside %1: %2"), path, errno);
    }
    const bool written = FileDescriptor::writeAll(fd, content) && ::fchmod(fd, mode) == 0 && ::fsync(fd) == 0;
    int error = errno;
    const bool closed = ::close(fd) == 0;
    if (written && !closed) {
        error = errno;
    }
    if (!written || !closed) {
        ::unlink(temporary.constData());
        return failure(kli18n("cannot write %1: %2"), path, error);
    }
    if (::rename(temporary.constData(), target.constData()) != 0) {
        error = errno;
        ::unlink(temporary.constData());
        return failure(kli18n("cannot replace %1: %2"), path, error);
    }
    syncDirectoryOf(target);
    return {};
}

std::expected<QByteArray, QString> readRegularFile(const QString &path, qint64 maxSize)
{
    // O_NONBLOCK: opening a FIFO must not hang; it is refused below.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return failure(kli18n("cannot open %1: %2"), path, errno);
    }
    struct stat status;
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(fd);
        return std::unexpected(i18n("cannot read %1: not a regular file", path));
    }
    QByteArray content;
    char buffer[65536];
    for (;;) {
        const ssize_t count = ::read(fd, buffer, sizeof buffer);
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count < 0) {
            const int error = errno;
            ::close(fd);
            return failure(kli18n("cannot read %1: %2"), path, error);
        }
        if (count == 0) {
            break;
        }
        if (content.size() + count > maxSize) {
            ::close(fd);
            return std::unexpected(i18n("cannot read %1: larger than %2 bytes", path, maxSize));
        }
        content.append(buffer, int(count));
    }
    ::close(fd);
    return content;
}

Credentials::Credentials(uid_t uid)
{
    if (uid == ::geteuid()) {
        return;
    }
    const struct passwd *user = ::getpwuid(uid);
    if (!user) {
        m_status = std::unexpected(i18n("user %1 is unknown", uid));
        return;
    }
    const gid_t gid = user->pw_gid;
    const QByteArray name(user->pw_name);
    int count = 0;
    ::getgrouplist(name.constData(), gid, nullptr, &count);
    std::vector<gid_t> groups(size_t(std::max(count, 1)), gid);
    if (::getgrouplist(name.constData(), gid, groups.data(), &count) < 0) {
        m_status = std::unexpected(i18n("cannot list the groups of user %1", uid));
        return;
    }
    const int previousCount = ::getgroups(0, nullptr);
    m_previousGroups.resize(std::max(previousCount, 0));
    if (previousCount < 0 || ::getgroups(previousCount, m_previousGroups.data()) < 0) {
        m_status = std::unexpected(i18n("cannot read the process's groups: %1", errnoText(errno)));
        return;
    }
    // setfsuid() and setfsgid() return the previous value and change nothing
    // when given -1; they report no error otherwise.
    m_previousUid = uid_t(::setfsuid(uid_t(-1)));
    m_previousGid = gid_t(::setfsgid(gid_t(-1)));
    m_switched = true;
    bool switched = ::setgroups(size_t(count), groups.data()) == 0;
    if (switched) {
        ::setfsgid(gid);
        ::setfsuid(uid);
        switched = gid_t(::setfsgid(gid_t(-1))) == gid && uid_t(::setfsuid(uid_t(-1))) == uid;
    }
    if (!switched) {
        m_status = std::unexpected(i18n("cannot act as user %1", uid));
        restore();
    }
}

Credentials::~Credentials()
{
    restore();
}

Result Credentials::status() const
{
    return m_status;
}

void Credentials::restore()
{
    if (!m_switched) {
        return;
    }
    m_switched = false;
    ::setfsuid(m_previousUid);
    ::setfsgid(m_previousGid);
    if (uid_t(::setfsuid(uid_t(-1))) != m_previousUid || gid_t(::setfsgid(gid_t(-1))) != m_previousGid
        || ::setgroups(size_t(m_previousGroups.size()), m_previousGroups.data()) != 0) {
        // Going on with another identity than the process's own would be worse.
        std::abort();
    }
}
}
