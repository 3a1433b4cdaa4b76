/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "configvalidator.h"

#include "fileio.h"
#include "processexecutor.h"
#include "systempaths.h"

#include <KLocalizedString>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <algorithm>
#include <tuple>

namespace
{
constexpr int ValidatorTimeout = 60 * 1000;
// What a stage may copy of the syslog-ng configuration directory.
constexpr qint64 MaxStagedBytes = 64 * 1024 * 1024;
constexpr int MaxStagedDepth = 8;
// Rejected audit rules named in one reply.
constexpr int MaxReportedRules = 10;
// A rule auditctl accepts anywhere: what it says of it inside a user
// namespace (where the kernel refuses every request) is no complaint.
const QString ProbeRule = QStringLiteral("-w /etc/passwd -p wa -k probe");

QString syslogNgDir()
{
    return SystemPaths::resolve(SystemPaths::SyslogNgConfigDir);
}

bool isSyslogNgFile(const QString &path)
{
    return path.startsWith(syslogNgDir() + QLatin1Char('/'));
}

// Writes a file of a stage, a private directory: no need for the care of
// FileIo::replaceFile().
std::expected<void, QString> writeStaged(const QString &path, const QByteArray &content)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(content) != content.size() || !file.flush()) {
        return std::unexpected(i18n("cannot stage %1: %2", path, file.errorString()));
    }
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    return {};
}

// A syslog-ng string literal.
QString quoted(const QString &text)
{
    QString escaped = text;
    escaped.replace(QLatin1Char('\\'), QLatin1String("\\\\")).replace(QLatin1Char('"'), QLatin1String("\\\""));
    return QLatin1Char('"') + escaped + QLatin1Char('"');
}

// `content` with the includes of files below `from` led below `to`.
QByteArray redirectIncludes(const QByteArray &content, const QString &from, const QString &to)
{
    if (!content.contains("@include")) {
        return content;
    }
    QList<QByteArray> lines = content.split('\n');
    for (QByteArray &line : lines) {
        if (!line.trimmed().startsWith("@include")) {
            continue;
        }
        for (const char quote : {'"', '\''}) {
            line.replace(quote + QFile::encodeName(from) + '/', quote + QFile::encodeName(to) + '/');
        }
    }
    return lines.join('\n');
}

// Copies the regular files and directories below `from` to `to`.
std::expected<void, QString> copyTree(const QString &from, const QString &to, const QString &realDir, const QString &stageDir, int depth, qint64 &budget)
{
    if (depth > MaxStagedDepth) {
        return std::unexpected(i18n("%1 is nested too deeply to be staged", from));
    }
    if (!QDir().mkpath(to)) {
        return std::unexpected(i18n("cannot create %1", to));
    }
    const QFileInfoList entries = QDir(from).entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System, QDir::Name);
    for (const QFileInfo &entry : entries) {
        const QString target = to + QLatin1Char('/') + entry.fileName();
        if (entry.isSymLink()) {
            continue;
        }
        if (entry.isDir()) {
            if (auto copied = copyTree(entry.filePath(), target, realDir, stageDir, depth + 1, budget); !copied) {
                return copied;
            }
        } else if (entry.isFile()) {
            const auto content = FileIo::readRegularFile(entry.filePath(), budget);
            if (!content) {
                return std::unexpected(content.error());
            }
            budget -= content->size();
            if (auto written = writeStaged(target, redirectIncludes(*content, realDir, stageDir)); !written) {
                return written;
            }
        }
    }
    return {};
}

// How a validator ran.
struct Run {
    bool finished = false; // it exited by itself; `code` tells how
    int code = -1;
    QString output;
    QString failure; // why it did not finish
};

Run run(const QString &program, const QStringList &arguments)
{
    ProcessExecutor process;
    // The validators' messages are read here: in English.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
    process.setProcessEnvironment(environment);
    Run ran;
    std::tie(ran.code, ran.output) = process.execProc<ValidatorTimeout>(program, arguments);
    ran.finished = process.outcome() == ProcessExecutor::Outcome::Finished;
    if (!ran.finished) {
        ran.failure = process.failureText(QFileInfo(program).fileName(), ran.code, ran.output);
    }
    return ran;
}

// What syslog-ng tells of itself, asked once: its built-in include path and
// the configuration version it reads.
struct SyslogNgFacts {
    QStringList includePath;
    QString configVersion;
};

const SyslogNgFacts &syslogNgFacts(const QString &program)
{
    static SyslogNgFacts facts;
    if (!facts.includePath.isEmpty()) {
        return facts;
    }
    if (const Run version = run(program, {QStringLiteral("--version")}); version.finished && version.code == 0) {
        const auto match = QRegularExpression(QStringLiteral("^Config version: (\\S+)$"), QRegularExpression::MultilineOption).match(version.output);
        facts.configVersion = match.captured(1);
    }
    QTemporaryDir probeDir;
    const QString probe = probeDir.filePath(QStringLiteral("probe.conf"));
    const QString expanded = probeDir.filePath(QStringLiteral("probe.out"));
    if (!probeDir.isValid() || facts.configVersion.isEmpty()
        || !writeStaged(probe, QStringLiteral("@version: %1\n# include-path=`include-path`\n").arg(facts.configVersion).toUtf8())) {
        return facts;
    }
    run(program, {QStringLiteral("--syntax-only"), QStringLiteral("--preprocess-into=") + expanded, QStringLiteral("-f"), probe});
    const auto content = FileIo::readRegularFile(expanded, 1024 * 1024);
    if (content) {
        const auto match = QRegularExpression(QStringLiteral("^# include-path=(.*)$"), QRegularExpression::MultilineOption).match(QString::fromUtf8(*content));
        facts.includePath = match.captured(1).split(QLatin1Char(':'), Qt::SkipEmptyParts);
    }
    return facts;
}

QStringList uncheckedFiles(const ConfigValidator::Changes &changes, const QString &why)
{
    QStringList unchecked;
    for (const auto &[path, content] : changes) {
        if (content) {
            unchecked.append(QStringLiteral("%1: %2").arg(path, why));
        }
    }
    return unchecked;
}

ConfigValidator::Outcome checkLogrotate(const QString &path, const QByteArray &content)
{
    const QString program = SystemPaths::findSystemProgram(SystemPaths::LogrotateProgram);
    if (program.isEmpty()) {
        return {std::nullopt, {QStringLiteral("%1: logrotate is not installed").arg(path)}};
    }
    QTemporaryDir stage;
    const QString staged = stage.filePath(QFileInfo(path).fileName());
    if (!stage.isValid()) {
        return {std::nullopt, {QStringLiteral("%1: no place to check it: %2").arg(path, stage.errorString())}};
    }
    if (auto written = writeStaged(staged, content); !written) {
        return {std::nullopt, {QStringLiteral("%1: %2").arg(path, written.error())}};
    }
    // A private state file: the check must not touch the real one.
    const Run ran = run(program, {QStringLiteral("-d"), QStringLiteral("-s"), stage.filePath(QStringLiteral("state")), staged});
    if (!ran.finished) {
        return {std::nullopt, {QStringLiteral("%1: %2").arg(path, ran.failure)}};
    }
    // Errors of the file name it; the others (a log that is not there) are
    // not the configuration's.
    QStringList errors;
    for (const QString &line : ran.output.split(QLatin1Char('\n'))) {
        if (line.startsWith(QLatin1String("error:")) && line.contains(staged + QLatin1Char(':'))) {
            errors.append(QString(line).replace(staged, path));
        }
    }
    if (errors.isEmpty()) {
        return {};
    }
    return {QStringLiteral("logrotate rejects %1:\n%2").arg(path, errors.join(QLatin1Char('\n'))), {}};
}

ConfigValidator::Outcome checkAuditRules(const QString &path, const QByteArray &content)
{
    const QString auditctl = SystemPaths::findSystemProgram(SystemPaths::AuditctlProgram);
    const QString unshare = SystemPaths::findSystemProgram(SystemPaths::UnshareProgram);
    if (auditctl.isEmpty()) {
        return {std::nullopt, {QStringLiteral("%1: auditctl is not installed").arg(path)}};
    }
    if (unshare.isEmpty()) {
        return {std::nullopt, {QStringLiteral("%1: unshare is not installed, so the rules cannot be parsed apart from the kernel").arg(path)}};
    }
    static const QRegularExpression blanks(QStringLiteral("\\s+"));
    // Never loaded: in a user namespace of its own the kernel refuses every
    // audit request, after auditctl has parsed the rule.
    const auto parse = [&](const QString &rule) {
        return run(unshare, QStringList{QStringLiteral("-U"), QStringLiteral("-r"), QStringLiteral("--"), auditctl} + rule.split(blanks, Qt::SkipEmptyParts));
    };
    const auto linesOf = [](const QString &output) {
        QStringList lines = output.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        for (QString &line : lines) {
            line = line.trimmed();
        }
        return lines;
    };
    const Run probe = parse(ProbeRule);
    const QStringList accepted = linesOf(probe.output);
    if (!probe.finished || (!accepted.isEmpty() && accepted.first().startsWith(QLatin1String("unshare:")))) {
        return {std::nullopt,
                {QStringLiteral("%1: no user namespace to parse the rules in (%2)").arg(path, probe.finished ? accepted.first() : probe.failure)}};
    }

    const QStringList lines = QString::fromUtf8(content).split(QLatin1Char('\n'));
    QStringList rejected;
    for (int number = 1; number <= lines.size(); ++number) {
        const QString rule = lines.at(number - 1).trimmed();
        if (rule.isEmpty() || rule.startsWith(QLatin1Char('#'))) {
            continue;
        }
        const Run ran = parse(rule);
        if (!ran.finished) {
            return {std::nullopt, {QStringLiteral("%1: %2").arg(path, ran.failure)}};
        }
        QStringList messages = linesOf(ran.output);
        messages.erase(std::remove_if(messages.begin(),
                                      messages.end(),
                                      [&accepted](const QString &line) {
                                          return accepted.contains(line);
                                      }),
                       messages.end());
        if (!messages.isEmpty()) {
            rejected.append(QStringLiteral("line %1: %2\n    %3").arg(number).arg(rule, messages.join(QStringLiteral("\n    "))));
        }
    }
    if (rejected.isEmpty()) {
        return {};
    }
    if (rejected.size() > MaxReportedRules) {
        const qsizetype more = rejected.size() - MaxReportedRules;
        rejected.erase(rejected.begin() + MaxReportedRules, rejected.end());
        rejected.append(QStringLiteral("... and %1 more").arg(more));
    }
    return {QStringLiteral("auditctl rejects rules of %1:\n%2").arg(path, rejected.join(QLatin1Char('\n'))), {}};
}

void merge(ConfigValidator::Outcome &into, const ConfigValidator::Outcome &outcome)
{
    if (outcome.rejection) {
        into.rejection = into.rejection ? *into.rejection + QStringLiteral("\n\n") + *outcome.rejection : *outcome.rejection;
    }
    into.unchecked += outcome.unchecked;
}
}

ConfigValidator::Outcome ConfigValidator::check(const Changes &changes)
{
    Outcome outcome;
    Changes syslogNg;
    bool syslogNgWrites = false;
    for (const auto &[path, content] : changes) {
        if (isSyslogNgFile(path)) {
            syslogNg.insert({path, content});
            syslogNgWrites = syslogNgWrites || content.has_value();
        } else if (content && path == SystemPaths::resolve(SystemPaths::LogrotateFile)) {
            merge(outcome, checkLogrotate(path, *content));
        } else if (content && path == SystemPaths::resolve(SystemPaths::AuditRulesFile)) {
            merge(outcome, checkAuditRules(path, *content));
        }
    }
    if (syslogNgWrites) {
        merge(outcome, checkSyslogNg(syslogNg));
    }
    return outcome;
}

ConfigValidator::Outcome ConfigValidator::checkSyslogNg(const Changes &changes)
{
    const QString program = SystemPaths::findSystemProgram(SystemPaths::SyslogNgProgram);
    if (program.isEmpty()) {
        return {std::nullopt, uncheckedFiles(changes, QStringLiteral("syslog-ng is not installed"))};
    }
    QTemporaryDir work;
    if (!work.isValid()) {
        return {std::nullopt, uncheckedFiles(changes, QStringLiteral("no place to check it: %1").arg(work.errorString()))};
    }
    const QString stageDir = work.filePath(QStringLiteral("syslog-ng"));
    const auto mainFile = stageSyslogNg(stageDir, changes);
    if (!mainFile) {
        return {std::nullopt, uncheckedFiles(changes, mainFile.error())};
    }
    const QStringList builtIn = syslogNgFacts(program).includePath;
    if (builtIn.isEmpty()) {
        return {std::nullopt, uncheckedFiles(changes, QStringLiteral("syslog-ng does not tell its include path"))};
    }

    // The stage first; a directory of the system holding scl.conf (the
    // system's own configuration directory, whose conf.d must not be read)
    // only through a copy of that file, unless the stage has its own.
    QStringList includePath{stageDir};
    const bool stageHasScl = QFileInfo(stageDir + QStringLiteral("/scl.conf")).isFile();
    const QString systemConf = work.filePath(QStringLiteral("system-conf"));
    for (const QString &dir : builtIn) {
        const QString scl = dir + QStringLiteral("/scl.conf");
        if (!QFileInfo(scl).isFile()) {
            includePath.append(dir);
            continue;
        }
        if (stageHasScl || includePath.contains(systemConf)) {
            continue;
        }
        const auto content = FileIo::readRegularFile(scl, 1024 * 1024);
        if (!content || !QDir().mkpath(systemConf) || !writeStaged(systemConf + QStringLiteral("/scl.conf"), *content)) {
            return {std::nullopt, uncheckedFiles(changes, QStringLiteral("cannot copy %1").arg(scl))};
        }
        includePath.append(systemConf);
    }
    const QString wrapper = work.filePath(QStringLiteral("wrapper.conf"));
    const QString wrapperText = QStringLiteral("@define include-path %1\n@include %2\n").arg(quoted(includePath.join(QLatin1Char(':'))), quoted(*mainFile));
    if (auto written = writeStaged(wrapper, wrapperText.toUtf8()); !written) {
        return {std::nullopt, uncheckedFiles(changes, written.error())};
    }

    const Run ran = run(program, {QStringLiteral("--syntax-only"), QStringLiteral("-f"), wrapper});
    if (!ran.finished) {
        return {std::nullopt, uncheckedFiles(changes, ran.failure)};
    }
    if (ran.code == 0) {
        return {};
    }
    QStringList lines;
    for (const QString &line : ran.output.split(QLatin1Char('\n'))) {
        // The wrapper is ours, not the administrator's.
        if (!line.contains(wrapper) && !(line.trimmed().isEmpty() && (lines.isEmpty() || lines.last().trimmed().isEmpty()))) {
            lines.append(line);
        }
    }
    // Staged paths named as the real ones.
    const QString message = lines.join(QLatin1Char('\n')).trimmed().replace(stageDir, syslogNgDir());
    return {QStringLiteral("syslog-ng rejects the new configuration:\n%1").arg(message), {}};
}

std::expected<QString, QString> ConfigValidator::stageSyslogNg(const QString &stageDir, const Changes &changes)
{
    const QString realDir = syslogNgDir();
    qint64 budget = MaxStagedBytes;
    if (QFileInfo(realDir).isDir() && !QFileInfo(realDir).isSymLink()) {
        if (auto copied = copyTree(realDir, stageDir, realDir, stageDir, 0, budget); !copied) {
            return std::unexpected(copied.error());
        }
    } else if (!QDir().mkpath(stageDir)) {
        return std::unexpected(i18n("cannot create %1", stageDir));
    }
    for (const auto &[path, content] : changes) {
        if (!isSyslogNgFile(path)) {
            continue;
        }
        const QString staged = stageDir + path.mid(realDir.size());
        if (!content) {
            QFile::remove(staged);
        } else if (!QDir().mkpath(QFileInfo(staged).absolutePath())) {
            return std::unexpected(i18n("cannot stage %1", path));
        } else if (auto written = writeStaged(staged, redirectIncludes(*content, realDir, stageDir)); !written) {
            return std::unexpected(written.error());
        }
    }

    const QString mainFile = stageDir + SystemPaths::resolve(SystemPaths::SyslogNgMainFile).mid(realDir.size());
    if (!QFileInfo(mainFile).isFile()) {
        const QString program = SystemPaths::findSystemProgram(SystemPaths::SyslogNgProgram);
        const QString version = program.isEmpty() ? QString() : syslogNgFacts(program).configVersion;
        if (version.isEmpty()) {
            return std::unexpected(i18n("there is no main syslog-ng configuration, and syslog-ng does not tell its version"));
        }
        const QString standIn = QStringLiteral(
                                    "@version: %1\n"
                                    "@include \"scl.conf\"\n"
                                    "source tarn_events_src { unix-dgram(%2 flags(no-parse)); };\n"
                                    "parser tarn_events_parser { json-parser(prefix(\"MSG.\")); };\n"
                                    "@include \"conf.d/*.conf\"\n")
                                    .arg(version, quoted(stageDir + QStringLiteral("/events.sock")));
        if (auto written = writeStaged(mainFile, standIn.toUtf8()); !written) {
            return std::unexpected(written.error());
        }
    }
    return mainFile;
}
