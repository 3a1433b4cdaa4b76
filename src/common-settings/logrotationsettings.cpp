/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "logrotationsettings.h"

#include "configaccessservice.h"

LogRotationSettings::LogRotationSettings(QWidget *parent)
    : LogRotationSettings(new ConfigAccessService(nullptr), parent)
{
}

LogRotationSettings::LogRotationSettings(ConfigAccessService *configAccessService, QWidget *parent)
    : QWidget(parent)
    , m_configAccessService(configAccessService)
{
    m_configAccessService->setParent(this);
}

LogRotationSettings::~LogRotationSettings() = default;

void LogRotationSettings::loadConfig()
{
}

std::expected<void, QString> LogRotationSettings::saveConfig()
{
    return {};
}

void LogRotationSettings::getLogStatistics()
{
}
