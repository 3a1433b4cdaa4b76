/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "configarchive.h"

#include "systempaths.h"

#include <QFile>
#include <QScopeGuard>
#include <QSet>

#include <archive.h>
#include <archive_entry.h>
#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <memory>

namespace ConfigArchive
{
const char *const FixedFiles[4] = {
    SystemPaths::EventSettingsFile,
    SystemPaths::AuditRulesFile,
    SystemPaths::SyslogNgCommonFile,
    SystemPaths::LogrotateFile,
};

namespace
{
constexpr char NotificationPrefix[] = "mod-tarn-";
constexpr char NotificationSuffix[] = ".conf";
constexpr unsigned char GzipMagic[] = {0x1f, 0x8b};

struct ArchiveReadDeleter {
    void operator()(struct archive *a) const
    {
        archive_read_free(a);
    }
};
struct ArchiveWriteDeleter {
    void operator()(struct archive *a) const
    {
        archive_write_free(a);
    }
};
struct ArchiveEntryDeleter {
    void operator()(struct archive_entry *e) const
    {
        archive_entry_free(e);
    }
};

QString archiveError(struct archive *a)
{
    const char *text = archive_error_string(a);
    return text ? QString::fromLocal8Bit(text) : QStringLiteral("unknown archive error");
}

la_ssize_t appendToBuffer(struct archive *, void *clientData, const void *buffer, size_t length)
{
    static_cast<QByteArray *>(clientData)->append(static_cast<const char *>(buffer), int(length));
    return la_ssize_t(length);
}
}

QString printable(const QByteArray &name)
{
    QString text;
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte < 0x7f && byte != '\\') {
            text += QLatin1Char(c);
        } else {
            text += QStringLiteral("\\x%1").arg(byte, 2, 16, QLatin1Char('0'));
        }
    }
    return text;
}

bool isFileId(const QByteArray &id)
{
    if (id.isEmpty() || id.startsWith('.')) {
        return false;
    }
    return std::all_of(id.cbegin(), id.cend(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_' || c == '.';
    });
}

bool isNotificationFileName(const QByteArray &name)
{
    const int prefixSize = int(sizeof NotificationPrefix) - 1;
    const int suffixSize = int(sizeof NotificationSuffix) - 1;
    return name.size() > prefixSize + suffixSize && name.startsWith(NotificationPrefix) && name.endsWith(NotificationSuffix)
        && isFileId(name.mid(prefixSize, name.size() - prefixSize - suffixSize));
}

std::optional<QByteArray> systemPathOfMember(const QByteArray &member)
{
    const QByteArray path = '/' + member;
    for (const char *fixed : FixedFiles) {
        if (path == fixed) {
            return path;
        }
    }
    const QByteArray dir = QByteArray(SystemPaths::SyslogNgConfDir) + '/';
    if (path.startsWith(dir) && isNotificationFileName(path.mid(dir.size()))) {
        return path;
    }
    return std::nullopt;
}

std::expected<QByteArray, QString> build(const QList<Member> &files)
{
    QByteArray output;
    std::unique_ptr<struct archive, ArchiveWriteDeleter> writer(archive_write_new());
    if (!writer || archive_write_add_filter_gzip(writer.get()) != ARCHIVE_OK || archive_write_set_format_pax_restricted(writer.get()) != ARCHIVE_OK
        || archive_write_set_bytes_in_last_block(writer.get(), 1) != ARCHIVE_OK
        || archive_write_open(writer.get(), &output, nullptr, appendToBuffer, nullptr) != ARCHIVE_OK) {
        return std::unexpected(QStringLiteral("cannot create the archive: %1").arg(writer ? archiveError(writer.get()) : QString()));
    }
    for (const Member &file : files) {
        std::unique_ptr<struct archive_entry, ArchiveEntryDeleter> entry(archive_entry_new());
        const QByteArray member = file.systemPath.mid(1);
        archive_entry_set_pathname(entry.get(), member.constData());
        archive_entry_set_filetype(entry.get(), AE_IFREG);
        archive_entry_set_perm(entry.get(), 0644);
        archive_entry_set_size(entry.get(), file.content.size());
        archive_entry_set_mtime(entry.get(), file.modified, 0);
        archive_entry_set_uid(entry.get(), 0);
        archive_entry_set_gid(entry.get(), 0);
        archive_entry_set_uname(entry.get(), "root");
        archive_entry_set_gname(entry.get(), "root");
        if (archive_write_header(writer.get(), entry.get()) != ARCHIVE_OK
            || archive_write_data(writer.get(), file.content.constData(), size_t(file.content.size())) != file.content.size()) {
            return std::unexpected(QStringLiteral("cannot add %1 to the archive: %2").arg(QFile::decodeName(member), archiveError(writer.get())));
        }
    }
    if (archive_write_close(writer.get()) != ARCHIVE_OK) {
        return std::unexpected(QStringLiteral("cannot complete the archive: %1").arg(archiveError(writer.get())));
    }
    return output;
}

// Unpacks the gzip layer of the archive. zlib checks the CRC and length of
// every gzip member, which libarchive's gzip reader does not do, so a damaged
// archive cannot pass for a good one.
std::expected<QByteArray, QString> gunzip(const QByteArray &packed)
{
    if (packed.size() < int(sizeof GzipMagic) || std::memcmp(packed.constData(), GzipMagic, sizeof GzipMagic) != 0) {
        return std::unexpected(QStringLiteral("not a configuration archive: not gzip-compressed"));
    }
    z_stream stream{};
    if (inflateInit2(&stream, 16 + MAX_WBITS) != Z_OK) {
        return std::unexpected(QStringLiteral("cannot unpack the archive: out of memory"));
    }
    const auto end = qScopeGuard([&stream] {
        inflateEnd(&stream);
    });
    stream.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(packed.constData()));
    stream.avail_in = uInt(packed.size());

    QByteArray unpacked;
    char buffer[65536];
    for (;;) {
        stream.next_out = reinterpret_cast<Bytef *>(buffer);
        stream.avail_out = sizeof buffer;
        const int status = inflate(&stream, Z_NO_FLUSH);
        const qint64 produced = qint64(sizeof buffer) - stream.avail_out;
        if (unpacked.size() + produced > MaxUnpackedSize) {
            return std::unexpected(QStringLiteral("the archive unpacks to more than %1 bytes").arg(MaxUnpackedSize));
        }
        unpacked.append(buffer, int(produced));
        if (status == Z_STREAM_END) {
            // Writers that pad their output to whole blocks leave zeros behind the last member.
            if (std::all_of(stream.next_in, stream.next_in + stream.avail_in, [](Bytef byte) {
                    return byte == 0;
                })) {
                return unpacked;
            }
            // Another gzip member follows, as concatenated gzip files have.
            if (inflateReset(&stream) != Z_OK) {
                return std::unexpected(QStringLiteral("cannot unpack the archive"));
            }
            continue;
        }
        if (status == Z_BUF_ERROR && stream.avail_in == 0) {
            return std::unexpected(QStringLiteral("damaged archive: it is truncated"));
        }
        if (status != Z_OK && status != Z_BUF_ERROR) {
            return std::unexpected(QStringLiteral("damaged archive: %1").arg(QString::fromLatin1(stream.msg ? stream.msg : "inflate failed")));
        }
    }
}

// Reads and checks every member of the (unpacked) tar archive; the first
// member that is not acceptable refuses the whole archive.
std::expected<QList<Member>, QString> readMembers(const QByteArray &tarData)
{
    std::unique_ptr<struct archive, ArchiveReadDeleter> reader(archive_read_new());
    if (!reader || archive_read_support_format_tar(reader.get()) != ARCHIVE_OK
        || archive_read_open_memory(reader.get(), tarData.constData(), size_t(tarData.size())) != ARCHIVE_OK) {
        return std::unexpected(QStringLiteral("not a configuration archive: %1").arg(reader ? archiveError(reader.get()) : QString()));
    }

    QList<Member> members;
    QSet<QByteArray> seen;
    qint64 total = 0;
    for (;;) {
        struct archive_entry *entry = nullptr;
        const int status = archive_read_next_header(reader.get(), &entry);
        if (status == ARCHIVE_EOF) {
            break;
        }
        if (status != ARCHIVE_OK) {
            return std::unexpected(QStringLiteral("damaged archive: %1").arg(archiveError(reader.get())));
        }
        if (members.size() >= MaxMembers) {
            return std::unexpected(QStringLiteral("the archive holds more than %1 entries").arg(MaxMembers));
        }

        const char *rawName = archive_entry_pathname(entry);
        const QByteArray name(rawName ? rawName : "");
        const auto refuse = [&name](const QString &reason) {
            return std::unexpected(QStringLiteral("archive entry \"%1\": %2").arg(printable(name), reason));
        };
        if (name.isEmpty()) {
            return refuse(QStringLiteral("entry without a usable name"));
        }
        if (name.startsWith('/')) {
            return refuse(QStringLiteral("absolute names are not accepted"));
        }
        if (name.split('/').contains(QByteArray(".."))) {
            return refuse(QStringLiteral("the name leaves the configuration tree"));
        }
        if (archive_entry_hardlink(entry)) {
            return refuse(QStringLiteral("hard links are not accepted"));
        }
        if (archive_entry_symlink(entry) || archive_entry_filetype(entry) == AE_IFLNK) {
            return refuse(QStringLiteral("symbolic links are not accepted"));
        }
        if (archive_entry_filetype(entry) != AE_IFREG) {
            return refuse(QStringLiteral("only regular files are accepted"));
        }
        const auto systemPath = systemPathOfMember(name);
        if (!systemPath) {
            return refuse(QStringLiteral("not a file of the logging configuration"));
        }
        if (seen.contains(*systemPath)) {
            return refuse(QStringLiteral("the file occurs twice"));
        }
        const qint64 size = archive_entry_size(entry);
        if (!archive_entry_size_is_set(entry) || size < 0 || size > MaxMemberSize) {
            return refuse(QStringLiteral("larger than %1 bytes").arg(MaxMemberSize));
        }
        total += size;
        if (total > MaxTotalSize) {
            return refuse(QStringLiteral("the files of the archive are larger than %1 bytes together").arg(MaxTotalSize));
        }

        QByteArray content;
        content.reserve(int(size));
        char buffer[65536];
        for (;;) {
            const la_ssize_t count = archive_read_data(reader.get(), buffer, sizeof buffer);
            if (count < 0) {
                return refuse(QStringLiteral("damaged data: %1").arg(archiveError(reader.get())));
            }
            if (count == 0) {
                break;
            }
            if (content.size() + count > size) {
                return refuse(QStringLiteral("more data than announced"));
            }
            content.append(buffer, int(count));
        }
        if (content.size() != size) {
            return refuse(QStringLiteral("less data than announced"));
        }

        seen.insert(*systemPath);
        members.append(Member{*systemPath, content, 0});
    }
    if (members.isEmpty()) {
        return std::unexpected(QStringLiteral("the archive holds no configuration file"));
    }
    return members;
}

std::expected<QList<Member>, QString> read(const QByteArray &archive)
{
    const auto tarData = gunzip(archive);
    if (!tarData) {
        return std::unexpected(tarData.error());
    }
    return readMembers(*tarData);
}
}
