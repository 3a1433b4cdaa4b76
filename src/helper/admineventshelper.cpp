/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "admineventshelper.h"

#include "pathpolicy.h"
#include "processexecutor.h"
#include "snghandler.h"
#include "systempaths.h"

#include <QFile>
#include <QSaveFile>
#include <QStringList>
#include <QVariantHash>

#include <expected>

namespace
{
KAuth::ActionReply errorReply(const QString &description)
{
    KAuth::ActionReply reply = KAuth::ActionReply::HelperErrorReply();
    reply.setErrorDescription(description);
    return reply;
}

// Replaces the file at `path` with `content` in one step: the new content
// goes to a temporary file beside it, which is renamed over the old one only
// when everything was written. Any failure leaves the old file as it was.
std::expected<void, QString> replaceFile(const QString &path, const QByteArray &content)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        return std::unexpected(file.errorString());
    }
    // rw-r--r--: logrotate ignores group- or world-writable files.
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther);
    if (file.write(content) != content.size()) {
        const QString error = file.errorString();
        file.cancelWriting();
        return std::unexpected(error);
    }
    if (!file.commit()) {
        const QString error = file.errorString();
        return std::unexpected(error.isEmpty() ? QStringLiteral("cannot write %1").arg(path) : error);
    }
    return {};
}

// Every path of `paths` must be a managed file; otherwise the reasons of all
// refusals, one per line.
std::expected<void, QString> checkManagedFiles(const QStringList &paths)
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

KAuth::ActionReply runConfigManager(const QString &option, const QString &path, PathPolicy::ArchiveUse use, const QString &failure)
{
    const PathPolicy::Verdict verdict = PathPolicy::checkArchiveFile(path, use);
    if (!verdict) {
        return errorReply(verdict.error());
    }
    ProcessExecutor process;
    const int code = process.execProc<-1>(SystemPaths::resolve(SystemPaths::ConfigManagerProgram), {option, path}).first;
    return code == 0 ? KAuth::ActionReply::SuccessReply() : errorReply(failure);
}
}

AdminEventsHelper::AdminEventsHelper(QObject *parent)
    : QObject(parent)
{
}

KAuth::ActionReply AdminEventsHelper::loggingservicectl(const QVariantMap &args)
{
    const QString cmd = args.value(QStringLiteral("cmd")).toString();
    if (cmd == QLatin1String("start")) {
        SngHandler::Instance().syslogNgStart();
    } else if (cmd == QLatin1String("stop")) {
        SngHandler::Instance().syslogNgStop();
    } else if (cmd == QLatin1String("restart")) {
        SngHandler::Instance().syslogNgRestart();
    } else {
        return errorReply(QStringLiteral("loggingservicectl: unknown command"));
    }
    return KAuth::ActionReply::SuccessReply();
}

KAuth::ActionReply AdminEventsHelper::exportconfig(const QVariantMap &args)
{
    return runConfigManager(QStringLiteral("-o"),
                            args.value(QStringLiteral("output")).toString(),
                            PathPolicy::ArchiveUse::Export,
                            QStringLiteral("tarn-event-config-manager: unable to export configuration"));
}

KAuth::ActionReply AdminEventsHelper::importconfig(const QVariantMap &args)
{
    return runConfigManager(QStringLiteral("-i"),
                            args.value(QStringLiteral("input")).toString(),
                            PathPolicy::ArchiveUse::Import,
                            QStringLiteral("tarn-event-config-manager: unable to import configuration"));
}

KAuth::ActionReply AdminEventsHelper::writeconfig(const QVariantMap &args)
{
    if (args.value(QStringLiteral("action")).toString() != QLatin1String("writeConfig")) {
        return errorReply(QStringLiteral("writeconfig: unknown action"));
    }
    const QByteArray content = args.value(QStringLiteral("content")).toByteArray();
    const QString path = args.value(QStringLiteral("path")).toString();

    const PathPolicy::Verdict verdict = PathPolicy::checkManagedFile(path);
    if (!verdict) {
        return errorReply(verdict.error());
    }
    const auto written = replaceFile(path, content);
    return written ? KAuth::ActionReply::SuccessReply() : errorReply(written.error());
}

KAuth::ActionReply AdminEventsHelper::removeconfig(const QVariantMap &args)
{
    const QString path = args.value(QStringLiteral("file")).toString();
    const PathPolicy::Verdict verdict = PathPolicy::checkManagedFile(path);
    if (!verdict) {
        return errorReply(verdict.error());
    }
    QFile file(path);
    if (!file.remove()) {
        return errorReply(file.errorString());
    }
    return KAuth::ActionReply::SuccessReply();
}

KAuth::ActionReply AdminEventsHelper::removenotificationconfigs(const QVariantMap &args)
{
    const QStringList paths = args.value(QStringLiteral("paths")).toStringList();
    const auto accepted = checkManagedFiles(paths);
    if (!accepted) {
        return errorReply(accepted.error());
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

KAuth::ActionReply AdminEventsHelper::writenotificationconfigs(const QVariantMap &args)
{
    const QVariantHash notifications = args.value(QStringLiteral("notifications")).toHash();
    const auto accepted = checkManagedFiles(notifications.keys());
    if (!accepted) {
        return errorReply(accepted.error());
    }

    KAuth::ActionReply reply = KAuth::ActionReply::SuccessReply();
    for (auto it = notifications.cbegin(); it != notifications.cend(); ++it) {
        const auto written = replaceFile(it.key(), it.value().toByteArray());
        if (!written) {
            reply = errorReply(written.error());
        }
    }
    return reply;
}

KAuth::ActionReply AdminEventsHelper::setauditsettings(const QVariantMap &auditSettings)
{
    if (!m_auditSettings.setAuditSettings(auditSettings)) {
        return errorReply(QStringLiteral("Settings were not changed in system"));
    }
    return KAuth::ActionReply::SuccessReply();
}

KAuth::ActionReply AdminEventsHelper::getauditsettings(const QVariantMap &args)
{
    KAuth::ActionReply reply = KAuth::ActionReply::SuccessReply();
    reply.setData(m_auditSettings.getAuditSettings(args.value(QStringLiteral("list")).toStringList(),
                                                   args.value(QStringLiteral("auditType")).toInt(),
                                                   args.value(QStringLiteral("auditIDs")).toStringList()));
    return reply;
}
