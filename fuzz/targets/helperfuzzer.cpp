/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
// The helper's argument maps: each of its actions called with a map of keys
// and values of any type, the helper's own keys among them (the caller's
// languages and the apply a file action belongs to too), over a throwaway
// system tree that is made anew for every input.
//
// Input: a byte of hazards in the tree (links out of it, a directory where a
// file belongs, a hard link to a file outside, a failing systemctl), a byte
// that chooses the action, then what the arguments are built from; what is
// left may ask for a second action on the same tree, a restore of the
// previous configuration among them.
//
// Every reply is a success with the action's documented effect or an error
// with a description. A restore puts every file it names back as it was
// before the first action. Nothing outside the tree changes: not the directory
// beside it that its links point into, nor any other path an argument names.
// The helper acts with the file system identity of nobody, and its
// temporary files go into the tree, so that even a helper that misbehaved
// could change no more of the machine than nobody may.
#include "actionids.h"
#include "admineventshelper.h"
#include "fuzzsupport.h"
#include "fuzztarget.h"
#include "pathpolicy.h"
#include "systempaths.h"
#include "tarnevents.h"

#include <QCryptographicHash>
#include <QDebug>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QMap>
#include <QSet>

#include <algorithm>
#include <vector>

#include <ftw.h>
#include <grp.h>
#include <sys/fsuid.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{
constexpr uid_t Nobody = 65534;
constexpr gid_t NoGroup = 65534;

const QString ExportedArchive = QStringLiteral("exported by the stand-in\n");
const QString SystemctlLog = QStringLiteral("/var/log/systemctl.log");
const QString ImportedCopy = QStringLiteral("/var/log/imported");

// The helper as the user nobody calls it: exports and imports act as nobody.
class NobodysHelper : public AdminEventsHelper
{
protected:
    uid_t callerUid() const override
    {
        return Nobody;
    }
};

struct World {
    Fuzz::Root root;
    // Where the tree's links lead: nothing here may ever change.
    Fuzz::ThrowawayDir outside{QStringLiteral("adminevents-fuzz-outside")};
};
World *world = nullptr;
NobodysHelper *helper = nullptr;

QString rooted(const QString &systemPath)
{
    return world->root.resolve(systemPath);
}

void makeDirectory(const QString &path)
{
    if (!QDir().mkpath(path)) {
        qFatal("cannot make %s", qPrintable(path));
    }
}

void writeFile(const QString &path,
               const QByteArray &content,
               QFile::Permissions permissions = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther)
{
    makeDirectory(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(content) != content.size() || !file.setPermissions(permissions)) {
        qFatal("cannot write %s", qPrintable(path));
    }
}

void link(const QString &target, const QString &path)
{
    makeDirectory(QFileInfo(path).absolutePath());
    if (::symlink(QFile::encodeName(target).constData(), QFile::encodeName(path).constData()) != 0) {
        qFatal("cannot link %s", qPrintable(path));
    }
}

int giveToNobody(const char *path, const struct stat *, int, struct FTW *)
{
    return ::lchown(path, Nobody, NoGroup) == 0 ? 0 : -1;
}

void giveTreeToNobody(const QString &path)
{
    if (::geteuid() == 0 && ::nftw(QFile::encodeName(path).constData(), giveToNobody, 16, FTW_PHYS | FTW_MOUNT) != 0) {
        qFatal("cannot give %s to nobody", qPrintable(path));
    }
}

enum Hazard {
    RulesDirectoryLinkedOut = 1,
    NotificationFileLinkedOut = 2,
    SettingsFileIsDirectory = 4,
    ArchiveLinkedOut = 8,
    LogrotateFileHardLinkedOut = 16,
    SystemctlFails = 32,
    ArchiveRefused = 64,
};

// The tree for one input: the sample's managed files and audit store, the
// stand-ins of systemctl and of the configuration manager, an archive of
// alice's, and the hazards asked for; everything owned by nobody.
void makeWorld(int hazards)
{
    world->root.clear();
    world->outside.clear();
    const QString outside = world->outside.path();
    writeFile(outside + QStringLiteral("/secret"), "outside\n");
    writeFile(outside + QStringLiteral("/secret.tar.gz"), "outside archive\n");
    writeFile(outside + QStringLiteral("/rules.d/tarn-syslog.rules"), "-w /outside\n");
    writeFile(outside + QStringLiteral("/hardlinked"), "hard link target outside\n");

    for (const char *file : {SystemPaths::EventSettingsFile,
                             SystemPaths::SyslogNgCommonFile,
                             "/etc/syslog-ng/conf.d/mod-tarn-user-login-failed.conf",
                             SystemPaths::AuditStoreFile}) {
        const QString systemPath = QString::fromLatin1(file);
        if (systemPath == QLatin1String(SystemPaths::EventSettingsFile) && (hazards & SettingsFileIsDirectory)) {
            makeDirectory(rooted(systemPath));
            continue;
        }
        writeFile(rooted(systemPath), Fuzz::Root::sampleFile(systemPath));
    }
    const QString rules = QString::fromLatin1(SystemPaths::AuditRulesFile);
    if (hazards & RulesDirectoryLinkedOut) {
        link(outside + QStringLiteral("/rules.d"), QFileInfo(rooted(rules)).absolutePath());
    } else {
        writeFile(rooted(rules), Fuzz::Root::sampleFile(rules));
    }
    const QString logrotate = QString::fromLatin1(SystemPaths::LogrotateFile);
    if (hazards & LogrotateFileHardLinkedOut) {
        makeDirectory(QFileInfo(rooted(logrotate)).absolutePath());
        if (::link(QFile::encodeName(outside + QStringLiteral("/hardlinked")).constData(), QFile::encodeName(rooted(logrotate)).constData()) != 0) {
            qFatal("cannot make a hard link");
        }
    } else {
        writeFile(rooted(logrotate), Fuzz::Root::sampleFile(logrotate));
    }
    if (hazards & NotificationFileLinkedOut) {
        link(outside + QStringLiteral("/secret"), rooted(QStringLiteral("/etc/syslog-ng/conf.d/mod-tarn-linked.conf")));
    }
    // An archive the stand-in refuses to import, or one it takes.
    writeFile(rooted(QStringLiteral("/home/alice/config.tar.gz")), (hazards & ArchiveRefused) ? "fail: alice's archive\n" : "alice's archive\n");
    if (hazards & ArchiveLinkedOut) {
        link(outside + QStringLiteral("/secret.tar.gz"), rooted(QStringLiteral("/home/alice/linked.tar.gz")));
    }
    makeDirectory(rooted(QStringLiteral("/tmp")));
    makeDirectory(rooted(QStringLiteral("/var/log")));

    const QFile::Permissions executable =
        QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther;
    writeFile(rooted(QStringLiteral("/bin/systemctl")),
              QStringLiteral("#!/bin/sh\n"
                             "echo \"$*\" >> '%1'\n"
                             "[ \"$1\" = status ] && exit 3\n"
                             "exit %2\n")
                  .arg(rooted(SystemctlLog))
                  .arg((hazards & SystemctlFails) ? 1 : 0)
                  .toUtf8(),
              executable);
    writeFile(rooted(QString::fromLatin1(SystemPaths::ConfigManagerProgram)),
              QStringLiteral("#!/bin/sh\n"
                             "PATH=/usr/bin:/bin\n"
                             "case \"$1\" in\n"
                             "-o) printf 'exported by the stand-in\\n' > \"$2\" ;;\n"
                             "-i) cat \"$2\" > '%1' || exit 1\n"
                             "    head -c 4 \"$2\" | grep -q fail && exit 1 ;;\n"
                             "*) exit 2 ;;\n"
                             "esac\n"
                             "exit 0\n")
                  .arg(rooted(ImportedCopy))
                  .toUtf8(),
              executable);
    giveTreeToNobody(world->root.path());
    giveTreeToNobody(outside);
}

// --- The state of paths outside the tree ----------------------------------

QByteArray stateOf(const QString &path)
{
    struct stat status;
    const QByteArray encoded = QFile::encodeName(path);
    if (::lstat(encoded.constData(), &status) != 0) {
        return "missing";
    }
    // Not the link count: a name in the tree that is a hard link to a file
    // outside may be replaced, which leaves that file one name fewer.
    QByteArray state = QByteArray::number(uint(status.st_mode)) + ' ' + QByteArray::number(qulonglong(status.st_ino)) + ' '
        + QByteArray::number(qint64(status.st_size)) + ' ' + QByteArray::number(qint64(status.st_mtim.tv_sec)) + '.'
        + QByteArray::number(qint64(status.st_mtim.tv_nsec)) + ' ' + QByteArray::number(uint(status.st_uid)) + ' ' + QByteArray::number(uint(status.st_gid));
    if (S_ISREG(status.st_mode) && status.st_size < 1024 * 1024) {
        QFile file(path);
        if (file.open(QIODevice::ReadOnly)) {
            state += ' ' + QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha1).toHex();
        }
    }
    return state;
}

// Every entry below `path`, with its state.
void snapshot(const QString &path, QMap<QString, QByteArray> &states)
{
    states.insert(path, stateOf(path));
    QFileInfo info(path);
    if (info.isDir() && !info.isSymLink()) {
        const QStringList names = QDir(path).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
        for (const QString &name : names) {
            snapshot(path + QLatin1Char('/') + name, states);
        }
    }
}

// The strings of an argument value that are absolute paths outside the tree.
void collectOutsidePaths(const QVariant &value, QStringList &paths)
{
    const auto note = [&paths](const QString &text) {
        if (text.startsWith(QLatin1Char('/')) && !world->root.isInside(text)) {
            paths.append(text);
        }
    };
    switch (value.userType()) {
    case QMetaType::QString:
        note(value.toString());
        break;
    case QMetaType::QStringList:
        for (const QString &text : value.toStringList()) {
            note(text);
        }
        break;
    case QMetaType::QVariantList:
        for (const QVariant &item : value.toList()) {
            collectOutsidePaths(item, paths);
        }
        break;
    case QMetaType::QVariantMap: {
        const QVariantMap map = value.toMap();
        for (auto it = map.cbegin(); it != map.cend(); ++it) {
            note(it.key());
            collectOutsidePaths(it.value(), paths);
        }
        break;
    }
    case QMetaType::QVariantHash: {
        const QVariantHash hash = value.toHash();
        for (auto it = hash.cbegin(); it != hash.cend(); ++it) {
            note(it.key());
            collectOutsidePaths(it.value(), paths);
        }
        break;
    }
    default:
        break;
    }
}

// --- Arguments ------------------------------------------------------------

struct Action {
    const char *name;
    KAuth::ActionReply (AdminEventsHelper::*slot)(const QVariantMap &);
    // The keys of the action and the type the module sends for each.
    QList<QPair<QString, int>> keys;
};

enum ValueType {
    String = QMetaType::QString,
    Bytes = QMetaType::QByteArray,
    Int = QMetaType::Int,
    Strings = QMetaType::QStringList,
    Contents = QMetaType::QVariantHash,
};

const QList<Action> &actions()
{
    static const QList<Action> all{
        {"loggingservicectl", &AdminEventsHelper::loggingservicectl, {{QStringLiteral("cmd"), String}}},
        {"exportconfig", &AdminEventsHelper::exportconfig, {{QStringLiteral("output"), String}}},
        {"importconfig", &AdminEventsHelper::importconfig, {{QStringLiteral("input"), String}}},
        {"writeconfig",
         &AdminEventsHelper::writeconfig,
         {{QStringLiteral("action"), String}, {QStringLiteral("path"), String}, {QStringLiteral("content"), Bytes}}},
        {"removeconfig", &AdminEventsHelper::removeconfig, {{QStringLiteral("file"), String}}},
        {"removenotificationconfigs", &AdminEventsHelper::removenotificationconfigs, {{QStringLiteral("paths"), Strings}}},
        {"writenotificationconfigs", &AdminEventsHelper::writenotificationconfigs, {{QStringLiteral("notifications"), Contents}}},
        {"setauditsettings", &AdminEventsHelper::setauditsettings, {{QStringLiteral("AUDIT_TYPE"), Int}}},
        {"getauditsettings",
         &AdminEventsHelper::getauditsettings,
         {{QStringLiteral("list"), Strings}, {QStringLiteral("auditType"), Int}, {QStringLiteral("auditIDs"), Strings}}},
    };
    return all;
}

// Only ever the second action of an input: after the first had the chance
// to keep a previous version.
const Action Restore{"restoreprevious", &AdminEventsHelper::restoreprevious, {}};

// Paths the arguments may name: the managed files (also in forms that are
// not exact), notification files of every kind of id, archives, and places
// outside the tree.
QString path(Fuzz::Bytes &input)
{
    static const QStringList systemPaths{
        QString::fromLatin1(SystemPaths::EventSettingsFile),
        QString::fromLatin1(SystemPaths::AuditRulesFile),
        QString::fromLatin1(SystemPaths::SyslogNgCommonFile),
        QString::fromLatin1(SystemPaths::LogrotateFile),
        QStringLiteral("/etc/syslog-ng/conf.d/mod-tarn-user-login-failed.conf"),
        QStringLiteral("/etc/syslog-ng/conf.d/mod-tarn-new_event.conf"),
        QStringLiteral("/etc/syslog-ng/conf.d/mod-tarn-linked.conf"),
        QStringLiteral("/etc/syslog-ng/conf.d/mod-tarn-.conf"),
        QStringLiteral("/etc/syslog-ng/conf.d/mod-tarn-.hidden.conf"),
        QStringLiteral("/etc/syslog-ng/conf.d/mod-tarn-../../../passwd.conf"),
        QStringLiteral("/etc/syslog-ng/conf.d/sub/mod-tarn-x.conf"),
        QStringLiteral("/etc/syslog-ng/syslog-ng.conf"),
        QStringLiteral("/etc/syslog-ng/conf.d"),
        QStringLiteral("/etc/passwd"),
        QStringLiteral("/home/alice/config.tar.gz"),
        QStringLiteral("/home/alice/linked.tar.gz"),
        QStringLiteral("/home/alice/new.tar.gz"),
        QStringLiteral("/home/alice"),
        QStringLiteral("/home/nobody/x.tar.gz"),
        QStringLiteral("/var/lib/tarnevents/audit-settings.json"),
    };
    QString text = input.pick(systemPaths);
    switch (input.below(10)) {
    case 0:
        // As the system names it, outside the tree.
        return text;
    case 1:
        return QStringLiteral("/etc/./") + rooted(text).mid(1);
    case 2:
        return rooted(text).replace(QLatin1Char('/'), QStringLiteral("//"));
    case 3:
        return rooted(QStringLiteral("/etc/audit/..") + text);
    case 4:
        return rooted(text) + QLatin1Char('/');
    case 5:
        return world->outside.path() + QLatin1Char('/') + input.pick({QStringLiteral("secret"), QStringLiteral("secret.tar.gz"), QStringLiteral("new")});
    case 6:
        return rooted(text).mid(1);
    case 7:
        return rooted(text + input.text(6));
    default:
        return rooted(text);
    }
}

QString word(Fuzz::Bytes &input)
{
    static const QStringList words{QStringLiteral("start"),
                                   QStringLiteral("stop"),
                                   QStringLiteral("restart"),
                                   QStringLiteral("status"),
                                   QStringLiteral("writeConfig"),
                                   QStringLiteral("auth-failed"),
                                   QStringLiteral("exec"),
                                   QStringLiteral("alice"),
                                   QStringLiteral("root"),
                                   QStringLiteral("ldap/admins"),
                                   QStringLiteral("AUDIT_TYPE"),
                                   QString(),
                                   QStringLiteral("/")};
    return input.flag() ? input.pick(words) : input.text(12);
}

QVariant value(Fuzz::Bytes &input, int depth);

QVariant valueOfType(Fuzz::Bytes &input, int type, int depth)
{
    switch (type) {
    case String:
        return input.flag() ? path(input) : word(input);
    case Bytes:
        return input.bytes(64);
    case Int:
        return input.flag() ? QVariant(input.below(8) - 1) : QVariant(input.int32());
    case Strings: {
        QStringList list;
        for (int count = input.below(4); count > 0; --count) {
            list.append(valueOfType(input, String, depth).toString());
        }
        return list;
    }
    case Contents: {
        QVariantHash files;
        for (int count = input.below(4); count > 0; --count) {
            files.insert(path(input), depth < 2 && input.below(8) == 0 ? value(input, depth + 1) : QVariant(input.bytes(64)));
        }
        return files;
    }
    }
    return QVariant();
}

// A value of any type.
QVariant value(Fuzz::Bytes &input, int depth)
{
    switch (input.below(14)) {
    case 0:
        return QVariant();
    case 1:
        return input.flag();
    case 2:
        return uint(input.int32());
    case 3:
        return input.int64();
    case 4:
        return input.real();
    case 5: {
        QVariantList list;
        for (int count = depth < 2 ? input.below(4) : 0; count > 0; --count) {
            list.append(value(input, depth + 1));
        }
        return list;
    }
    case 6: {
        QVariantMap map;
        for (int count = depth < 2 ? input.below(4) : 0; count > 0; --count) {
            map.insert(input.flag() ? path(input) : word(input), value(input, depth + 1));
        }
        return map;
    }
    case 7:
        return QChar(ushort(input.below(0x10000)));
    case 8:
        return valueOfType(input, String, depth);
    case 9:
        return valueOfType(input, Bytes, depth);
    case 10:
        return valueOfType(input, Int, depth);
    case 11:
        return valueOfType(input, Strings, depth);
    case 12: {
        // The contents as a map rather than a hash.
        QVariantMap files;
        const QVariantHash hash = valueOfType(input, Contents, depth).toHash();
        for (auto it = hash.cbegin(); it != hash.cend(); ++it) {
            files.insert(it.key(), it.value());
        }
        return files;
    }
    default:
        return valueOfType(input, Contents, depth);
    }
}

QVariantMap argumentsFor(const Action &action, Fuzz::Bytes &input)
{
    QVariantMap args;
    for (const auto &[key, type] : action.keys) {
        switch (input.below(8)) {
        case 0:
            break; // missing
        case 1:
            args.insert(key, value(input, 0));
            break;
        default:
            args.insert(key, valueOfType(input, type, 0));
        }
    }
    // Audit settings: "<audit id>/<subject>" (or a bare id) -> value.
    const bool audit = QLatin1String(action.name) == QLatin1String("setauditsettings");
    for (int extra = input.below(audit ? 6 : 3); extra > 0; --extra) {
        QString key = word(input);
        if (audit && input.flag()) {
            key += QLatin1Char('/') + word(input);
        }
        args.insert(key, audit && input.below(4) != 0 ? valueOfType(input, Int, 0) : value(input, 0));
    }
    // The keys every action may carry besides its own. An input that ends
    // here adds neither.
    if (input.below(4) == 3) {
        static const QStringList codes{QStringLiteral("ru"), QStringLiteral("de_DE"), QStringLiteral("../../tmp"), QStringLiteral("sr@latin")};
        args.insert(QString::fromLatin1(ActionIds::LanguagesKey), input.flag() ? QVariant(QStringList{input.pick(codes), word(input)}) : value(input, 0));
    }
    if (input.below(4) == 3) {
        args.insert(QString::fromLatin1(ActionIds::GenerationArgument),
                    input.flag() ? QVariant(input.pick({QStringLiteral("1"), QStringLiteral("2")})) : value(input, 0));
    }
    return args;
}

// --- The effects ------------------------------------------------------------

bool isManagedInTree(const QString &path)
{
    return world->root.isInside(path) && PathPolicy::isManagedFile(path);
}

QByteArray contentOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool isMissing(const QString &path)
{
    struct stat status;
    return ::lstat(QFile::encodeName(path).constData(), &status) != 0 && (errno == ENOENT || errno == ENOTDIR);
}

bool isRegularFileWith(const QString &path, const QByteArray &content, mode_t mode)
{
    struct stat status;
    return ::lstat(QFile::encodeName(path).constData(), &status) == 0 && S_ISREG(status.st_mode) && (status.st_mode & 07777) == mode
        && contentOf(path) == content;
}

mode_t managedMode(const QString &path)
{
    return path == rooted(QString::fromLatin1(SystemPaths::AuditRulesFile)) ? 0640 : 0644;
}

QByteArray encodedKey(const QString &text)
{
    return text.toLocal8Bit();
}

// The content of every file of the tree's /etc, by path.
QMap<QString, QByteArray> configurationFiles()
{
    QMap<QString, QByteArray> files;
    QDirIterator it(rooted(QStringLiteral("/etc")), QDir::Files | QDir::Hidden | QDir::NoSymLinks, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        files.insert(path, contentOf(path));
    }
    return files;
}

void checkSuccess(const QString &name,
                  const QVariantMap &args,
                  const KAuth::ActionReply &reply,
                  const QByteArray &importedArchive,
                  const QMap<QString, QByteArray> &filesAtStart)
{
    if (name == QLatin1String("loggingservicectl")) {
        const QString cmd = args.value(QStringLiteral("cmd")).toString();
        FUZZ_CHECK(cmd == QLatin1String("start") || cmd == QLatin1String("stop") || cmd == QLatin1String("restart"));
        FUZZ_CHECK(contentOf(rooted(SystemctlLog)).contains(cmd.toUtf8() + " syslog-ng"));
    } else if (name == QLatin1String("exportconfig")) {
        const QString output = args.value(QStringLiteral("output")).toString();
        FUZZ_CHECK(world->root.isInside(output));
        FUZZ_CHECK(contentOf(output) == ExportedArchive.toUtf8());
    } else if (name == QLatin1String("importconfig")) {
        FUZZ_CHECK(contentOf(rooted(ImportedCopy)) == importedArchive);
    } else if (name == QLatin1String("writeconfig")) {
        const QString path = args.value(QStringLiteral("path")).toString();
        FUZZ_CHECK(args.value(QStringLiteral("action")).toString() == QLatin1String("writeConfig"));
        FUZZ_CHECK(isManagedInTree(path));
        FUZZ_CHECK(isRegularFileWith(path, args.value(QStringLiteral("content")).toByteArray(), managedMode(path)));
    } else if (name == QLatin1String("removeconfig")) {
        const QString path = args.value(QStringLiteral("file")).toString();
        FUZZ_CHECK(isManagedInTree(path));
        FUZZ_CHECK(isMissing(path));
    } else if (name == QLatin1String("removenotificationconfigs")) {
        for (const QString &path : args.value(QStringLiteral("paths")).toStringList()) {
            FUZZ_CHECK(isManagedInTree(path));
            FUZZ_CHECK(isMissing(path));
        }
    } else if (name == QLatin1String("writenotificationconfigs")) {
        const QVariant files = args.value(QStringLiteral("notifications"));
        const QVariantHash hash = files.userType() == QMetaType::QVariantMap ? QVariantHash() : files.toHash();
        QMap<QString, QByteArray> contents;
        for (auto it = hash.cbegin(); it != hash.cend(); ++it) {
            contents.insert(it.key(), it.value().toByteArray());
        }
        const QVariantMap map = files.toMap();
        for (auto it = map.cbegin(); files.userType() == QMetaType::QVariantMap && it != map.cend(); ++it) {
            contents.insert(it.key(), it.value().toByteArray());
        }
        for (auto it = contents.cbegin(); it != contents.cend(); ++it) {
            FUZZ_CHECK(isManagedInTree(it.key()));
            FUZZ_CHECK(isRegularFileWith(it.key(), it.value(), managedMode(it.key())));
        }
    } else if (name == QLatin1String("setauditsettings")) {
        const int type = args.value(QStringLiteral("AUDIT_TYPE")).toInt();
        // Keys that reach the store as the same bytes: the last one wins.
        QMap<QPair<QByteArray, QByteArray>, int> expected;
        for (auto it = args.cbegin(); it != args.cend(); ++it) {
            if (it.key() == QLatin1String("AUDIT_TYPE") || it.key() == QLatin1String(ActionIds::LanguagesKey)) {
                continue;
            }
            const int slash = type == 4 ? -1 : it.key().indexOf(QLatin1Char('/'));
            const QByteArray id = encodedKey(slash < 0 ? it.key() : it.key().left(slash));
            const QByteArray subject = type == 4 ? QByteArray("") : slash < 0 ? QByteArray() : encodedKey(it.key().mid(slash + 1));
            expected.insert({id, subject}, it.value().toInt());
        }
        for (auto it = expected.cbegin(); it != expected.cend(); ++it) {
            FUZZ_CHECK(tnevas_get_audit_event(it.key().first.constData(), type, it.key().second.constData()) == it.value());
        }
    } else if (name == QLatin1String("restoreprevious")) {
        const QVariant restored = reply.data().value(QString::fromLatin1(ActionIds::RestoredKey));
        FUZZ_CHECK(restored.userType() == QMetaType::QStringList);
        for (const QString &systemPath : restored.toStringList()) {
            const QString path = rooted(systemPath);
            FUZZ_CHECK(isManagedInTree(path));
            const auto before = filesAtStart.constFind(path);
            FUZZ_CHECK(before == filesAtStart.cend() ? isMissing(path) : contentOf(path) == *before);
        }
    } else if (name == QLatin1String("getauditsettings")) {
        const int type = args.value(QStringLiteral("auditType")).toInt();
        const QStringList ids = args.value(QStringLiteral("auditIDs")).toStringList();
        const QStringList subjects = args.value(QStringLiteral("list")).toStringList();
        // Each key of the reply with the settings it may stand for: one,
        // unless identifiers hold a "/" (which the module's never do).
        QMap<QString, QSet<QPair<QString, QString>>> keys;
        for (const QString &id : ids) {
            if (type == 4) {
                keys[id].insert({id, QString()});
                continue;
            }
            for (const QString &subject : subjects) {
                keys[id + QLatin1Char('/') + subject].insert({id, subject});
            }
        }
        FUZZ_CHECK(reply.data().size() == keys.size());
        for (auto it = keys.cbegin(); it != keys.cend(); ++it) {
            FUZZ_CHECK(reply.data().contains(it.key()));
            if (it->size() == 1) {
                const auto &[id, subject] = *it->cbegin();
                FUZZ_CHECK(reply.data().value(it.key()).toInt() == tnevas_get_audit_event(encodedKey(id).constData(), type, encodedKey(subject).constData()));
            }
        }
    }
}

// While it lives, files are opened, made and removed as nobody.
class ActingAsNobody
{
public:
    ActingAsNobody()
    {
        if (::geteuid() != 0) {
            return;
        }
        m_groups.resize(size_t(std::max(::getgroups(0, nullptr), 0)));
        if (::getgroups(int(m_groups.size()), m_groups.data()) < 0) {
            qFatal("cannot read the groups of the process");
        }
        const gid_t nobody[] = {NoGroup};
        m_switched = ::setgroups(1, nobody) == 0;
        ::setfsgid(NoGroup);
        ::setfsuid(Nobody);
        if (!m_switched || uid_t(::setfsuid(uid_t(-1))) != Nobody || gid_t(::setfsgid(gid_t(-1))) != NoGroup) {
            qFatal("cannot act as nobody");
        }
    }
    ~ActingAsNobody()
    {
        if (m_switched) {
            ::setfsuid(0);
            ::setfsgid(0);
            if (::setgroups(m_groups.size(), m_groups.data()) != 0 || ::setfsuid(uid_t(-1)) != 0) {
                qFatal("cannot act as the super-user again");
            }
        }
    }

private:
    std::vector<gid_t> m_groups;
    bool m_switched = false;
};

void initialize()
{
    Fuzz::ensureApplication(false);
    static World theWorld;
    world = &theWorld;
    helper = new NobodysHelper;
    // Relative paths, should any be taken, lead into the tree.
    if (!QDir::setCurrent(world->root.path())) {
        qFatal("cannot enter the tree");
    }
    // nobody must reach the tree.
    struct stat status;
    if (::geteuid() == 0
        && (::stat(QFile::encodeName(QFileInfo(world->root.path()).absolutePath()).constData(), &status) != 0 || !(status.st_mode & S_IXOTH))) {
        qFatal("the temporary directory %s must be searchable by others", qPrintable(QFileInfo(world->root.path()).absolutePath()));
    }
}

// One action with arguments from `input`, and the checks of its reply.
void runAction(const Action &action, Fuzz::Bytes &input, const QMap<QString, QByteArray> &filesAtStart)
{
    const QByteArray previousTemp = qgetenv("TMPDIR");
    qputenv("TMPDIR", QFile::encodeName(rooted(QStringLiteral("/tmp"))));
    QDir::setCurrent(world->root.path());

    const QVariantMap args = argumentsFor(action, input);
    const QString name = QLatin1String(action.name);
    // An export writes where the caller chose, as the caller: a place outside
    // the tree is the caller's business, and not for this run.
    const QVariant output = args.value(QStringLiteral("output"));
    if (name == QLatin1String("exportconfig") && output.userType() == QMetaType::QString && QDir::isAbsolutePath(output.toString())
        && !world->root.isInside(output.toString())) {
        qputenv("TMPDIR", previousTemp);
        return;
    }
    const QVariant source = args.value(QStringLiteral("input"));
    const QByteArray importedArchive = source.userType() == QMetaType::QString ? contentOf(source.toString()) : QByteArray();

    QStringList outsidePaths;
    for (auto it = args.cbegin(); it != args.cend(); ++it) {
        collectOutsidePaths(it.value(), outsidePaths);
    }
    QMap<QString, QByteArray> before;
    snapshot(world->outside.path(), before);
    for (const QString &path : std::as_const(outsidePaths)) {
        before.insert(path, stateOf(path));
    }

    KAuth::ActionReply reply;
    {
        const ActingAsNobody nobody;
        reply = (helper->*action.slot)(args);
    }
    qputenv("TMPDIR", previousTemp);

    if (qEnvironmentVariableIsSet("ADMINEVENTS_FUZZ_VERBOSE")) {
        QString shown;
        QDebug(&shown) << args;
        qInfo("%s %s -> %s %s",
              action.name,
              qPrintable(shown),
              reply.type() == KAuth::ActionReply::SuccessType ? "success" : "error",
              qPrintable(reply.errorDescription()));
    }

    QMap<QString, QByteArray> after;
    snapshot(world->outside.path(), after);
    for (const QString &path : std::as_const(outsidePaths)) {
        after.insert(path, stateOf(path));
    }
    FUZZ_CHECK(after == before);

    if (reply.type() == KAuth::ActionReply::SuccessType) {
        checkSuccess(name, args, reply, importedArchive, filesAtStart);
    } else {
        FUZZ_CHECK(reply.type() == KAuth::ActionReply::HelperErrorType);
        FUZZ_CHECK(!reply.errorDescription().isEmpty());
    }
}

int runOne(const std::uint8_t *data, std::size_t size)
{
    Fuzz::Bytes input(data, size);
    const int hazards = input.byte();
    const Action &first = actions().at(input.below(actions().size()));

    world->root.activate();
    makeWorld(hazards);
    const QMap<QString, QByteArray> filesAtStart = configurationFiles();
    runAction(first, input, filesAtStart);
    if (!input.atEnd() && input.below(4) == 3) {
        const int choice = input.below(actions().size() + 2);
        runAction(choice < actions().size() ? actions().at(choice) : Restore, input, filesAtStart);
    }
    return 0;
}
}

ADMINEVENTS_FUZZ_TARGET(helper, initialize, runOne)
