/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "snghandler.h"

#include "fakeprogram.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

class SngHandlerTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void status_data();
    void status();
    void switching_data();
    void switching();
    void failuresAreReported_data();
    void failuresAreReported();

private:
    void setActive(const QStringList &units) const;
    QStringList activeUnits() const;

    QTemporaryDir m_dir;
    std::unique_ptr<FakeProgram> m_systemctl;
};

void SngHandlerTest::initTestCase()
{
    QVERIFY(m_dir.isValid());
    // A command fails, with a message, while "<state>/<command> <unit>.fails" exists.
    const QString state = m_dir.filePath(QStringLiteral("state"));
    m_systemctl =
        std::make_unique<FakeProgram>(m_dir.filePath(QStringLiteral("bin")),
                                      QStringLiteral("systemctl"),
                                      QStringLiteral("if [ -e '%1'/\"$1 $2.fails\" ]; then echo \"Job for $2.service failed.\"; exit 1; fi\n").arg(state)
                                          + FakeProgram::systemctlBody(state));
    FakeProgram::prependToPath(m_dir.filePath(QStringLiteral("bin")));
}

void SngHandlerTest::init()
{
    setActive({});
    m_systemctl->clearCalls();
}

void SngHandlerTest::setActive(const QStringList &units) const
{
    // Never without a temporary directory of our own: filePath() of an
    // invalid one is relative.
    QVERIFY(m_dir.isValid());
    QDir state(m_dir.filePath(QStringLiteral("state")));
    QVERIFY(QDir::isAbsolutePath(state.path()) && state.path().startsWith(m_dir.path() + QLatin1Char('/')));
    state.removeRecursively();
    QVERIFY(QDir().mkpath(state.path()));
    for (const QString &unit : units) {
        QFile file(state.filePath(unit + QStringLiteral(".active")));
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
}

QStringList SngHandlerTest::activeUnits() const
{
    QStringList units = QDir(m_dir.filePath(QStringLiteral("state"))).entryList({QStringLiteral("*.active")}, QDir::Files, QDir::Name);
    for (QString &unit : units) {
        unit.chop(int(qstrlen(".active")));
    }
    return units;
}

void SngHandlerTest::status_data()
{
    QTest::addColumn<QStringList>("active");
    QTest::addColumn<bool>("expected");
    QTest::addColumn<QString>("toolTip");
    QTest::newRow("both") << QStringList{QStringLiteral("auditd"), QStringLiteral("syslog-ng")} << true << QStringLiteral("auditd: on, syslog-ng: on");
    QTest::newRow("syslog-ng only") << QStringList{QStringLiteral("syslog-ng")} << false << QStringLiteral("auditd: off, syslog-ng: on");
    QTest::newRow("auditd only") << QStringList{QStringLiteral("auditd")} << false << QStringLiteral("auditd: on, syslog-ng: off");
    QTest::newRow("none") << QStringList() << false << QStringLiteral("auditd: off, syslog-ng: off");
}

void SngHandlerTest::status()
{
    QFETCH(QStringList, active);
    QFETCH(bool, expected);
    QFETCH(QString, toolTip);
    setActive(active);

    SngHandler &handler = SngHandler::Instance();
    QCOMPARE(&handler, &SngHandler::Instance());
    QCOMPARE(handler.getStatus(), expected);
    QCOMPARE(handler.toolTip, toolTip);
    QCOMPARE(m_systemctl->calls(), (QStringList{QStringLiteral("status syslog-ng"), QStringLiteral("status auditd")}));
    QCOMPARE(handler.getAuditdStatus(), active.contains(QStringLiteral("auditd")));
}

void SngHandlerTest::switching_data()
{
    QTest::addColumn<int>("operation");
    QTest::addColumn<QStringList>("activeBefore");
    QTest::addColumn<QStringList>("calls");
    QTest::addColumn<QStringList>("activeAfter");

    const QString auditd = QStringLiteral("auditd");
    const QString syslogNg = QStringLiteral("syslog-ng");
    QTest::newRow("start with auditd inactive") << int(
        SngHandler::Start) << QStringList() << QStringList{QStringLiteral("status auditd"), QStringLiteral("start auditd"), QStringLiteral("start syslog-ng")}
                                                << QStringList{auditd, syslogNg};
    QTest::newRow("start with auditd active") << int(SngHandler::Start) << QStringList{auditd}
                                              << QStringList{QStringLiteral("status auditd"), QStringLiteral("start syslog-ng")}
                                              << QStringList{auditd, syslogNg};
    QTest::newRow("stop leaves auditd running") << int(SngHandler::Stop) << QStringList{auditd, syslogNg} << QStringList{QStringLiteral("stop syslog-ng")}
                                                << QStringList{auditd};
    QTest::newRow("restart restarts auditd first") << int(SngHandler::Restart) << QStringList{auditd, syslogNg}
                                                   << QStringList{QStringLiteral("restart auditd"), QStringLiteral("restart syslog-ng")}
                                                   << QStringList{auditd, syslogNg};
}

void SngHandlerTest::switching()
{
    QFETCH(int, operation);
    QFETCH(QStringList, activeBefore);
    QFETCH(QStringList, calls);
    QFETCH(QStringList, activeAfter);
    setActive(activeBefore);
    const SngHandler &handler = SngHandler::Instance();
    QSignalSpy switched(&handler, &SngHandler::sngSwitched);

    const SngHandler::Result result = handler.syslogNgSwitch(SngHandler::Operation(operation));
    QVERIFY(result.has_value());
    QCOMPARE(m_systemctl->calls(), calls);
    QCOMPARE(activeUnits(), activeAfter);
    QCOMPARE(switched.size(), 1);
}

void SngHandlerTest::failuresAreReported_data()
{
    QTest::addColumn<int>("operation");
    QTest::addColumn<QStringList>("failing");
    QTest::addColumn<QStringList>("calls");
    QTest::addColumn<QString>("error");

    QTest::newRow("start: auditd does not start, syslog-ng still does")
        << int(SngHandler::Start) << QStringList{QStringLiteral("start auditd")}
        << QStringList{QStringLiteral("status auditd"), QStringLiteral("start auditd"), QStringLiteral("start syslog-ng")}
        << QStringLiteral("systemctl start auditd failed with exit status 1: Job for auditd.service failed.");
    QTest::newRow("start: syslog-ng") << int(SngHandler::Start) << QStringList{QStringLiteral("start syslog-ng")}
                                      << QStringList{QStringLiteral("status auditd"), QStringLiteral("start auditd"), QStringLiteral("start syslog-ng")}
                                      << QStringLiteral("systemctl start syslog-ng failed with exit status 1: Job for syslog-ng.service failed.");
    QTest::newRow("stop") << int(SngHandler::Stop) << QStringList{QStringLiteral("stop syslog-ng")} << QStringList{QStringLiteral("stop syslog-ng")}
                          << QStringLiteral("systemctl stop syslog-ng failed with exit status 1: Job for syslog-ng.service failed.");
    QTest::newRow("restart: both") << int(SngHandler::Restart) << QStringList{QStringLiteral("restart auditd"), QStringLiteral("restart syslog-ng")}
                                   << QStringList{QStringLiteral("restart auditd"), QStringLiteral("restart syslog-ng")}
                                   << QStringLiteral(
                                          "systemctl restart auditd failed with exit status 1: Job for auditd.service failed.\n"
                                          "systemctl restart syslog-ng failed with exit status 1: Job for syslog-ng.service failed.");
}

void SngHandlerTest::failuresAreReported()
{
    QFETCH(int, operation);
    QFETCH(QStringList, failing);
    QFETCH(QStringList, calls);
    QFETCH(QString, error);
    for (const QString &command : std::as_const(failing)) {
        QFile marker(m_dir.filePath(QStringLiteral("state/%1.fails").arg(command)));
        QVERIFY(marker.open(QIODevice::WriteOnly));
    }
    const SngHandler &handler = SngHandler::Instance();
    QSignalSpy switched(&handler, &SngHandler::sngSwitched);

    const SngHandler::Result result = handler.syslogNgSwitch(SngHandler::Operation(operation));
    QVERIFY(!result.has_value());
    QCOMPARE(result.error(), error);
    QCOMPARE(m_systemctl->calls(), calls);
    QCOMPARE(switched.size(), 1);
}

QTEST_GUILESS_MAIN(SngHandlerTest)

#include "snghandlertest.moc"
