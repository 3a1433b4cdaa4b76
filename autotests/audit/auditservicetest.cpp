/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "auditservice.h"
#include "actionids.h"
#include "fakeauditservice.h"

#include <QTest>

using SubjectTable = QHash<QPair<QString, QString>, int>;

// What a write tells: the system changed, or already held every value.
const std::expected<bool, QString> Changed = true;
const std::expected<bool, QString> Unchanged = false;
// A write that failed for `reason`.
std::expected<bool, QString> failedWith(const QString &reason)
{
    return std::unexpected(reason);
}

namespace
{
QPair<QString, QString> key(const char *auditId, const char *subject)
{
    return qMakePair(QString::fromUtf8(auditId), QString::fromUtf8(subject));
}
}

// The audit service's requests to the helper and its reading of the replies.
class AuditServiceTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void readsPerUserSettings()
    {
        FakeAuditService service;
        service.setValue(QStringLiteral("open"), 1, QStringLiteral("alice"), 3);
        service.setValue(QStringLiteral("open"), 2, QStringLiteral("alice"), 1); // a group of that name

        const SubjectTable settings = service.getAuditSettings(1, {QStringLiteral("open")}, {QStringLiteral("alice"), QStringLiteral("bob")});

        QCOMPARE(settings, (SubjectTable{{key("open", "alice"), 3}, {key("open", "bob"), 0}}));
        QCOMPARE(service.requests.size(), 1);
        const FakeAuditService::Request &request = service.requests.first();
        QCOMPARE(request.action, QString::fromLatin1(ActionIds::GetAuditSettings));
        QCOMPARE(request.helperId, QStringLiteral("tarnos.kcm.adminevents"));
        QCOMPARE(request.arguments.keys(), QStringList({QStringLiteral("auditIDs"), QStringLiteral("auditType"), QStringLiteral("list")}));
        QCOMPARE(request.arguments.value(QStringLiteral("auditType")), QVariant(1));
        QCOMPARE(request.arguments.value(QStringLiteral("auditIDs")).toStringList(), QStringList{QStringLiteral("open")});
        QCOMPARE(request.arguments.value(QStringLiteral("list")).toStringList(), QStringList({QStringLiteral("alice"), QStringLiteral("bob")}));
        QVERIFY(service.errorString().isEmpty());
    }

    void readsOtherSettings()
    {
        FakeAuditService service;
        service.setValue(QStringLiteral("exec"), 4, QString(), 2);

        const QHash<QString, int> settings = service.getOtherAuditSettings({QStringLiteral("open"), QStringLiteral("exec")});

        QCOMPARE(settings, (QHash<QString, int>{{QStringLiteral("open"), 0}, {QStringLiteral("exec"), 2}}));
        const QVariantMap arguments = service.requests.first().arguments;
        QCOMPARE(arguments.value(QStringLiteral("auditType")), QVariant(4));
        QVERIFY(arguments.contains(QStringLiteral("list")));
        QVERIFY(arguments.value(QStringLiteral("list")).toStringList().isEmpty());
    }

    void aFailedReadGivesEmptyTablesAndTheReason()
    {
        FakeAuditService service;
        service.setValue(QStringLiteral("open"), 4, QString(), 3);
        service.setFailure(QStringLiteral("Authorization denied"));

        QVERIFY(service.getOtherAuditSettings({QStringLiteral("open")}).isEmpty());
        QCOMPARE(service.errorString(), QStringLiteral("Authorization denied"));
        QVERIFY(service.getAuditSettings(2, {QStringLiteral("open")}, {QStringLiteral("wheel")}).isEmpty());
        QCOMPARE(service.errorString(), QStringLiteral("Authorization denied"));
    }

    void writesPerGroupSettings()
    {
        FakeAuditService service;
        QCOMPARE(service.setAuditSettings({{key("chmod", "wheel"), 3}, {key("exec", "wheel"), 0}}, 2), Changed);

        QCOMPARE(service.requests.size(), 1);
        QCOMPARE(service.requests.first().action, QString::fromLatin1(ActionIds::SetAuditSettings));
        QCOMPARE(service.requests.first().helperId, QStringLiteral("tarnos.kcm.adminevents"));
        QCOMPARE(service.requests.first().arguments,
                 (QVariantMap{{QStringLiteral("AUDIT_TYPE"), 2}, {QStringLiteral("chmod/wheel"), 3}, {QStringLiteral("exec/wheel"), 0}}));
        QCOMPARE(service.value(QStringLiteral("chmod"), 2, QStringLiteral("wheel")), 3);
    }

    void writesOtherSettings()
    {
        FakeAuditService service;
        QCOMPARE(service.setOtherAuditSettings({{QStringLiteral("open"), 3}}), Changed);
        QCOMPARE(service.requests.first().arguments, (QVariantMap{{QStringLiteral("AUDIT_TYPE"), 4}, {QStringLiteral("open"), 3}}));
        QCOMPARE(service.value(QStringLiteral("open"), 4, QString()), 3);
    }

    void aWriteThatChangesNothingIsFalse()
    {
        FakeAuditService service;
        // An empty table still names its audit type.
        QCOMPARE(service.setAuditSettings({}, 1), Unchanged);
        QCOMPARE(service.requests.first().arguments, (QVariantMap{{QStringLiteral("AUDIT_TYPE"), 1}}));
        QCOMPARE(service.errorString(), QString::fromLatin1(ActionIds::AuditUnchangedError));

        service.setValue(QStringLiteral("open"), 4, QString(), 1);
        QCOMPARE(service.setOtherAuditSettings({{QStringLiteral("open"), 1}}), Unchanged);
        QCOMPARE(service.setOtherAuditSettings({{QStringLiteral("open"), 3}}), Changed);
        QVERIFY(service.errorString().isEmpty());
    }

    void aFailedWriteIsAnError_data()
    {
        QTest::addColumn<QString>("failure");
        QTest::newRow("values not written") << QString::fromLatin1(ActionIds::AuditWriteFailedError) + QStringLiteral(": open");
        QTest::newRow("helper unreachable") << QStringLiteral("The helper does not answer");
        QTest::newRow("authorisation denied") << QStringLiteral("Authorization denied");
    }

    void aFailedWriteIsAnError()
    {
        QFETCH(QString, failure);
        FakeAuditService service;
        service.setFailure(failure);
        QCOMPARE(service.setOtherAuditSettings({{QStringLiteral("open"), 3}}), failedWith(failure));
        QCOMPARE(service.setAuditSettings({{key("open", "alice"), 3}}, 1), failedWith(failure));
    }

    void convertsTablesToMapsAndBack_data()
    {
        QTest::addColumn<SubjectTable>("table");
        QTest::addColumn<QVariantMap>("map");
        QTest::newRow("empty") << SubjectTable{} << QVariantMap{};
        QTest::newRow("plain names") << SubjectTable{{key("open", "alice"), 3}, {key("net", "bob"), 0}}
                                     << QVariantMap{{QStringLiteral("open/alice"), 3}, {QStringLiteral("net/bob"), 0}};
        QTest::newRow("a name with a slash") << SubjectTable{{key("open", "ldap/admins"), 2}} << QVariantMap{{QStringLiteral("open/ldap/admins"), 2}};
        QTest::newRow("an empty name") << SubjectTable{{key("open", ""), 1}} << QVariantMap{{QStringLiteral("open/"), 1}};
        QTest::newRow("case is kept") << SubjectTable{{key("open", "Alice"), 1}, {key("open", "alice"), 2}}
                                      << QVariantMap{{QStringLiteral("open/Alice"), 1}, {QStringLiteral("open/alice"), 2}};
    }

    void convertsTablesToMapsAndBack()
    {
        QFETCH(SubjectTable, table);
        QFETCH(QVariantMap, map);
        QCOMPARE(AuditService::convertAuditSettingsToMap(table), map);
        QCOMPARE(AuditService::convertAuditSettingsToHash(map), table);
    }

    void aNameWithASlashSurvivesTheHelper()
    {
        FakeAuditService service;
        QCOMPARE(service.setAuditSettings({{key("mount", "ldap/admins"), 3}}, 2), Changed);
        QCOMPARE(service.value(QStringLiteral("mount"), 2, QStringLiteral("ldap/admins")), 3);
        QCOMPARE(service.getAuditSettings(2, {QStringLiteral("mount")}, {QStringLiteral("ldap/admins")}), (SubjectTable{{key("mount", "ldap/admins"), 3}}));
    }

    void replyKeysWithoutSubjectAreSkipped()
    {
        const QVariantMap reply{{QStringLiteral("open"), 3}, {QStringLiteral("open/alice"), 1}};
        QCOMPARE(AuditService::convertAuditSettingsToHash(reply), (SubjectTable{{key("open", "alice"), 1}}));
    }

    void convertsOtherTables()
    {
        const QHash<QString, int> table{{QStringLiteral("open"), 3}, {QStringLiteral("exec"), 0}};
        const QVariantMap map{{QStringLiteral("open"), 3}, {QStringLiteral("exec"), 0}};
        QCOMPARE(AuditService::convertOtherAuditSettingsToMap(table), map);
        QCOMPARE(AuditService::convertOtherAuditSettingsToHash(map), table);
        // Values arrive as whatever the bus makes of an int.
        QCOMPARE(AuditService::convertOtherAuditSettingsToHash({{QStringLiteral("open"), QVariant(qlonglong(2))}}),
                 (QHash<QString, int>{{QStringLiteral("open"), 2}}));
    }
};

QTEST_GUILESS_MAIN(AuditServiceTest)

#include "auditservicetest.moc"
