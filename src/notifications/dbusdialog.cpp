/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "dbusdialog.h"

DBusDialog::DBusDialog(ConfigAccessService &configAccessService, LoggingService &loggingService, QWidget *parent)
    : QDialog(parent)
    , m_configAccessService(configAccessService)
    , m_loggingService(loggingService)
{
    setObjectName(QStringLiteral("DBusDialog"));
}

DBusDialog::~DBusDialog() = default;

void DBusDialog::setDialogType(NotificationsDialogType type)
{
    m_type = type;
}

NotificationsDialogType DBusDialog::dialogType() const
{
    return m_type;
}

void DBusDialog::setParams(const QString &, const QString &, const QStringList &)
{
}

void DBusDialog::setEvent(EventTreeItem *item)
{
    m_event = item;
}

EventTreeItem *DBusDialog::currentEvent() const
{
    return m_event;
}

bool DBusDialog::checkStartParams() const
{
    return true;
}

QStringList DBusDialog::createEventContent() const
{
    return {};
}

void DBusDialog::writeTypeConfig() const
{
}

QStringList DBusDialog::prepareParam(const QString &)
{
    return {};
}

void DBusDialog::setupNotificationRepetition()
{
}

void DBusDialog::generateConfig()
{
}

void DBusDialog::setOkButtonState() const
{
}
