/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "dbuskeeper.h"
#include "catalogueroot.h"
#include "systempaths.h"

#include <QDir>
#include <QTest>

class DBusKeeperTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // First: the registry is a process-wide object.
    void nothingIsFoundBeforeTheFirstInit();
    void destinationFileNamesGiveFileIds();
    void onlyNotificationDestinationFilesCount();
    void initForgetsFilesThatAreGone();
};

void DBusKeeperTest::nothingIsFoundBeforeTheFirstInit()
{
    CatalogueRoot catalogue;
    QVERIFY(catalogue.addNotificationFile(QStringLiteral("mod-tarn-user-login.conf")));
    QVERIFY(!DBusKeeper::Instance().findEvent(QStringLiteral("user-login")));
    QVERIFY(!DBusKeeper::Instance().findEvent(QStringLiteral("user_login")));
}

void DBusKeeperTest::destinationFileNamesGiveFileIds()
{
    CatalogueRoot catalogue;
    QVERIFY(catalogue.addNotificationFile(QStringLiteral("mod-tarn-user-login.conf")));
    QVERIFY(catalogue.addNotificationFile(QStringLiteral("mod-tarn-disk_space.conf")));
    DBusKeeper::Instance().init();

    QVERIFY(DBusKeeper::Instance().findEvent(QStringLiteral("user-login")));
    QVERIFY(DBusKeeper::Instance().findEvent(QStringLiteral("user_login")));
    QVERIFY(DBusKeeper::Instance().findEvent(QStringLiteral("disk_space")));
    // Only "_" is turned into "-", never the other way round.
    QVERIFY(!DBusKeeper::Instance().findEvent(QStringLiteral("disk-space")));
    QVERIFY(!DBusKeeper::Instance().findEvent(QStringLiteral("user")));
    QVERIFY(!DBusKeeper::Instance().findEvent(QStringLiteral("User-login")));
}

void DBusKeeperTest::onlyNotificationDestinationFilesCount()
{
    CatalogueRoot catalogue;
    QVERIFY(catalogue.addNotificationFile(QStringLiteral("mod-tarn.conf")));
    QVERIFY(catalogue.addNotificationFile(QStringLiteral("mod-tarn-x.conf.bak")));
    QVERIFY(catalogue.addNotificationFile(QStringLiteral("Mod-tarn-upper.conf")));
    QVERIFY(catalogue.addNotificationFile(QStringLiteral("other-y.conf")));
    QVERIFY(QDir().mkpath(catalogue.root().filePath(QString::fromUtf8(SystemPaths::SyslogNgConfDir) + QStringLiteral("/mod-tarn-dir.conf"))));
    DBusKeeper::Instance().init();

    for (const char *id : {"", "x", "x.conf", "x.bak", "upper", "other-y", "dir"}) {
        QVERIFY2(!DBusKeeper::Instance().findEvent(QString::fromUtf8(id)), id);
    }
}

void DBusKeeperTest::initForgetsFilesThatAreGone()
{
    CatalogueRoot catalogue;
    QVERIFY(catalogue.addNotificationFile(QStringLiteral("mod-tarn-gone.conf")));
    DBusKeeper::Instance().init();
    QVERIFY(DBusKeeper::Instance().findEvent(QStringLiteral("gone")));

    QVERIFY(QFile::remove(SystemPaths::notificationDestinationFile(QStringLiteral("gone"))));
    DBusKeeper::Instance().init();
    QVERIFY(!DBusKeeper::Instance().findEvent(QStringLiteral("gone")));
}

QTEST_GUILESS_MAIN(DBusKeeperTest)

#include "dbuskeepertest.moc"
