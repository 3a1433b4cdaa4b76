/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#pragma once

#include <QString>

#include <set>

// The record of which events notify now: the file ids of the notification
// destination files found in the syslog-ng configuration directory when the
// record was last rebuilt.
class DBusKeeper
{
public:
    static DBusKeeper &Instance();

    // Rebuilds the record from disk.
    void init();
    // True when the message id, or its form with "-" for every "_", has a
    // destination file.
    bool findEvent(const QString &messageId) const;

private:
    DBusKeeper() = default;
    Q_DISABLE_COPY(DBusKeeper)

    std::set<QString> m_fileIds;
};
