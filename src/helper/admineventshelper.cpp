/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "admineventshelper.h"

#include "actionids.h"
#include "backupstore.h"
#include "configvalidator.h"
#include "fileio.h"
#include "pathpolicy.h"
#include "processexecutor.h"
#include "snghandler.h"
#include "systempaths.h"

#include <KLocalizedString>

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QStringList>
#include <QTemporaryDir>
#include <QVariantHash>

#include <initializer_list>
#include <utility>

#include <unistd.h>

namespace
{
constexpr int ConfigManagerTimeout = 300 * 1000;
constexpr qsizetype MaxGenerationSize = 128;
// The configuration manager refuses larger archives.
constexpr qint64 MaxArchiveSize = 64 * 1024 * 1024;
const QString ExportError = QStringLiteral("tarn-event-config-manager: unable to export configuration");
const QString ImportError = QStringLiteral("tarn-event-config-manager: unable to import configuration");

KAuth::ActionReply errorReply(const QString &description)
{
    KAuth::ActionReply reply = KAuth::ActionReply::HelperErrorReply();
    reply.setErrorDescription(description);
    return reply;
}

// The types of the arguments, as the module sends them.
enum class Type {
    String,
    Bytes,
    Int,
    StringList, // a QStringList, or a QVariantList of strings
    Contents, // a QVariantHash or QVariantMap of path -> QByteArray
};

bool hasType(const QVariant &value, Type type)
{
    const auto all = [](const auto &container, int itemType) {
        for (const QVariant &item : container) {
            if (item.userType() != itemType) {
                return false;
            }
        }
        return true;
    };
    switch (type) {
    case Type::String:
        return value.userType() == QMetaType::QString;
    case Type::Bytes:
        return value.userType() == QMetaType::QByteArray;
    case Type::Int:
        return value.userType() == QMetaType::Int;
    case Type::StringList:
        return value.userType() == QMetaType::QStringList || (value.userType() == QMetaType::QVariantList && all(value.toList(), QMetaType::QString));
    case Type::Contents:
        return (value.userType() == QMetaType::QVariantHash && all(value.toHash(), QMetaType::QByteArray))
            || (value.userType() == QMetaType::QVariantMap && all(value.toMap(), QMetaType::QByteArray));
    }
    return false;
}

QString typeName(Type type)
{
    switch (type) {
    case Type::String:
        return i18n("a string");
    case Type::Bytes:
        return i18n("a byte array");
    case Type::Int:
        return i18n("an integer");
    case Type::StringList:
        return i18n("a list of strings");
    case Type::Contents:
        return i18n("a map of paths to byte arrays");
    }
    return QString();
}

// The caller's languages (ActionIds::LanguagesKey) choose the language of the
// error descriptions. Only plain language codes are taken: they name the
// directories a message catalogue is looked up in. Without any: English.
void useCallerLanguages(const QVariantMap &args)
{
    static const QRegularExpression code(QStringLiteral("^[a-z]{2,3}(_[A-Z]{2})?(@[a-z]+)?$"));
    QStringList languages;
    const QVariant value = args.value(QLatin1String(ActionIds::LanguagesKey));
    if (hasType(value, Type::StringList)) {
        const QStringList wanted = value.toStringList();
        for (const QString &language : wanted) {
            if (code.match(language).hasMatch()) {
                languages << language;
            }
        }
    }
    KLocalizedString::setLanguages(languages.isEmpty() ? QStringList{QStringLiteral("en_US")} : languages);
}

// Every action starts here. Every argument of `required` must be present with
// its type; otherwise the action is refused before anything is touched.
// A root prefix the helper cannot use (a relative one) refuses every action.
FileIo::Result checkArguments(const char *action, const QVariantMap &args, std::initializer_list<std::pair<const char *, Type>> required)
{
    useCallerLanguages(args);
    if (const auto problem = SystemPaths::rootProblem()) {
        return std::unexpected(QStringLiteral("%1: %2").arg(QLatin1String(action), *problem));
    }
    for (const auto &[key, type] : required) {
        const auto it = args.constFind(QLatin1String(key));
        if (it == args.cend()) {
            return std::unexpected(i18n("%1: argument \"%2\" is missing", QLatin1String(action), QLatin1String(key)));
        }
        if (!hasType(*it, type)) {
            return std::unexpected(i18n("%1: argument \"%2\" is not %3", QLatin1String(action), QLatin1String(key), typeName(type)));
        }
    }
    return {};
}

// path -> content of a Contents argument.
QHash<QString, QByteArray> contentsOf(const QVariant &value)
{
    QHash<QString, QByteArray> contents;
    if (value.userType() == QMetaType::QVariantHash) {
        const QVariantHash hash = value.toHash();
        for (auto it = hash.cbegin(); it != hash.cend(); ++it) {
            contents.insert(it.key(), it.value().toByteArray());
        }
    } else {
        const QVariantMap map = value.toMap();
        for (auto it = map.cbegin(); it != map.cend(); ++it) {
            contents.insert(it.key(), it.value().toByteArray());
        }
    }
    return contents;
}

// The optional generation of an action that writes or removes files: the
// apply it belongs to, empty when absent.
std::expected<QString, QString> generationOf(const char *action, const QVariantMap &args)
{
    const auto it = args.constFind(QLatin1String(ActionIds::GenerationArgument));
    if (it == args.cend()) {
        return QString();
    }
    if (!hasType(*it, Type::String) || it->toString().size() > MaxGenerationSize) {
        return std::unexpected(i18n("%1: argument \"%2\" is not a string of at most %3 characters",
                                    QLatin1String(action),
                                    QLatin1String(ActionIds::GenerationArgument),
                                    MaxGenerationSize));
    }
    return it->toString();
}

// auditd keeps its own rules readable by root and its group only; logrotate
// ignores group- or world-writable files.
mode_t modeOfManagedFile(const QString &path)
{
    return path == SystemPaths::resolve(SystemPaths::AuditRulesFile) ? 0640 : 0644;
}

FileIo::Result writeManagedFile(const QString &path, const QByteArray &content)
{
    return FileIo::replaceFile(path, content, modeOfManagedFile(path));
}

// Every path of `paths` must be a managed file; otherwise the reasons of all
// refusals, one per line.
FileIo::Result checkManagedFiles(const QStringList &paths)
{
    QStringList refusals;
    for (const QString &path : paths) {
        const PathPolicy::Verdict verdict = PathPolicy::checkManagedFile(path);
        if (!verdict) {
            refusals.append(verdict.error());
        }
    }
    if (!refusals.isEmpty()) {
        return std::unexpected(refusals.join(QLatin1Char('\n')));
    }
    return {};
}

// Runs the configuration manager with `option` on `archive`.
FileIo::Result runConfigManager(const QString &option, const QString &archive)
{
    ProcessExecutor process;
    const auto [code, output] = process.execProc<ConfigManagerTimeout>(SystemPaths::resolve(SystemPaths::ConfigManagerProgram), {option, archive});
    if (code == 0) {
        return {};
    }
    return std::unexpected(process.failureText(QStringLiteral("tarn-event-config-manager %1").arg(option), code, output));
}

// Installs `files` (path -> content; every path accepted by PathPolicy):
// the configuration they give is checked first, and a rejected one installs
// nothing. Then the versions they replace are kept for `generation`, and
// each file is written; a file that fails does not stop the others.
KAuth::ActionReply installFiles(const QString &generation, const QHash<QString, QByteArray> &files)
{
    ConfigValidator::Changes changes;
    for (auto it = files.cbegin(); it != files.cend(); ++it) {
        changes.insert({it.key(), it.value()});
    }
    const ConfigValidator::Outcome checked = ConfigValidator::check(changes);
    if (checked.rejection) {
        return errorReply(QString::fromLatin1(ActionIds::ConfigRejectedError) + QLatin1Char('\n') + *checked.rejection);
    }
    if (const auto kept = BackupStore(generation).keep(files.keys()); !kept) {
        return errorReply(i18n("cannot keep the previous version: %1", kept.error()));
    }
    KAuth::ActionReply reply = KAuth::ActionReply::SuccessReply();
    for (const auto &[path, content] : changes) {
        const auto written = writeManagedFile(path, *content);
        if (!written) {
            reply = errorReply(written.error());
        }
    }
    if (reply.succeeded() && !checked.unchecked.isEmpty()) {
        reply.addData(QString::fromLatin1(ActionIds::NotValidatedKey), checked.unchecked);
    }
    return reply;
}

// Removes those of `paths` (accepted by PathPolicy) that exist, once their
// versions are kept for `generation`; a file that fails does not stop the
// others.
KAuth::ActionReply removeFiles(const QString &generation, const QStringList &paths)
{
    if (const auto kept = BackupStore(generation).keep(paths); !kept) {
        return errorReply(i18n("cannot keep the previous version: %1", kept.error()));
    }
    KAuth::ActionReply reply = KAuth::ActionReply::SuccessReply();
    for (const QString &path : paths) {
        QFile file(path);
        if (file.exists() && !file.remove()) {
            reply = errorReply(file.errorString());
        }
    }
    return reply;
}

// Every managed file an import may replace, remove or create: the fixed
// ones and the notification destination files there are.
QStringList importedFiles()
{
    QStringList paths;
    for (const char *fixed : {SystemPaths::EventSettingsFile, SystemPaths::AuditRulesFile, SystemPaths::SyslogNgCommonFile, SystemPaths::LogrotateFile}) {
        paths.append(SystemPaths::resolve(fixed));
    }
    const QDir confDir(SystemPaths::resolve(SystemPaths::SyslogNgConfDir));
    for (const QString &name : confDir.entryList({QStringLiteral("mod-tarn-*.conf")}, QDir::Files | QDir::Hidden | QDir::System)) {
        if (PathPolicy::checkManagedFile(confDir.filePath(name))) {
            paths.append(confDir.filePath(name));
        }
    }
    return paths;
}

// A directory only root can enter, for the archive while the configuration
// manager works on it.
FileIo::Result makePrivateDirectory(const QTemporaryDir &dir)
{
    if (!dir.isValid()) {
        return std::unexpected(i18n("cannot create a temporary directory: %1", dir.errorString()));
    }
    return {};
}
}

AdminEventsHelper::AdminEventsHelper(QObject *parent)
    : QObject(parent)
{
}

uid_t AdminEventsHelper::callerUid() const
{
    return ::getuid();
}

KAuth::ActionReply AdminEventsHelper::loggingservicectl(const QVariantMap &args)
{
    const auto accepted = checkArguments("loggingservicectl", args, {{"cmd", Type::String}});
    if (!accepted) {
        return errorReply(accepted.error());
    }
    const QString cmd = args.value(QStringLiteral("cmd")).toString();
    SngHandler::Result result;
    if (cmd == QLatin1String("start")) {
        result = SngHandler::Instance().syslogNgStart();
    } else if (cmd == QLatin1String("stop")) {
        result = SngHandler::Instance().syslogNgStop();
    } else if (cmd == QLatin1String("restart")) {
        result = SngHandler::Instance().syslogNgRestart();
    } else {
        return errorReply(i18n("loggingservicectl: unknown command"));
    }
    return result ? KAuth::ActionReply::SuccessReply() : errorReply(result.error());
}

// The configuration manager writes the archive as root into a private
// directory; the copy to the file the user chose is made with the user's
// credentials, so that no link swapped in on the way gets the helper to
// write where the user may not.
KAuth::ActionReply AdminEventsHelper::exportconfig(const QVariantMap &args)
{
    const auto accepted = checkArguments("exportconfig", args, {{"output", Type::String}});
    if (!accepted) {
        return errorReply(accepted.error());
    }
    const QString target = args.value(QStringLiteral("output")).toString();
    const PathPolicy::Verdict verdict = PathPolicy::checkArchiveFile(target, PathPolicy::ArchiveUse::Export);
    if (!verdict) {
        return errorReply(verdict.error());
    }

    QTemporaryDir work;
    const auto made = makePrivateDirectory(work);
    if (!made) {
        return errorReply(ExportError + QStringLiteral(": ") + made.error());
    }
    const QString archive = work.filePath(QStringLiteral("configuration.tar.gz"));
    const auto exported = runConfigManager(QStringLiteral("-o"), archive);
    if (!exported) {
        return errorReply(ExportError + QStringLiteral(": ") + exported.error());
    }
    const auto content = FileIo::readRegularFile(archive, MaxArchiveSize);
    if (!content) {
        return errorReply(ExportError + QStringLiteral(": ") + content.error());
    }

    const FileIo::Credentials caller(callerUid());
    if (!caller.status()) {
        return errorReply(caller.status().error());
    }
    const auto written = FileIo::replaceFile(target, *content, 0644, true);
    return written ? KAuth::ActionReply::SuccessReply() : errorReply(written.error());
}

// The user's archive is read with the user's credentials and copied into a
// private directory, where the configuration manager reads it.
KAuth::ActionReply AdminEventsHelper::importconfig(const QVariantMap &args)
{
    const auto accepted = checkArguments("importconfig", args, {{"input", Type::String}});
    if (!accepted) {
        return errorReply(accepted.error());
    }
    const QString source = args.value(QStringLiteral("input")).toString();
    const PathPolicy::Verdict verdict = PathPolicy::checkArchiveFile(source, PathPolicy::ArchiveUse::Import);
    if (!verdict) {
        return errorReply(verdict.error());
    }

    std::expected<QByteArray, QString> content;
    {
        const FileIo::Credentials caller(callerUid());
        if (!caller.status()) {
            return errorReply(caller.status().error());
        }
        content = FileIo::readRegularFile(source, MaxArchiveSize);
    }
    if (!content) {
        return errorReply(content.error());
    }

    QTemporaryDir work;
    auto prepared = makePrivateDirectory(work);
    const QString archive = work.filePath(QStringLiteral("configuration.tar.gz"));
    if (prepared) {
        prepared = FileIo::replaceFile(archive, *content, 0600);
    }
    if (!prepared) {
        return errorReply(ImportError + QStringLiteral(": ") + prepared.error());
    }
    // The import is an apply of its own: every file it may replace or
    // remove is kept, and those it creates are kept as missing.
    BackupStore store(QString{});
    const QStringList before = importedFiles();
    if (const auto kept = store.keep(before); !kept) {
        return errorReply(ImportError + QStringLiteral(": ") + i18n("cannot keep the previous version: %1", kept.error()));
    }
    const auto imported = runConfigManager(QStringLiteral("-i"), archive);
    const QStringList after = importedFiles();
    QStringList created;
    for (const QString &path : after) {
        if (!before.contains(path)) {
            created.append(path);
        }
    }
    store.keepAsMissing(created);
    if (!imported) {
        return errorReply(ImportError + QStringLiteral(": ") + imported.error());
    }
    // The configuration stays imported; the module warns about the common
    // file when syslog-ng rejects the configuration because of it.
    KAuth::ActionReply reply = KAuth::ActionReply::SuccessReply();
    const auto rejection = ConfigValidator::checkSyslogNg({}).rejection;
    if (rejection && rejection->contains(SystemPaths::resolve(SystemPaths::SyslogNgCommonFile))) {
        reply.addData(QStringLiteral("mainConfigImportFault"), true);
    }
    return reply;
}

KAuth::ActionReply AdminEventsHelper::writeconfig(const QVariantMap &args)
{
    const auto accepted = checkArguments("writeconfig", args, {{"action", Type::String}, {"path", Type::String}, {"content", Type::Bytes}});
    if (!accepted) {
        return errorReply(accepted.error());
    }
    if (args.value(QStringLiteral("action")).toString() != QLatin1String("writeConfig")) {
        return errorReply(i18n("writeconfig: unknown action"));
    }
    const auto generation = generationOf("writeconfig", args);
    if (!generation) {
        return errorReply(generation.error());
    }
    const QString path = args.value(QStringLiteral("path")).toString();
    const PathPolicy::Verdict verdict = PathPolicy::checkManagedFile(path);
    if (!verdict) {
        return errorReply(verdict.error());
    }
    return installFiles(*generation, {{path, args.value(QStringLiteral("content")).toByteArray()}});
}

KAuth::ActionReply AdminEventsHelper::removeconfig(const QVariantMap &args)
{
    const auto accepted = checkArguments("removeconfig", args, {{"file", Type::String}});
    if (!accepted) {
        return errorReply(accepted.error());
    }
    const auto generation = generationOf("removeconfig", args);
    if (!generation) {
        return errorReply(generation.error());
    }
    const QString path = args.value(QStringLiteral("file")).toString();
    const PathPolicy::Verdict verdict = PathPolicy::checkManagedFile(path);
    if (!verdict) {
        return errorReply(verdict.error());
    }
    if (const auto kept = BackupStore(*generation).keep({path}); !kept) {
        return errorReply(i18n("cannot keep the previous version: %1", kept.error()));
    }
    QFile file(path);
    if (!file.remove()) {
        return errorReply(file.errorString());
    }
    return KAuth::ActionReply::SuccessReply();
}

KAuth::ActionReply AdminEventsHelper::removenotificationconfigs(const QVariantMap &args)
{
    const auto accepted = checkArguments("removenotificationconfigs", args, {{"paths", Type::StringList}});
    if (!accepted) {
        return errorReply(accepted.error());
    }
    const auto generation = generationOf("removenotificationconfigs", args);
    if (!generation) {
        return errorReply(generation.error());
    }
    const QStringList paths = args.value(QStringLiteral("paths")).toStringList();
    const auto allowed = checkManagedFiles(paths);
    if (!allowed) {
        return errorReply(allowed.error());
    }
    return removeFiles(*generation, paths);
}

KAuth::ActionReply AdminEventsHelper::writenotificationconfigs(const QVariantMap &args)
{
    const auto accepted = checkArguments("writenotificationconfigs", args, {{"notifications", Type::Contents}});
    if (!accepted) {
        return errorReply(accepted.error());
    }
    const auto generation = generationOf("writenotificationconfigs", args);
    if (!generation) {
        return errorReply(generation.error());
    }
    const QHash<QString, QByteArray> notifications = contentsOf(args.value(QStringLiteral("notifications")));
    const auto allowed = checkManagedFiles(notifications.keys());
    if (!allowed) {
        return errorReply(allowed.error());
    }
    return installFiles(*generation, notifications);
}

KAuth::ActionReply AdminEventsHelper::restoreprevious(const QVariantMap &args)
{
    const auto accepted = checkArguments("restoreprevious", args, {});
    if (!accepted) {
        return errorReply(accepted.error());
    }
    const auto restored = BackupStore::restore();
    if (!restored) {
        return errorReply(restored.error());
    }
    KAuth::ActionReply reply = KAuth::ActionReply::SuccessReply();
    reply.addData(QString::fromLatin1(ActionIds::RestoredKey), *restored);
    return reply;
}

KAuth::ActionReply AdminEventsHelper::setauditsettings(const QVariantMap &auditSettings)
{
    const auto accepted = checkArguments("setauditsettings", auditSettings, {{"AUDIT_TYPE", Type::Int}});
    if (!accepted) {
        return errorReply(accepted.error());
    }
    // Everything but the caller's languages is a setting.
    QVariantMap settings = auditSettings;
    settings.remove(QLatin1String(ActionIds::LanguagesKey));
    for (auto it = settings.cbegin(); it != settings.cend(); ++it) {
        if (!hasType(it.value(), Type::Int)) {
            return errorReply(i18n("setauditsettings: the value of \"%1\" is not an integer", it.key()));
        }
    }
    if (!m_auditSettings.isAuditSettingsChanged(settings)) {
        return errorReply(QString::fromLatin1(ActionIds::AuditUnchangedError));
    }
    const QStringList failed = m_auditSettings.setAuditSettings(settings);
    if (!failed.isEmpty()) {
        return errorReply(QString::fromLatin1(ActionIds::AuditWriteFailedError) + QStringLiteral(": ") + failed.join(QStringLiteral(", ")));
    }
    return KAuth::ActionReply::SuccessReply();
}

KAuth::ActionReply AdminEventsHelper::getauditsettings(const QVariantMap &args)
{
    const auto accepted = checkArguments("getauditsettings", args, {{"list", Type::StringList}, {"auditType", Type::Int}, {"auditIDs", Type::StringList}});
    if (!accepted) {
        return errorReply(accepted.error());
    }
    KAuth::ActionReply reply = KAuth::ActionReply::SuccessReply();
    reply.setData(m_auditSettings.getAuditSettings(args.value(QStringLiteral("list")).toStringList(),
                                                   args.value(QStringLiteral("auditType")).toInt(),
                                                   args.value(QStringLiteral("auditIDs")).toStringList()));
    return reply;
}
