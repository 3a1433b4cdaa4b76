/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#pragma once

#include <QByteArray>
#include <QString>

#include <expected>
#include <vector>

#include <sys/types.h>

// The helper's file input and output, through plain system calls so that
// every failed write is seen, and the credentials it does them with.
namespace FileIo
{
using Result = std::expected<void, QString>;

// Replaces the file at `path` with `content` in one step: the bytes go to a
// new temporary file beside it (created exclusively, never through a link),
// which is flushed to disk and renamed over `path` only when every byte was
// written. On any failure the old file stays as it was and the temporary
// file is removed. The new file gets `mode`, or, with keepMode, the mode of
// the file it replaces when there is one.
Result replaceFile(const QString &path, const QByteArray &content, mode_t mode, bool keepMode = false);

// The whole content of the regular file at `path`, opened without following
// a symbolic link; at most `maxSize` bytes.
std::expected<QByteArray, QString> readRegularFile(const QString &path, qint64 maxSize);

// While it lives, the process touches files with the file system user and
// group identities of `uid` (its primary group and its supplementary groups
// as the user database gives them), as that user would. The previous ones
// come back when it goes out of scope. A `uid` equal to the process's own
// changes nothing.
class Credentials
{
public:
    explicit Credentials(uid_t uid);
    ~Credentials();
    Credentials(const Credentials &) = delete;
    Credentials &operator=(const Credentials &) = delete;

    // Empty when the switch took place, otherwise why not (nothing changed then).
    Result status() const;

private:
    void restore();

    Result m_status;
    bool m_switched = false;
    uid_t m_previousUid = 0;
    gid_t m_previousGid = 0;
    std::vector<gid_t> m_previousGroups;
};
}
