/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "auditsettings.h"

#include <QTest>

// The module's audit tables: values merge bit by bit and are never cleared
// one by one.
class AuditSettingsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void startsEmptyWithTheSeventeenIdentifiers()
    {
        AuditSettings settings;
        QVERIFY(settings.otherSettings.isEmpty());
        QVERIFY(settings.userSettings.isEmpty());
        QVERIFY(settings.groupSettings.isEmpty());
        QCOMPARE(settings.auditIDs,
                 QStringList({QStringLiteral("open"),
                              QStringLiteral("create"),
                              QStringLiteral("exec"),
                              QStringLiteral("delete"),
                              QStringLiteral("chmod"),
                              QStringLiteral("chown"),
                              QStringLiteral("mount"),
                              QStringLiteral("module"),
                              QStringLiteral("uid"),
                              QStringLiteral("gid"),
                              QStringLiteral("audit"),
                              QStringLiteral("acl"),
                              QStringLiteral("mac"),
                              QStringLiteral("cap"),
                              QStringLiteral("chroot"),
                              QStringLiteral("rename"),
                              QStringLiteral("net")}));
        QVERIFY(!settings.parent());
    }

    void mergesValuesOfOneKey_data()
    {
        QTest::addColumn<QList<int>>("values");
        QTest::addColumn<int>("expected");
        QTest::newRow("success then failure") << QList<int>{1, 2} << 3;
        QTest::newRow("failure then nothing keeps failure") << QList<int>{2, 0} << 2;
        QTest::newRow("nothing then success") << QList<int>{0, 1} << 1;
        QTest::newRow("nothing alone is stored") << QList<int>{0} << 0;
        QTest::newRow("both then success") << QList<int>{3, 1} << 3;
    }

    void mergesValuesOfOneKey()
    {
        QFETCH(QList<int>, values);
        QFETCH(int, expected);
        const auto key = qMakePair(QStringLiteral("open"), QStringLiteral("alice"));

        AuditSettings users;
        AuditSettings groups;
        AuditSettings other;
        for (int value : std::as_const(values)) {
            users.prepareAuditSettings(QStringLiteral("open"), AuditSettings::UserType, QStringLiteral("alice"), value);
            groups.prepareAuditSettings(QStringLiteral("open"), AuditSettings::GroupType, QStringLiteral("alice"), value);
            other.prepareOtherAuditSettings(QStringLiteral("open"), value);
        }
        QCOMPARE(users.userSettings, (QHash<QPair<QString, QString>, int>{{key, expected}}));
        QVERIFY(users.groupSettings.isEmpty());
        QCOMPARE(groups.groupSettings, (QHash<QPair<QString, QString>, int>{{key, expected}}));
        QVERIFY(groups.userSettings.isEmpty());
        QCOMPARE(other.otherSettings, (QHash<QString, int>{{QStringLiteral("open"), expected}}));
    }

    void keysAreIdentifierThenSubject()
    {
        AuditSettings settings;
        settings.prepareAuditSettings(QStringLiteral("chmod"), AuditSettings::UserType, QStringLiteral("alice"), 1);
        settings.prepareAuditSettings(QStringLiteral("chmod"), AuditSettings::UserType, QStringLiteral("bob"), 2);
        settings.prepareAuditSettings(QStringLiteral("exec"), AuditSettings::UserType, QStringLiteral("alice"), 2);
        QCOMPARE(settings.userSettings.value(qMakePair(QStringLiteral("chmod"), QStringLiteral("alice"))), 1);
        QCOMPARE(settings.userSettings.value(qMakePair(QStringLiteral("chmod"), QStringLiteral("bob"))), 2);
        QCOMPARE(settings.userSettings.value(qMakePair(QStringLiteral("exec"), QStringLiteral("alice"))), 2);
        QVERIFY(!settings.userSettings.contains(qMakePair(QStringLiteral("alice"), QStringLiteral("chmod"))));
    }

    void otherAuditTypesChangeNothing_data()
    {
        QTest::addColumn<int>("auditType");
        QTest::newRow("other") << 4;
        QTest::newRow("none") << 0;
        QTest::newRow("both tables at once") << 3;
    }

    void otherAuditTypesChangeNothing()
    {
        QFETCH(int, auditType);
        AuditSettings settings;
        settings.prepareAuditSettings(QStringLiteral("open"), auditType, QStringLiteral("alice"), 3);
        QVERIFY(settings.userSettings.isEmpty());
        QVERIFY(settings.groupSettings.isEmpty());
        QVERIFY(settings.otherSettings.isEmpty());
    }

    void clearingKeepsTheIdentifiers()
    {
        AuditSettings settings;
        const QStringList ids = settings.auditIDs;
        settings.prepareAuditSettings(QStringLiteral("open"), AuditSettings::UserType, QStringLiteral("alice"), 3);
        settings.prepareAuditSettings(QStringLiteral("open"), AuditSettings::GroupType, QStringLiteral("wheel"), 3);
        settings.prepareOtherAuditSettings(QStringLiteral("open"), 3);

        settings.clearAuditSettings();
        QVERIFY(settings.userSettings.isEmpty());
        QVERIFY(settings.groupSettings.isEmpty());
        QVERIFY(settings.otherSettings.isEmpty());
        QCOMPARE(settings.auditIDs, ids);

        // After clearing, a key starts afresh.
        settings.prepareOtherAuditSettings(QStringLiteral("open"), 0);
        QCOMPARE(settings.otherSettings.value(QStringLiteral("open"), -1), 0);
    }
};

QTEST_GUILESS_MAIN(AuditSettingsTest)

#include "auditsettingstest.moc"
