/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "pathpolicy.h"

#include "systempaths.h"

#include <QTemporaryDir>
#include <QTest>

class PathPolicyTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void fileIds_data();
    void fileIds();
    void managedFiles_data();
    void managedFiles();
    void managedFilesFollowTheRoot();
    void relativeRootManagesNothing_data();
    void relativeRootManagesNothing();
};

void PathPolicyTest::fileIds_data()
{
    QTest::addColumn<QString>("fileId");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("letters, digits, dash, underscore, dot") << QStringLiteral("User_login-failed.2") << true;
    QTest::newRow("single letter") << QStringLiteral("a") << true;
    QTest::newRow("dots inside") << QStringLiteral("a..b") << true;
    QTest::newRow("empty") << QString() << false;
    QTest::newRow("leading dot") << QStringLiteral(".a") << false;
    QTest::newRow("dot-dot") << QStringLiteral("..") << false;
    QTest::newRow("slash") << QStringLiteral("a/b") << false;
    QTest::newRow("space") << QStringLiteral("a b") << false;
    QTest::newRow("star") << QStringLiteral("a*") << false;
    QTest::newRow("non-ASCII letter") << QStringLiteral("caf\u00e9") << false;
    QTest::newRow("line break") << QStringLiteral("a\nb") << false;
}

void PathPolicyTest::fileIds()
{
    QFETCH(QString, fileId);
    QFETCH(bool, accepted);
    QCOMPARE(PathPolicy::isFileId(fileId), accepted);
}

void PathPolicyTest::managedFiles_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("managed");
    QTest::newRow("event settings") << QStringLiteral("/etc/tarn-syslog.conf") << true;
    QTest::newRow("audit rules") << QStringLiteral("/etc/audit/rules.d/tarn-syslog.rules") << true;
    QTest::newRow("syslog-ng common") << QStringLiteral("/etc/syslog-ng/conf.d/mod-tarn.conf") << true;
    QTest::newRow("logrotate") << QStringLiteral("/etc/logrotate.d/syslog-ng-mod-tarn") << true;
    QTest::newRow("notification") << QStringLiteral("/etc/syslog-ng/conf.d/mod-tarn-user-login-failed.conf") << true;
    QTest::newRow("other file in conf.d") << QStringLiteral("/etc/syslog-ng/conf.d/other.conf") << false;
    QTest::newRow("notification without .conf") << QStringLiteral("/etc/syslog-ng/conf.d/mod-tarn-a.conf.bak") << false;
    QTest::newRow("notification in a sub-directory") << QStringLiteral("/etc/syslog-ng/conf.d/x/mod-tarn-a.conf") << false;
    QTest::newRow("notification elsewhere") << QStringLiteral("/etc/mod-tarn-a.conf") << false;
    QTest::newRow("double slash") << QStringLiteral("/etc//tarn-syslog.conf") << false;
    QTest::newRow("dot component") << QStringLiteral("/etc/./tarn-syslog.conf") << false;
    QTest::newRow("dot-dot back to a managed file") << QStringLiteral("/etc/audit/../tarn-syslog.conf") << false;
    QTest::newRow("trailing slash") << QStringLiteral("/etc/tarn-syslog.conf/") << false;
    QTest::newRow("relative") << QStringLiteral("etc/tarn-syslog.conf") << false;
    QTest::newRow("unrelated") << QStringLiteral("/etc/shadow") << false;
}

void PathPolicyTest::managedFiles()
{
    QFETCH(QString, path);
    QFETCH(bool, managed);
    qunsetenv("ADMINEVENTS_ROOT");
    QCOMPARE(PathPolicy::isManagedFile(path), managed);
}

void PathPolicyTest::managedFilesFollowTheRoot()
{
    QTemporaryDir root;
    QVERIFY(root.isValid());
    qputenv("ADMINEVENTS_ROOT", QFile::encodeName(root.path()) + "/");
    QVERIFY(PathPolicy::isManagedFile(root.path() + QStringLiteral("/etc/tarn-syslog.conf")));
    QVERIFY(PathPolicy::isManagedFile(SystemPaths::notificationDestinationFile(QStringLiteral("a"))));
    // The same name outside the root is not managed.
    QVERIFY(!PathPolicy::isManagedFile(QStringLiteral("/etc/tarn-syslog.conf")));
    QVERIFY(!PathPolicy::isManagedFile(root.path() + QStringLiteral("x/etc/tarn-syslog.conf")));
    qunsetenv("ADMINEVENTS_ROOT");
}

void PathPolicyTest::relativeRootManagesNothing_data()
{
    QTest::addColumn<QString>("path");
    QTest::newRow("below the relative root") << QStringLiteral("tree/etc/tarn-syslog.conf");
    QTest::newRow("below the working directory") << QStringLiteral("/tree/etc/tarn-syslog.conf");
    QTest::newRow("the system's own") << QStringLiteral("/etc/tarn-syslog.conf");
    QTest::newRow("notification") << QStringLiteral("tree/etc/syslog-ng/conf.d/mod-tarn-a.conf");
}

// A relative root would name a tree below whatever directory the helper runs
// in, often "/": it names none.
void PathPolicyTest::relativeRootManagesNothing()
{
    QFETCH(QString, path);
    if (!SystemPaths::rootPrefixEnabled()) {
        QSKIP("this build does not honour ADMINEVENTS_ROOT");
    }
    qputenv("ADMINEVENTS_ROOT", "tree");
    const bool managed = PathPolicy::isManagedFile(path);
    const auto verdict = PathPolicy::checkManagedFile(path);
    qunsetenv("ADMINEVENTS_ROOT");
    QVERIFY(!managed);
    QVERIFY(!verdict);
}

QTEST_GUILESS_MAIN(PathPolicyTest)

#include "pathpolicytest.moc"
