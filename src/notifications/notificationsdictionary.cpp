/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "notificationsdictionary.h"

NotificationsDictionary &NotificationsDictionary::Instance()
{
    static NotificationsDictionary instance;
    return instance;
}

bool NotificationsDictionary::init()
{
    return m_loaded;
}

bool NotificationsDictionary::contains(const QString &eventId) const
{
    return m_events.count(eventId) > 0;
}

QString NotificationsDictionary::applicationName(const QString &eventId) const
{
    const auto found = m_events.find(eventId);
    return found == m_events.end() ? QString() : found->second;
}

void NotificationsDictionary::reset()
{
    m_events.clear();
    m_loaded = false;
}
