/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#pragma once

#include <QString>

// One row of an audit table: a user or group name with its two audit flags.
struct AuditRecord {
    QString name;
    // Failed operations are audited.
    bool fail = false;
    // Successful operations are audited.
    bool succ = false;
};
