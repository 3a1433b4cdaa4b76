/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "configaccessservice.h"

#include "actionids.h"

#include <KAuth/Action>

#include <QFile>
#include <QTextStream>

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

bool ConfigAccessService::exportConfig(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        setLastError(file.errorString());
        return false;
    }
    file.close();

    KAuth::Action action = makeAction(ActionIds::ExportConfig);
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
    action.addArgument(QStringLiteral("input"), path);
    return execute(action);
}
