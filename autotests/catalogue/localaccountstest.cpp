/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "localaccounts.h"
#include "fakegetent.h"

#include <QElapsedTimer>
#include <QTest>

class LocalAccountsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void listingKeepsRegularAccounts_data();
    void listingKeepsRegularAccounts();
    void queryAsksForBothDatabasesOnce();
    void missingGetentGivesNoNames();
    void hangingGetentIsStoppedAtTheLimit();
};

void LocalAccountsTest::listingKeepsRegularAccounts_data()
{
    QTest::addColumn<QByteArray>("listing");
    QTest::addColumn<QStringList>("names");

    QTest::newRow("system, regular and nobody accounts") << QByteArray(
        "root:x:0:0:root:/root:/bin/bash\nalice:x:1000:1000::/home/alice:/bin/sh\n"
        "nobody:x:65534:65534:nobody:/nonexistent:/usr/sbin/nologin\nbob:x:1001:1001::/home/bob:/bin/sh\n")
                                                         << QStringList{QStringLiteral("alice"), QStringLiteral("bob")};
    QTest::newRow("group lines") << QByteArray("staff:x:1000:alice,bob\nusers:x:100:\n") << QStringList{QStringLiteral("staff")};
    QTest::newRow("ids at the edges") << QByteArray("a:x:999:\nb:x:65533:\nc:x:65535:\nd:x:4294967294:\n")
                                      << QStringList{QStringLiteral("b"), QStringLiteral("c")};
    // The text after the last line break is a line cut short, not a line.
    QTest::newRow("unterminated last line") << QByteArray("alice:x:1000:\nbob:x:1001:") << QStringList{QStringLiteral("alice")};
    static const char garbage[] = "garbage\n:x:2000:\nname-only\nshort:x\nbad:x:abc:\n\n\xff\xfe:x:\x01:\n\0\0:1500:\n";
    QTest::newRow("garbage") << QByteArray(garbage, sizeof(garbage) - 1) << QStringList();
    QTest::newRow("empty") << QByteArray() << QStringList();
}

void LocalAccountsTest::listingKeepsRegularAccounts()
{
    QFETCH(QByteArray, listing);
    QFETCH(QStringList, names);
    QCOMPARE(LocalAccounts::namesFromListing(listing), names);
}

void LocalAccountsTest::queryAsksForBothDatabasesOnce()
{
    const FakeGetent getent;
    getent.setListing(QStringLiteral("passwd"), "alice:x:1000:1000::/home/alice:/bin/sh\n");
    getent.setListing(QStringLiteral("group"), "staff:x:1000:\nwheel:x:10:\n");

    const LocalAccounts accounts = LocalAccounts::query();
    QCOMPARE(accounts.users, QStringList{QStringLiteral("alice")});
    QCOMPARE(accounts.groups, QStringList{QStringLiteral("staff")});
    QStringList calls = getent.calls();
    calls.sort();
    QCOMPARE(calls, (QStringList{QStringLiteral("group"), QStringLiteral("passwd")}));
}

void LocalAccountsTest::missingGetentGivesNoNames()
{
    const FakeGetent getent;
    getent.hideGetent();
    const LocalAccounts accounts = LocalAccounts::query();
    QVERIFY(accounts.users.isEmpty());
    QVERIFY(accounts.groups.isEmpty());
}

void LocalAccountsTest::hangingGetentIsStoppedAtTheLimit()
{
    const FakeGetent getent;
    getent.setListing(QStringLiteral("passwd"), "alice:x:1000:1000::/home/alice:/bin/sh\n");
    getent.setListing(QStringLiteral("group"), "staff:x:1000:\n");
    getent.setHanging(true);

    QElapsedTimer timer;
    timer.start();
    const LocalAccounts accounts = LocalAccounts::query(500);
    // Both runs share one limit; killing and reaping takes a moment more.
    QVERIFY2(timer.elapsed() < 3000, QByteArray::number(timer.elapsed()).constData());
    // What was printed before the hang is kept.
    QCOMPARE(accounts.users, QStringList{QStringLiteral("alice")});
    QCOMPARE(accounts.groups, QStringList{QStringLiteral("staff")});
}

QTEST_GUILESS_MAIN(LocalAccountsTest)

#include "localaccountstest.moc"
