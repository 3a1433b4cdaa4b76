/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "loggingservice.h"

#include "actionids.h"

#include <KAuth/Action>

LoggingService::LoggingService(QObject *parent)
    : AccessService(parent)
{
    connect(this, &AccessService::finished, this, &LoggingService::stateChanged);
}

void LoggingService::runCmd(const QString &cmd)
{
    KAuth::Action action(QString::fromLatin1(ActionIds::LoggingServiceCtl));
    action.setHelperId(QString::fromLatin1(ActionIds::HelperId));
    action.addArgument(QStringLiteral("cmd"), cmd);
    action.setTimeout(ActionIds::LoggingServiceTimeoutMs);
    executeAsync(action);
}

void LoggingService::start()
{
    runCmd(QStringLiteral("start"));
}

void LoggingService::stop()
{
    runCmd(QStringLiteral("stop"));
}

void LoggingService::restart()
{
    runCmd(QStringLiteral("restart"));
}
