/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#pragma once

#include <QMetaType>

// How the notification dialog opens.
enum NotificationsDialogType {
    // Switch notifications on: the fields start from defaults, OK is enabled.
    EnableNotifications = 0,
    // Change the settings of an event that notifies: the fields start from its
    // files, OK is enabled once something differs.
    NotificationSettings = 1,
};
Q_DECLARE_METATYPE(NotificationsDialogType)
