/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#pragma once

#include <QString>

// The identifiers of an event's notification, all derived from its message id.
namespace NotificationIds
{
// The notification event id of the rc sections: every character after a "-"
// or "_" upper-cased, then the separators removed (user_login_failed gives
// userLoginFailed).
QString eventId(const QString &messageId);
// The id in the destination file's name: every "_" replaced by "-".
QString fileId(const QString &messageId);
// The key of the module's notification tables: every "-" replaced by "_".
QString tableKey(const QString &fileIdOrMessageId);
// The running user's own rc file of an application:
// "<home>/.config/<application>.notifyrc".
QString userRcPath(const QString &applicationName);
}
