/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#pragma once

#include <QByteArray>
#include <QStringList>

// The local users and groups every audit table lists: the names of the
// accounts with an id above 999 (65534, "nobody", excepted), as "getent"
// reports them.
class LocalAccounts
{
public:
    // How long "getent" may take.
    static constexpr int QueryTimeoutMs = 30000;

    // Runs "getent passwd" and "getent group" side by side and waits for both
    // at most `timeoutMs` in all. A getent that is missing, fails or is still
    // running at the limit (it is then killed) gives the names of whatever it
    // printed, usually none.
    static LocalAccounts query(int timeoutMs = QueryTimeoutMs);

    // The names kept from one getent listing ("name:x:id:..." lines).
    static QStringList namesFromListing(const QByteArray &listing);

    QStringList users;
    QStringList groups;
};
