/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <ctime>
#include <expected>
#include <optional>

// The archives of the configuration manager: a gzip-compressed tar archive
// whose members are the files of the logging configuration, each named by its
// system path without the leading "/" ("etc/tarn-syslog.conf").
//
// Reading trusts nothing of the archive: it must unpack to at most
// MaxUnpackedSize bytes and pass zlib's checks of every gzip member, and each
// tar member must be a regular file named like one of the files of the set,
// occurring once, of at most MaxMemberSize bytes, holding as many bytes as its
// header announces.
namespace ConfigArchive
{
constexpr qint64 MaxMemberSize = 16 * 1024 * 1024;
constexpr qint64 MaxTotalSize = 64 * 1024 * 1024;
constexpr qint64 MaxArchiveSize = 64 * 1024 * 1024;
// The files plus what tar puts around them (headers, padding).
constexpr qint64 MaxUnpackedSize = MaxTotalSize + 8 * 1024 * 1024;
constexpr int MaxMembers = 1024;

// The fixed files of the set, by system path.
extern const char *const FixedFiles[4];

struct Member {
    QByteArray systemPath; // "/etc/..."
    QByteArray content;
    time_t modified = 0;
};

// A file id: letters, digits, "-", "_" and ".", not starting with ".".
bool isFileId(const QByteArray &id);
// "mod-tarn-<file id>.conf".
bool isNotificationFileName(const QByteArray &name);
// The system path ("/etc/...") of an archive member, or nothing when the name
// does not belong to the set.
std::optional<QByteArray> systemPathOfMember(const QByteArray &member);
// A member name as it may be printed: bytes outside printable ASCII are
// written as \xNN.
QString printable(const QByteArray &name);

// The archive of `files`, in their order.
std::expected<QByteArray, QString> build(const QList<Member> &files);
// The gzip layer unpacked.
std::expected<QByteArray, QString> gunzip(const QByteArray &packed);
// Every member of an unpacked tar archive, checked; the first one that is not
// acceptable refuses the whole archive. Member times are not read.
std::expected<QList<Member>, QString> readMembers(const QByteArray &tarData);
// gunzip() then readMembers(): the files of an archive as read from disk.
std::expected<QList<Member>, QString> read(const QByteArray &archive);
}
