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

#include <cerrno>
#include <unistd.h>

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

bool ConfigAccessService::writeConfig(const QString &path, QByteArray content)
{
    KAuth::Action action = makeAction(ActionIds::WriteConfig);
    action.setArguments({
        {QStringLiteral("action"), QStringLiteral("writeConfig")},
        {QStringLiteral("path"), path},
        {QStringLiteral("content"), content},
    });
    return execute(action);
}

bool ConfigAccessService::writeConfig(const QString &path, const QStringList &lines)
{
    QByteArray bytes;
    QTextStream stream(&bytes, QIODevice::ReadWrite);
    for (const QString &line : lines) {
        stream << line << "\n";
    }
    stream.flush();
    return writeConfig(path, bytes);
}

bool ConfigAccessService::removeNotificationConfigs(const QStringList &paths)
{
    KAuth::Action action = makeAction(ActionIds::RemoveNotificationConfigs);
    action.addArgument(QStringLiteral("paths"), paths);
    return execute(action);
}

bool ConfigAccessService::writeNotificationConfigs(const QVariantHash &notifications)
{
    KAuth::Action action = makeAction(ActionIds::WriteNotificationConfigs);
    action.addArgument(QStringLiteral("notifications"), notifications);
    return execute(action);
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
