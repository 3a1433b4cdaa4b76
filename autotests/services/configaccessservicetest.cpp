/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "configaccessservice.h"
#include "scriptedservice.h"

#include <KAuth/ActionReply>

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

class ConfigAccessServiceTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void writeConfigSendsTheBytes();
    void writeConfigLines_data();
    void writeConfigLines();
    void writeConfigReportsFailure();
    void exportLeavesTheTargetToTheHelper_data();
    void exportLeavesTheTargetToTheHelper();
    void exportIntoAnUnusableTargetRunsNoAction_data();
    void exportIntoAnUnusableTargetRunsNoAction();
    void importChecksTheFileFirst();

private:
    QTemporaryDir m_dir;
};

void ConfigAccessServiceTest::writeConfigSendsTheBytes()
{
    ScriptedService<ConfigAccessService> service;
    // With a NUL inside: the bytes, not a C string, cross.
    static const char text[] = "{\"event\": {\"enabled\": \"0\"}}\n\0tail";
    const QByteArray content(text, sizeof text - 1);

    QVERIFY(service.writeConfig(QStringLiteral("/etc/tarn-syslog.conf"), content));
    QCOMPARE(service.actions.size(), 1);
    const KAuth::Action &action = service.actions[0];
    QCOMPARE(action.name(), QStringLiteral("tarnos.kcm.adminevents.writeconfig"));
    QCOMPARE(action.helperId(), QStringLiteral("tarnos.kcm.adminevents"));
    const QVariantMap arguments = action.arguments();
    QCOMPARE(arguments.keys(), (QStringList{QStringLiteral("action"), QStringLiteral("content"), QStringLiteral("path")}));
    QCOMPARE(arguments.value(QStringLiteral("action")), QVariant(QStringLiteral("writeConfig")));
    QCOMPARE(arguments.value(QStringLiteral("path")), QVariant(QStringLiteral("/etc/tarn-syslog.conf")));
    QCOMPARE(arguments.value(QStringLiteral("content")).userType(), int(QMetaType::QByteArray));
    QCOMPARE(arguments.value(QStringLiteral("content")).toByteArray(), content);
}

void ConfigAccessServiceTest::writeConfigLines_data()
{
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("no lines: empty file") << QStringList() << QByteArray("");
    QTest::newRow("every line ends with a line feed") << QStringList{QStringLiteral("a"), QStringLiteral("b")} << QByteArray("a\nb\n");
    QTest::newRow("empty lines are kept") << QStringList{QString(), QStringLiteral("x"), QString()} << QByteArray("\nx\n\n");
    QTest::newRow("UTF-8") << QStringList{QStringLiteral("\u0416\u0443\u0440\u043d\u0430\u043b")}
                           << QByteArray("\xd0\x96\xd1\x83\xd1\x80\xd0\xbd\xd0\xb0\xd0\xbb\n");
}

void ConfigAccessServiceTest::writeConfigLines()
{
    QFETCH(QStringList, lines);
    QFETCH(QByteArray, expected);
    ScriptedService<ConfigAccessService> service;

    QVERIFY(service.writeConfig(QStringLiteral("/etc/logrotate.d/syslog-ng-mod-tarn"), lines));
    QCOMPARE(service.actions.size(), 1);
    const QVariant content = service.actions[0].arguments().value(QStringLiteral("content"));
    QCOMPARE(content.userType(), int(QMetaType::QByteArray));
    QCOMPARE(content.toByteArray(), expected);
}

void ConfigAccessServiceTest::writeConfigReportsFailure()
{
    ScriptedService<ConfigAccessService> service;
    service.outcomes = {{int(KAuth::ActionReply::AuthorizationDeniedError), QString(), {}}, {-1, QStringLiteral("No space left on device"), {}}};

    QVERIFY(!service.writeConfig(QStringLiteral("/etc/tarn-syslog.conf"), QByteArray("x")));
    QCOMPARE(service.errorString(), QStringLiteral("Authorization denied"));
    QVERIFY(!service.writeConfig(QStringLiteral("/etc/tarn-syslog.conf"), QStringList{QStringLiteral("x")}));
    QCOMPARE(service.errorString(), QStringLiteral("No space left on device"));
}

void ConfigAccessServiceTest::exportLeavesTheTargetToTheHelper_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("old");
    QTest::newRow("an older archive") << QStringLiteral("old.tar.gz") << QByteArray("an older archive");
    QTest::newRow("no archive yet") << QStringLiteral("new.tar.gz") << QByteArray();
}

void ConfigAccessServiceTest::exportLeavesTheTargetToTheHelper()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, old);
    const QString path = m_dir.filePath(name);
    if (!old.isEmpty()) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(old);
    }
    ScriptedService<ConfigAccessService> service;
    service.outcomes = {{-1, QStringLiteral("tarn-event-config-manager: unable to export configuration"), {}}};

    QVERIFY(!service.exportConfig(path));
    QCOMPARE(service.errorString(), QStringLiteral("tarn-event-config-manager: unable to export configuration"));
    QCOMPARE(service.actions.size(), 1);
    QCOMPARE(service.actions[0].name(), QStringLiteral("tarnos.kcm.adminevents.exportconfig"));
    QCOMPARE(service.actions[0].helperId(), QStringLiteral("tarnos.kcm.adminevents"));
    QCOMPARE(service.actions[0].arguments(), (QVariantMap{{QStringLiteral("output"), path}}));
    // The helper failed: an older archive is as it was, and none was created.
    QFile file(path);
    if (old.isEmpty()) {
        QVERIFY(!file.exists());
    } else {
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), old);
    }
}

void ConfigAccessServiceTest::exportIntoAnUnusableTargetRunsNoAction_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("error");
    const QString missing = m_dir.filePath(QStringLiteral("missing/export.tar.gz"));
    QFile probe(missing);
    QVERIFY(!probe.open(QIODevice::WriteOnly));
    QTest::newRow("missing directory") << missing << probe.errorString();
    QTest::newRow("a directory") << m_dir.path() << QStringLiteral("Is a directory");
}

void ConfigAccessServiceTest::exportIntoAnUnusableTargetRunsNoAction()
{
    QFETCH(QString, path);
    QFETCH(QString, error);
    ScriptedService<ConfigAccessService> service;
    QVERIFY(!service.exportConfig(path));
    QCOMPARE(service.errorString(), error);
    QVERIFY(service.actions.isEmpty());
}

void ConfigAccessServiceTest::importChecksTheFileFirst()
{
    ScriptedService<ConfigAccessService> service;
    const QString missing = m_dir.filePath(QStringLiteral("missing.tar.gz"));
    QVERIFY(!service.importConfig(missing));
    QVERIFY(!service.errorString().isEmpty());
    QVERIFY(service.actions.isEmpty());

    const QString path = m_dir.filePath(QStringLiteral("import.tar.gz"));
    const QByteArray content(
        "\x1f\x8b"
        " archive");
    {
        QFile archive(path);
        QVERIFY(archive.open(QIODevice::WriteOnly));
        archive.write(content);
    }
    QVERIFY(service.importConfig(path));
    QVERIFY(service.errorString().isEmpty());
    QCOMPARE(service.actions.size(), 1);
    QCOMPARE(service.actions[0].name(), QStringLiteral("tarnos.kcm.adminevents.importconfig"));
    QCOMPARE(service.actions[0].arguments(), (QVariantMap{{QStringLiteral("input"), path}}));
    // Reading does not change the archive, and the helper reports no import fault.
    QCOMPARE(QFileInfo(path).size(), content.size());
    QVERIFY(!service.getActionResult(QStringLiteral("mainConfigImportFault")).isValid());
}

QTEST_GUILESS_MAIN(ConfigAccessServiceTest)

#include "configaccessservicetest.moc"
