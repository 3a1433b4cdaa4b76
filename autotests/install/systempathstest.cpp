/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/

// Paths below ADMINEVENTS_ROOT in a build for tests, and none of it in an
// installed build (built without ADMINEVENTS_ROOT_PREFIX): this file is
// compiled into both.

#include "systempaths.h"

#include <QTest>

class SystemPathsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cleanup()
    {
        qunsetenv("ADMINEVENTS_ROOT");
    }

    void roots_data()
    {
        QTest::addColumn<QByteArray>("root");
        QTest::addColumn<QString>("resolved"); // in a build that honours the root
        QTest::addColumn<bool>("usable"); // by the module and the helper
        QTest::addColumn<bool>("usableByStandIns");
        const QString file = QString::fromUtf8(SystemPaths::EventSettingsFile);
        QTest::newRow("unset") << QByteArray() << file << true << false;
        QTest::newRow("slash") << QByteArray("/") << file << true << false;
        QTest::newRow("private tree") << QByteArray("/tmp/tree/") << QStringLiteral("/tmp/tree") + file << true << true;
        QTest::newRow("relative") << QByteArray("tree") << QStringLiteral("/dev/null") + file << false << false;
        QTest::newRow("dot") << QByteArray(".") << QStringLiteral("/dev/null") + file << false << false;
        QTest::newRow("relative with a slash") << QByteArray("tmp/tree/") << QStringLiteral("/dev/null") + file << false << false;
    }

    void roots()
    {
        QFETCH(QByteArray, root);
        QFETCH(QString, resolved);
        QFETCH(bool, usable);
        QFETCH(bool, usableByStandIns);
        if (!root.isNull()) {
            qputenv("ADMINEVENTS_ROOT", root);
        }
        const QString file = QString::fromUtf8(SystemPaths::EventSettingsFile);
        if (!SystemPaths::rootPrefixEnabled()) {
            // An installed build: the variable is not even looked at.
            QCOMPARE(SystemPaths::resolve(SystemPaths::EventSettingsFile), file);
            QCOMPARE(SystemPaths::rootPrefix(), QString());
            QCOMPARE(SystemPaths::unresolve(file), file);
            QVERIFY(SystemPaths::rootIsUsable());
            QVERIFY(SystemPaths::rootIsUsable(SystemPaths::RootUse::PrivateTreeRequired));
            return;
        }
        QCOMPARE(SystemPaths::resolve(SystemPaths::EventSettingsFile), resolved);
        QCOMPARE(SystemPaths::rootIsUsable(), usable);
        QCOMPARE(SystemPaths::rootIsUsable(SystemPaths::RootUse::PrivateTreeRequired), usableByStandIns);
        if (!usable) {
            QVERIFY(SystemPaths::rootProblem()->contains(QStringLiteral("not an absolute path")));
        }
    }

    void programs()
    {
        qputenv("ADMINEVENTS_ROOT", "/tmp/tree");
        const QString expected = SystemPaths::rootPrefixEnabled() ? QStringLiteral("systemctl") : QStringLiteral("/usr/bin/systemctl");
        QCOMPARE(SystemPaths::systemProgram(SystemPaths::SystemctlProgram), expected);
        QCOMPARE(SystemPaths::systemProgram(SystemPaths::GetentProgram),
                 SystemPaths::rootPrefixEnabled() ? QStringLiteral("getent") : QStringLiteral("/usr/bin/getent"));
    }

    void installedBuildIgnoresTheRoot()
    {
#ifdef ADMINEVENTS_INSTALLED_BUILD_EXPECTED
        QVERIFY(!SystemPaths::rootPrefixEnabled());
#endif
    }
};

QTEST_GUILESS_MAIN(SystemPathsTest)

#include "systempathstest.moc"
