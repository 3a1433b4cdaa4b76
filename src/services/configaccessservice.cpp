/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "configaccessservice.h"

#include "actionids.h"

#include <KAuth/Action>
#include <KLocalizedString>

#include <QFile>
#include <QFileInfo>
#include <QTextStream>
#include <QUuid>

#include <cerrno>
#include <unistd.h>
#include <utility>

namespace
{
KAuth::Action makeAction(const char *id)
{
    KAuth::Action action(QString::fromLatin1(id));
    action.setHelperId(QString::fromLatin1(ActionIds::HelperId));
    return action;
}
}

ConfigAccessService::ConfigAccessService(QObject *parent)
    : AccessService(parent)
{
}

void ConfigAccessService::beginApply()
{
    m_generation = QUuid::createUuid().toString(QUuid::WithoutBraces);
}

void ConfigAccessService::endApply()
{
    m_generation.clear();
}

bool ConfigAccessService::lastWriteRejected() const
{
    return m_rejected;
}

QStringList ConfigAccessService::takeUncheckedFiles()
{
    return std::exchange(m_unchecked, {});
}

bool ConfigAccessService::executeFileAction(KAuth::Action &action)
{
    if (!m_generation.isEmpty()) {
        action.addArgument(QString::fromLatin1(ActionIds::GenerationArgument), m_generation);
    }
    action.setTimeout(ActionIds::ValidatedWriteTimeoutMs);
    const bool succeeded = execute(action);
    m_unchecked += getActionResult(QString::fromLatin1(ActionIds::NotValidatedKey)).toStringList();
    const QString rejected = QString::fromLatin1(ActionIds::ConfigRejectedError);
    m_rejected = !succeeded && errorString().startsWith(rejected);
    if (m_rejected) {
        setLastError(i18n("The new configuration failed its check, so nothing was installed.\n%1", errorString().mid(rejected.size()).trimmed()));
    }
    return succeeded;
}

bool ConfigAccessService::restorePrevious()
{
    KAuth::Action action = makeAction(ActionIds::RestorePrevious);
    action.setTimeout(ActionIds::ValidatedWriteTimeoutMs);
    return execute(action);
}

QByteArray ConfigAccessService::linesToBytes(const QStringList &lines)
{
    QByteArray bytes;
    QTextStream stream(&bytes, QIODevice::ReadWrite);
    for (const QString &line : lines) {
        stream << line << "\n";
    }
    stream.flush();
    return bytes;
}

bool ConfigAccessService::writeConfig(const QString &path, QByteArray content)
{
    KAuth::Action action = makeAction(ActionIds::WriteConfig);
    action.setArguments({
        {QStringLiteral("action"), QStringLiteral("writeConfig")},
        {QStringLiteral("path"), path},
        {QStringLiteral("content"), content},
    });
    return executeFileAction(action);
}

bool ConfigAccessService::writeConfig(const QString &path, const QStringList &lines)
{
    return writeConfig(path, linesToBytes(lines));
}

bool ConfigAccessService::removeNotificationConfigs(const QStringList &paths)
{
    KAuth::Action action = makeAction(ActionIds::RemoveNotificationConfigs);
    action.addArgument(QStringLiteral("paths"), paths);
    return executeFileAction(action);
}

bool ConfigAccessService::writeNotificationConfigs(const QVariantHash &notifications)
{
    KAuth::Action action = makeAction(ActionIds::WriteNotificationConfigs);
    action.addArgument(QStringLiteral("notifications"), notifications);
    return executeFileAction(action);
}

bool ConfigAccessService::exportConfig(const QString &path)
{
    // The helper writes the archive as the calling user, replacing the
    // target only once the new archive is complete: the target is not
    // touched here, only checked with the user's own rights.
    const QFileInfo target(path);
    if (target.exists()) {
        if (!target.isFile()) {
            setLastError(target.isDir() ? qt_error_string(EISDIR) : i18n("\"%1\" is not a regular file", path));
            return false;
        }
        if (::access(QFile::encodeName(target.absoluteFilePath()).constData(), W_OK) != 0) {
            setLastError(qt_error_string(errno));
            return false;
        }
    } else {
        const QString directory = target.absolutePath();
        if (::access(QFile::encodeName(directory).constData(), W_OK | X_OK) != 0) {
            setLastError(qt_error_string(errno));
            return false;
        }
        if (!QFileInfo(directory).isDir()) {
            setLastError(qt_error_string(ENOTDIR));
            return false;
        }
    }

    KAuth::Action action = makeAction(ActionIds::ExportConfig);
    action.setTimeout(ActionIds::ConfigManagerTimeoutMs);
    action.addArgument(QStringLiteral("output"), path);
    return execute(action);
}

bool ConfigAccessService::importConfig(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        setLastError(file.errorString());
        return false;
    }
    file.close();

    KAuth::Action action = makeAction(ActionIds::ImportConfig);
    action.setTimeout(ActionIds::ConfigManagerTimeoutMs);
    action.addArgument(QStringLiteral("input"), path);
    return execute(action);
}
