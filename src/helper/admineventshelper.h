/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#pragma once

#include "auditsettings.h"

#include <KAuth/ActionReply>

#include <QObject>
#include <QVariantMap>

// The privileged helper: carries out the module's KAuth actions
// "tarnos.kcm.adminevents.<slot name>" as the super-user. Every argument is
// untrusted: files are touched only when PathPolicy accepts their paths.
class AdminEventsHelper : public QObject
{
    Q_OBJECT
public:
    explicit AdminEventsHelper(QObject *parent = nullptr);

public Q_SLOTS:
    // "cmd": "start", "stop" or "restart" of syslog-ng (auditd with it).
    KAuth::ActionReply loggingservicectl(const QVariantMap &args);
    // "output": the archive to write, an existing regular file.
    KAuth::ActionReply exportconfig(const QVariantMap &args);
    // "input": the archive to read.
    KAuth::ActionReply importconfig(const QVariantMap &args);
    // "action" = "writeConfig", "path", "content" (bytes).
    KAuth::ActionReply writeconfig(const QVariantMap &args);
    // "file": the file to delete.
    KAuth::ActionReply removeconfig(const QVariantMap &args);
    // "paths": the files to delete; missing ones are skipped.
    KAuth::ActionReply removenotificationconfigs(const QVariantMap &args);
    // "notifications": path -> content.
    KAuth::ActionReply writenotificationconfigs(const QVariantMap &args);
    // Setting key -> value, plus "AUDIT_TYPE".
    KAuth::ActionReply setauditsettings(const QVariantMap &auditSettings);
    // "list" (subjects), "auditType", "auditIDs"; replies with the settings.
    KAuth::ActionReply getauditsettings(const QVariantMap &args);

private:
    AuditSettings m_auditSettings;
};
