/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#pragma once

#include "systemauditsettings.h"

#include <KAuth/ActionReply>

#include <QObject>
#include <QVariantMap>

#include <sys/types.h>

// The privileged helper: carries out the module's KAuth actions
// "tarnos.kcm.adminevents.<slot name>" as the super-user. Every argument is
// untrusted: an action whose arguments lack a key or have another type than
// the module sends is refused before anything is touched, and files are
// touched only when PathPolicy accepts their paths.
//
// A file is installed only when the configuration it gives passes its
// validator (ConfigValidator); one that cannot be checked is installed and
// named in the reply data ActionIds::NotValidatedKey. Before a file is
// replaced or removed its previous version is kept (BackupStore) for the
// apply named by the optional argument ActionIds::GenerationArgument of the
// file actions; "restoreprevious" puts the kept versions back.
class AdminEventsHelper : public QObject
{
    Q_OBJECT
public:
    explicit AdminEventsHelper(QObject *parent = nullptr);

public Q_SLOTS:
    // "cmd": "start", "stop" or "restart" of syslog-ng (auditd with it); an
    // error when a systemctl failed.
    KAuth::ActionReply loggingservicectl(const QVariantMap &args);
    // "output": the archive to write (replaced, or created), with the caller's
    // credentials.
    KAuth::ActionReply exportconfig(const QVariantMap &args);
    // "input": the archive to read, with the caller's credentials. An apply
    // of its own: every managed file is kept before.
    KAuth::ActionReply importconfig(const QVariantMap &args);
    // "action" = "writeConfig", "path", "content" (bytes). A new
    // configuration its validator rejects is not installed: the error starts
    // with ActionIds::ConfigRejectedError.
    KAuth::ActionReply writeconfig(const QVariantMap &args);
    // "file": the file to delete.
    KAuth::ActionReply removeconfig(const QVariantMap &args);
    // "paths": the files to delete; missing ones are skipped.
    KAuth::ActionReply removenotificationconfigs(const QVariantMap &args);
    // "notifications": path -> content, checked together as one change.
    KAuth::ActionReply writenotificationconfigs(const QVariantMap &args);
    // Setting key -> value, plus "AUDIT_TYPE", all integers. Errors:
    // ActionIds::AuditUnchangedError when nothing differs (nothing written),
    // ActionIds::AuditWriteFailedError, ": " and the keys that failed.
    KAuth::ActionReply setauditsettings(const QVariantMap &auditSettings);
    // "list" (subjects), "auditType", "auditIDs"; replies with the settings.
    KAuth::ActionReply getauditsettings(const QVariantMap &args);
    // No arguments. Puts back the files as they were before the last apply;
    // replies with the system paths put back (ActionIds::RestoredKey).
    KAuth::ActionReply restoreprevious(const QVariantMap &args);

protected:
    // Whose credentials the archive of an export or import is accessed with.
    // Here this process's user; the program asks KAuth for the user who
    // called the action (KAuth can tell only inside a call it delivered).
    virtual uid_t callerUid() const;

private:
    SystemAuditSettings m_auditSettings;
};
