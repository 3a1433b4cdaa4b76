/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#pragma once

#include <QString>

#include <map>

// The events that can notify: notification event id -> application name,
// read from the desktop event watcher's system rc files
// ("<knotifications5>/...tarn-event-watcher_....notifyrc"). One per process.
class NotificationsDictionary
{
public:
    static NotificationsDictionary &Instance();

    // Loads the table once; true when it holds any event. A load that found
    // nothing is tried again by the next call.
    bool init();
    bool contains(const QString &eventId) const;
    // The application name of an event, or an empty string.
    QString applicationName(const QString &eventId) const;
    // Forgets what was loaded (tests).
    void reset();

private:
    NotificationsDictionary() = default;
    Q_DISABLE_COPY(NotificationsDictionary)

    std::map<QString, QString> m_events;
    bool m_loaded = false;
};
