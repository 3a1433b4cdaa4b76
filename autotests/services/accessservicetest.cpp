/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "accessservice.h"
#include "actionids.h"
#include "loggingservice.h"
#include "scriptedservice.h"

#include <KAuth/ActionReply>

#include <QSignalSpy>
#include <QTest>

namespace
{
KAuth::Action makeAction(const char *id, const QVariantMap &arguments = {})
{
    KAuth::Action action(QString::fromLatin1(id));
    action.setHelperId(QString::fromLatin1(ActionIds::HelperId));
    action.setArguments(arguments);
    return action;
}
}

class AccessServiceTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void executeKeepsReplyData();
    void failedExecuteIsFalse_data();
    void failedExecuteIsFalse();
    void everyExecuteReplacesTheOutcome();
    void asynchronousOutcomes();
    void asynchronousExecutionsKeepTheirOwnAction();
    void loggingServiceCommands_data();
    void loggingServiceCommands();
    void loggingServiceFailureIsNoStateChange();
};

void AccessServiceTest::executeKeepsReplyData()
{
    ScriptedService<AccessService> service;
    service.outcomes = {{0, QString(), {{QStringLiteral("answer"), 42}}}};
    KAuth::Action action = makeAction(ActionIds::GetAuditSettings);

    QVERIFY(service.execute(action));
    QVERIFY(service.errorString().isEmpty());
    QCOMPARE(service.getActionResult(QStringLiteral("answer")), QVariant(42));
    QVERIFY(!service.getActionResult(QStringLiteral("mainConfigImportFault")).isValid());
    QCOMPARE(service.getActionResults(), (QVariantMap{{QStringLiteral("answer"), 42}}));
    QCOMPARE(service.actions.size(), 1);
    QCOMPARE(service.actions[0].name(), QStringLiteral("tarnos.kcm.adminevents.getauditsettings"));
}

void AccessServiceTest::failedExecuteIsFalse_data()
{
    QTest::addColumn<int>("errorCode");
    QTest::addColumn<QString>("errorText");
    QTest::addColumn<QString>("expected");

    QTest::newRow("helper error keeps its description") << -1 << QStringLiteral("writeconfig: unknown action") << QStringLiteral("writeconfig: unknown action");
    QTest::newRow("refused authorisation without text")
        << int(KAuth::ActionReply::AuthorizationDeniedError) << QString() << QStringLiteral("Authorization denied");
    QTest::newRow("refused authorisation with text") << int(KAuth::ActionReply::AuthorizationDeniedError) << QStringLiteral("Not allowed")
                                                     << QStringLiteral("Not allowed");
    QTest::newRow("cancelled by the user") << int(KAuth::ActionReply::UserCancelledError) << QString() << QStringLiteral("Authorization cancelled");
    QTest::newRow("helper without text") << -1 << QString() << QStringLiteral("The action failed (error -1)");
    QTest::newRow("unknown code") << 42 << QString() << QStringLiteral("The action failed (error 42)");
}

void AccessServiceTest::failedExecuteIsFalse()
{
    QFETCH(int, errorCode);
    QFETCH(QString, errorText);
    QFETCH(QString, expected);
    ScriptedService<AccessService> service;
    service.outcomes = {{errorCode, errorText, {}}};
    KAuth::Action action = makeAction(ActionIds::WriteConfig);

    QVERIFY(!service.execute(action));
    QCOMPARE(service.errorString(), expected);
    QVERIFY(service.getActionResults().isEmpty());
}

void AccessServiceTest::everyExecuteReplacesTheOutcome()
{
    ScriptedService<AccessService> service;
    service.outcomes = {{0, QString(), {{QStringLiteral("old"), true}}},
                        {int(KAuth::ActionReply::AuthorizationDeniedError), QString(), {}},
                        {0, QString(), {}}};
    KAuth::Action action = makeAction(ActionIds::ImportConfig);

    QVERIFY(service.execute(action));
    QVERIFY(!service.getActionResults().isEmpty());

    QVERIFY(!service.execute(action));
    QVERIFY(service.getActionResults().isEmpty());
    QVERIFY(!service.errorString().isEmpty());

    // Success without data: neither the old data nor the old error remain.
    QVERIFY(service.execute(action));
    QVERIFY(service.getActionResults().isEmpty());
    QVERIFY(service.errorString().isEmpty());

    // A subclass's own pre-check sets the text directly.
    service.setLastError(QStringLiteral("No such file or directory"));
    QCOMPARE(service.errorString(), QStringLiteral("No such file or directory"));
}

void AccessServiceTest::asynchronousOutcomes()
{
    ScriptedService<AccessService> service;
    service.outcomes = {{0, QString(), {{QStringLiteral("ignored"), 1}}}, {int(KAuth::ActionReply::AuthorizationDeniedError), QString(), {}}};
    QStringList finishedNames;
    QStringList errors;
    connect(&service, &AccessService::finished, this, [&](const KAuth::Action *action) {
        finishedNames.append(action->name());
    });
    connect(&service, &AccessService::error, this, [&](const KAuth::Action *action, const QString &message) {
        errors.append(action->name() + QLatin1Char(' ') + message);
    });

    KAuth::Action first = makeAction(ActionIds::LoggingServiceCtl);
    service.executeAsync(first);
    QVERIFY(finishedNames.isEmpty()); // nothing before the job ends
    QTRY_COMPARE(finishedNames, QStringList{QStringLiteral("tarnos.kcm.adminevents.loggingservicectl")});
    QVERIFY(errors.isEmpty());
    // Asynchronous replies do not become results.
    QVERIFY(service.getActionResults().isEmpty());

    KAuth::Action second = makeAction(ActionIds::ExportConfig);
    service.executeAsync(second);
    QTRY_COMPARE(errors, QStringList{QStringLiteral("tarnos.kcm.adminevents.exportconfig Authorization denied")});
    QCOMPARE(finishedNames.size(), 1);
    QCOMPARE(service.errorString(), QStringLiteral("Authorization denied"));
}

void AccessServiceTest::asynchronousExecutionsKeepTheirOwnAction()
{
    ScriptedService<AccessService> service;
    QList<QVariantMap> arguments;
    connect(&service, &AccessService::finished, this, [&](const KAuth::Action *action) {
        arguments.append(action->arguments());
    });
    {
        KAuth::Action action = makeAction(ActionIds::LoggingServiceCtl, {{QStringLiteral("cmd"), QStringLiteral("stop")}});
        service.executeAsync(action);
        // The caller's action may change or go away while the job runs.
        action.setArguments({{QStringLiteral("cmd"), QStringLiteral("changed")}});
        KAuth::Action other = makeAction(ActionIds::LoggingServiceCtl, {{QStringLiteral("cmd"), QStringLiteral("start")}});
        service.executeAsync(other);
    }
    QTRY_COMPARE(arguments.size(), 2);
    QCOMPARE(arguments[0].value(QStringLiteral("cmd")).toString(), QStringLiteral("stop"));
    QCOMPARE(arguments[1].value(QStringLiteral("cmd")).toString(), QStringLiteral("start"));
}

void AccessServiceTest::loggingServiceCommands_data()
{
    QTest::addColumn<QString>("slot");
    QTest::addColumn<QString>("cmd");
    QTest::newRow("start") << QStringLiteral("start") << QStringLiteral("start");
    QTest::newRow("stop") << QStringLiteral("stop") << QStringLiteral("stop");
    QTest::newRow("restart") << QStringLiteral("restart") << QStringLiteral("restart");
}

void AccessServiceTest::loggingServiceCommands()
{
    QFETCH(QString, slot);
    QFETCH(QString, cmd);
    ScriptedService<LoggingService> service;
    QSignalSpy stateChanged(&service, &LoggingService::stateChanged);
    QStringList failed;
    connect(&service, &AccessService::error, this, [&failed](const KAuth::Action *, const QString &message) {
        failed.append(message);
    });

    QVERIFY(QMetaObject::invokeMethod(&service, slot.toLatin1().constData()));
    QCOMPARE(service.actions.size(), 1);
    const KAuth::Action &action = service.actions[0];
    QCOMPARE(action.name(), QStringLiteral("tarnos.kcm.adminevents.loggingservicectl"));
    QCOMPARE(action.helperId(), QStringLiteral("tarnos.kcm.adminevents"));
    QCOMPARE(action.arguments(), (QVariantMap{{QStringLiteral("cmd"), cmd}}));

    QVERIFY(stateChanged.isEmpty()); // asynchronous
    QTRY_COMPARE(stateChanged.size(), 1);
    QTest::qWait(10);
    QCOMPARE(stateChanged.size(), 1);
    QVERIFY(failed.isEmpty());
}

void AccessServiceTest::loggingServiceFailureIsNoStateChange()
{
    ScriptedService<LoggingService> service;
    service.outcomes = {{int(KAuth::ActionReply::AuthorizationDeniedError), QString(), {}}};
    QSignalSpy stateChanged(&service, &LoggingService::stateChanged);
    QStringList failed;
    connect(&service, &AccessService::error, this, [&failed](const KAuth::Action *, const QString &message) {
        failed.append(message);
    });

    service.stop();
    QTRY_COMPARE(failed, QStringList{QStringLiteral("Authorization denied")});
    QTest::qWait(10);
    QVERIFY(stateChanged.isEmpty());
}

QTEST_GUILESS_MAIN(AccessServiceTest)

#include "accessservicetest.moc"
