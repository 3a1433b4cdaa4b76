/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#pragma once

#include <QByteArray>
#include <QStringList>
#include <QTemporaryDir>

// A recording "getent" put first on PATH for as long as it lives. It prints
// the listing set for the database it is asked for ("passwd" or "group"),
// records its arguments, one run per line, and can be made to hang.
class FakeGetent
{
public:
    FakeGetent();
    ~FakeGetent();

    void setListing(const QString &database, const QByteArray &listing) const;
    // Prints the listing, then sleeps far longer than any test waits.
    void setHanging(bool hanging) const;
    QStringList calls() const;
    void clearCalls() const;

    // PATH holding no getent at all, until restorePath().
    void hideGetent() const;
    void restorePath() const;

private:
    QTemporaryDir m_dir;
    QTemporaryDir m_emptyDir;
    QByteArray m_previousPath;
};
