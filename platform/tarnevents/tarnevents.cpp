/*
    SPDX-License-Identifier: GPL-2.0-or-later

    The event catalogue library (libtarnevents.so.0).

    Catalogue layout, below the event description directory:

        <dir>/<group>/<group>.json      description of the group
        <dir>/<group>/<event>.json      description of one event

    Every sub-directory is a group, whether it has a description file or not.
    Every other ".json" file of a sub-directory describes one event; the
    identifier of the event is the file name up to its first ".". Files that do
    not end in ".json", hidden entries, files directly in <dir> and deeper
    directories are not part of the catalogue.

    Order: group identifiers are sorted, and so are event identifiers, both by
    the bytes of their names. Events are sorted by their identifier alone,
    not by group: identifiers are unique across the whole catalogue, so this
    order is total and does not change when an event moves to another group.

    Consistency: an event file must hold a JSON object, and neither event
    identifiers nor the "message_id" values of "message-params" may repeat.
    An absent, null or empty "message_id" takes part in no comparison; a
    numeric one equals the same number written as a string.

    Local overrides are the members of the event settings file, one JSON object
    per event identifier. They are read when the catalogue is loaded and served
    as compact JSON texts; members that are not objects are no overrides. A
    settings file that is missing or unreadable means no overrides, not an
    inconsistent catalogue.

    Audit settings are kept apart from the catalogue in a small JSON store:

        { "<audit id>": { "<audit type>": { "<subject>": <int>, ... }, ... }, ... }

    They need no loaded catalogue.

    Lifetime: every tnev_init() is matched by one tnev_free() (the readers call
    tnev_free() also after a failed init). A new tnev_init() always reloads the
    catalogue from disk, but the texts handed out by earlier loads stay valid
    until the last tnev_free(), so several readers may be open at once.
*/
#include "tarnevents.h"

#include "systempaths.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <QSet>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{
struct CatalogueEntry {
    QByteArray id; // as named on disk (UTF-8 on the distribution)
    QByteArray json; // the file's text; null when a group has no description file
};

struct Catalogue {
    std::vector<CatalogueEntry> groups;
    std::vector<CatalogueEntry> events;
    QHash<QByteArray, qsizetype> groupIndex;
    QHash<QByteArray, qsizetype> eventIndex;
    QJsonObject overrides;
    // Compact texts of the overrides asked for so far (null for an event
    // without one); their buffers are never touched again, so the pointers
    // handed out stay valid.
    QHash<QByteArray, QByteArray> overrideTexts;
};

struct LibraryState {
    std::mutex mutex;
    std::unique_ptr<Catalogue> current;
    // Catalogues replaced by a later tnev_init() while still in use.
    std::vector<std::unique_ptr<Catalogue>> retired;
    int openCount = 0;
};

LibraryState &state()
{
    static LibraryState s;
    return s;
}

constexpr char JsonSuffix[] = ".json";

QByteArray readWholeFile(const QString &path, bool *ok)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *ok = false;
        return {};
    }
    *ok = true;
    return file.readAll();
}

// "message_id" of "message-params" as text; empty when absent, null or empty.
QString messageIdOf(const QJsonObject &event)
{
    const QJsonValue params = event.value(QLatin1String("message-params"));
    if (!params.isObject()) {
        return {};
    }
    const QJsonValue id = params.toObject().value(QLatin1String("message_id"));
    switch (id.type()) {
    case QJsonValue::String:
        return id.toString();
    case QJsonValue::Double: {
        // A numeric identifier equals the same number written as a string.
        const double number = id.toDouble();
        if (std::isfinite(number) && number == std::trunc(number) && std::fabs(number) < 1e15) {
            return QString::number(static_cast<qint64>(number));
        }
        return QString::number(number, 'g', 17);
    }
    case QJsonValue::Bool:
        return id.toBool() ? QStringLiteral("true") : QStringLiteral("false");
    default:
        return {};
    }
}

QJsonObject readOverrides()
{
    bool ok = false;
    const QByteArray text = readWholeFile(SystemPaths::resolve(SystemPaths::EventSettingsFile), &ok);
    if (!ok || text.isEmpty()) {
        return {};
    }
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(text, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject()) {
        return {};
    }
    return document.object();
}

bool byId(const CatalogueEntry &a, const CatalogueEntry &b)
{
    return a.id < b.id;
}

enum class EntryKind { Directory, File, Other };

struct DirectoryEntry {
    QByteArray name;
    EntryKind kind;
};

// The entries of a directory, read in one pass. The kind is taken from the
// directory entry where the file system records it, so that a large catalogue
// costs no stat() per file. Hidden entries (".git", editor leftovers) are not
// listed. Returns false when the directory cannot be opened.
bool listDirectory(const QByteArray &path, std::vector<DirectoryEntry> &entries)
{
    entries.clear();
    DIR *dir = ::opendir(path.constData());
    if (!dir) {
        return false;
    }
    while (const dirent *entry = ::readdir(dir)) {
        if (entry->d_name[0] == '.') {
            continue;
        }
        unsigned char type = entry->d_type;
        if (type == DT_UNKNOWN || type == DT_LNK) {
            // Symbolic links count as what they point to.
            struct stat info;
            const QByteArray full = path + '/' + entry->d_name;
            type = DT_UNKNOWN;
            if (::stat(full.constData(), &info) == 0) {
                type = S_ISDIR(info.st_mode) ? DT_DIR : S_ISREG(info.st_mode) ? DT_REG : DT_UNKNOWN;
            }
        }
        const EntryKind kind = type == DT_DIR ? EntryKind::Directory : type == DT_REG ? EntryKind::File : EntryKind::Other;
        entries.push_back(DirectoryEntry{QByteArray(entry->d_name), kind});
    }
    ::closedir(dir);
    return true;
}

// The whole content of a file through plain system calls; `ok` is false when
// it cannot be opened or read.
QByteArray readCatalogueFile(const QByteArray &path, bool *ok)
{
    *ok = false;
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return {};
    }
    QByteArray content(4096, Qt::Uninitialized);
    qsizetype used = 0;
    for (;;) {
        if (used == content.size()) {
            content.resize(content.size() * 2);
        }
        const ssize_t count = ::read(fd, content.data() + used, static_cast<size_t>(content.size() - used));
        if (count < 0) {
            if (errno == EINTR) {
                continue;
            }
            ::close(fd);
            return {};
        }
        if (count == 0) {
            break;
        }
        used += count;
    }
    ::close(fd);
    content.truncate(static_cast<int>(used));
    *ok = true;
    return content;
}

// The identifier a file name gives: the text before its first ".".
QByteArray fileIdentifier(const QByteArray &fileName)
{
    const qsizetype dot = fileName.indexOf('.');
    return dot < 0 ? fileName : fileName.left(static_cast<int>(dot));
}

// Walks the event description directory once and parses every event file once.
// Returns null when the directory is missing or the catalogue is inconsistent.
std::unique_ptr<Catalogue> loadCatalogue()
{
    const QByteArray rootPath = QFile::encodeName(SystemPaths::resolve(SystemPaths::EventSettingsDir));
    std::vector<DirectoryEntry> groupDirs;
    if (!listDirectory(rootPath, groupDirs)) {
        return nullptr;
    }

    auto catalogue = std::make_unique<Catalogue>();
    QSet<QString> messageIds;
    std::vector<DirectoryEntry> files;

    for (const DirectoryEntry &groupDir : groupDirs) {
        if (groupDir.kind != EntryKind::Directory) {
            continue;
        }
        const QByteArray groupPath = rootPath + '/' + groupDir.name;
        CatalogueEntry group{groupDir.name, QByteArray()};
        QByteArray groupFileName; // the chosen description file, if any

        // A group directory that cannot be read is a group without events.
        listDirectory(groupPath, files);
        for (const DirectoryEntry &file : files) {
            if (file.kind != EntryKind::File || !file.name.endsWith(JsonSuffix)) {
                continue;
            }
            const QByteArray id = fileIdentifier(file.name);
            if (id.isEmpty()) {
                continue;
            }
            const QByteArray filePath = groupPath + '/' + file.name;

            if (id == groupDir.name) {
                // A group description. Should there be several ("auth.json",
                // "auth.old.json"), "<group>.json" wins, else the smallest name.
                const QByteArray exact = groupDir.name + JsonSuffix;
                const bool better = groupFileName.isEmpty() || file.name == exact || (groupFileName != exact && file.name < groupFileName);
                if (better) {
                    bool ok = false;
                    QByteArray text = readCatalogueFile(filePath, &ok);
                    if (ok) {
                        if (text.isNull()) {
                            text = QByteArray(""); // an empty file is still a description
                        }
                        group.json = text;
                        groupFileName = file.name;
                    }
                }
                continue;
            }

            bool ok = false;
            const QByteArray text = readCatalogueFile(filePath, &ok);
            if (!ok) {
                return nullptr;
            }
            QJsonParseError error;
            const QJsonDocument document = QJsonDocument::fromJson(text, &error);
            if (error.error != QJsonParseError::NoError || !document.isObject()) {
                return nullptr;
            }

            if (catalogue->eventIndex.contains(id)) {
                return nullptr;
            }
            const QString messageId = messageIdOf(document.object());
            if (!messageId.isEmpty()) {
                if (messageIds.contains(messageId)) {
                    return nullptr;
                }
                messageIds.insert(messageId);
            }

            catalogue->eventIndex.insert(id, -1);
            catalogue->events.push_back(CatalogueEntry{id, text});
        }

        catalogue->groups.push_back(std::move(group));
    }

    std::sort(catalogue->groups.begin(), catalogue->groups.end(), byId);
    std::sort(catalogue->events.begin(), catalogue->events.end(), byId);
    catalogue->groupIndex.reserve(static_cast<int>(catalogue->groups.size()));
    for (size_t i = 0; i < catalogue->groups.size(); ++i) {
        catalogue->groupIndex.insert(catalogue->groups[i].id, static_cast<qsizetype>(i));
    }
    for (size_t i = 0; i < catalogue->events.size(); ++i) {
        catalogue->eventIndex.insert(catalogue->events[i].id, static_cast<qsizetype>(i));
    }

    catalogue->overrides = readOverrides();
    return catalogue;
}

char **copyIds(const std::vector<CatalogueEntry> &entries)
{
    auto array = static_cast<char **>(std::calloc(entries.size() + 1, sizeof(char *)));
    if (!array) {
        return nullptr;
    }
    for (size_t i = 0; i < entries.size(); ++i) {
        const QByteArray &id = entries[i].id;
        auto copy = static_cast<char *>(std::malloc(static_cast<size_t>(id.size()) + 1));
        if (!copy) {
            tnev_free_string_array(array);
            return nullptr;
        }
        std::memcpy(copy, id.constData(), static_cast<size_t>(id.size()));
        copy[id.size()] = '\0';
        array[i] = copy;
    }
    return array;
}

const char *lookup(const std::vector<CatalogueEntry> &entries, const QHash<QByteArray, qsizetype> &index, const char *id)
{
    if (!id) {
        return nullptr;
    }
    const qsizetype i = index.value(QByteArray::fromRawData(id, static_cast<int>(std::strlen(id))), -1);
    if (i < 0) {
        return nullptr;
    }
    const QByteArray &json = entries[static_cast<size_t>(i)].json;
    return json.isNull() ? nullptr : json.constData();
}

// ---- audit store ----

QString auditStorePath()
{
    return SystemPaths::resolve(SystemPaths::AuditStoreFile);
}

QJsonObject readAuditStore()
{
    bool ok = false;
    const QByteArray text = readWholeFile(auditStorePath(), &ok);
    if (!ok || text.isEmpty()) {
        return {};
    }
    const QJsonDocument document = QJsonDocument::fromJson(text);
    return document.isObject() ? document.object() : QJsonObject();
}

int storedValue(const QJsonValue &value)
{
    if (value.isDouble()) {
        const double number = value.toDouble();
        if (std::isfinite(number) && number >= INT_MIN && number <= INT_MAX) {
            return static_cast<int>(number);
        }
        return 0;
    }
    if (value.isString()) {
        bool ok = false;
        const int number = value.toString().toInt(&ok);
        return ok ? number : 0;
    }
    return 0;
}

// Replaces the file at `path` with `content` through a new file beside it,
// renamed over the old one only when every byte reached the disk: a full
// file system or a file size limit leaves the old file as it was.
bool replaceFile(const QString &path, const QByteArray &content)
{
    QByteArray temporary = QFile::encodeName(path) + ".XXXXXX";
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    const char *next = content.constData();
    qint64 left = content.size();
    bool ok = true;
    while (ok && left > 0) {
        const ssize_t count = ::write(fd, next, size_t(left));
        if (count < 0 && errno == EINTR) {
            continue;
        }
        ok = count > 0;
        next += ok ? count : 0;
        left -= ok ? count : 0;
    }
    ok = ok && ::fchmod(fd, 0644) == 0 && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    ok = ok && ::rename(temporary.constData(), QFile::encodeName(path).constData()) == 0;
    if (!ok) {
        ::unlink(temporary.constData());
    }
    return ok;
}

std::mutex &auditMutex()
{
    static std::mutex m;
    return m;
}
}

extern "C" {

int tnev_init(void)
{
    LibraryState &s = state();
    std::lock_guard lock(s.mutex);
    ++s.openCount;
    if (s.current) {
        s.retired.push_back(std::move(s.current));
    }
    s.current = loadCatalogue();
    return s.current ? 0 : -1;
}

void tnev_free(void)
{
    LibraryState &s = state();
    std::lock_guard lock(s.mutex);
    if (s.openCount <= 0) {
        return;
    }
    if (--s.openCount == 0) {
        s.current.reset();
        s.retired.clear();
    }
}

unsigned int tnev_groups_count(void)
{
    LibraryState &s = state();
    std::lock_guard lock(s.mutex);
    return s.current ? static_cast<unsigned int>(s.current->groups.size()) : 0;
}

unsigned int tnev_events_count(void)
{
    LibraryState &s = state();
    std::lock_guard lock(s.mutex);
    return s.current ? static_cast<unsigned int>(s.current->events.size()) : 0;
}

char **tnev_get_group_ids(void)
{
    LibraryState &s = state();
    std::lock_guard lock(s.mutex);
    return copyIds(s.current ? s.current->groups : std::vector<CatalogueEntry>());
}

char **tnev_get_event_ids(void)
{
    LibraryState &s = state();
    std::lock_guard lock(s.mutex);
    return copyIds(s.current ? s.current->events : std::vector<CatalogueEntry>());
}

void tnev_free_string_array(char **array)
{
    if (!array) {
        return;
    }
    for (char **entry = array; *entry; ++entry) {
        std::free(*entry);
    }
    std::free(array);
}

const char *tnev_get_group_json(const char *groupId)
{
    LibraryState &s = state();
    std::lock_guard lock(s.mutex);
    return s.current ? lookup(s.current->groups, s.current->groupIndex, groupId) : nullptr;
}

const char *tnev_get_event_json(const char *eventId)
{
    LibraryState &s = state();
    std::lock_guard lock(s.mutex);
    return s.current ? lookup(s.current->events, s.current->eventIndex, eventId) : nullptr;
}

const char *tnev_get_override_event_json(const char *eventId)
{
    LibraryState &s = state();
    std::lock_guard lock(s.mutex);
    if (!s.current || !eventId) {
        return nullptr;
    }
    Catalogue &catalogue = *s.current;
    const auto cached = catalogue.overrideTexts.constFind(QByteArray::fromRawData(eventId, static_cast<int>(std::strlen(eventId))));
    if (cached != catalogue.overrideTexts.constEnd()) {
        return cached->isNull() ? nullptr : cached->constData();
    }
    // Only objects are overrides; anything else under an event's name is
    // ignored. An event without one is remembered with a null text.
    const QByteArray key(eventId);
    const QJsonValue value = catalogue.overrides.value(QString::fromUtf8(key));
    const QByteArray text = value.isObject() ? QJsonDocument(value.toObject()).toJson(QJsonDocument::Compact) : QByteArray();
    const auto inserted = catalogue.overrideTexts.insert(key, text);
    return inserted->isNull() ? nullptr : inserted->constData();
}

int tnevas_get_audit_event(const char *auditId, int auditType, const char *subject)
{
    if (!auditId || !subject) {
        return 0;
    }
    std::lock_guard lock(auditMutex());
    const QJsonObject store = readAuditStore();
    const QJsonValue byType = store.value(QString::fromLocal8Bit(auditId));
    if (!byType.isObject()) {
        return 0;
    }
    const QJsonValue bySubject = byType.toObject().value(QString::number(auditType));
    if (!bySubject.isObject()) {
        return 0;
    }
    return storedValue(bySubject.toObject().value(QString::fromLocal8Bit(subject)));
}

int tnevas_set_audit_event(const char *auditId, int auditType, const char *subject, int value)
{
    if (!auditId || !subject) {
        return 0;
    }
    std::lock_guard lock(auditMutex());
    // A store that cannot be read (missing or corrupt) is started anew.
    QJsonObject store = readAuditStore();
    const QString id = QString::fromLocal8Bit(auditId);
    const QString type = QString::number(auditType);

    QJsonObject byType = store.value(id).toObject();
    QJsonObject bySubject = byType.value(type).toObject();
    bySubject.insert(QString::fromLocal8Bit(subject), value);
    byType.insert(type, bySubject);
    store.insert(id, byType);

    const QString path = auditStorePath();
    if (!QDir().mkpath(QFileInfo(path).absolutePath())) {
        return 0;
    }
    return replaceFile(path, QJsonDocument(store).toJson(QJsonDocument::Indented)) ? 1 : 0;
}
}
