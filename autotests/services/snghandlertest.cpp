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

private:
    void setActive(const QStringList &units) const;
    QStringList activeUnits() const;

    QTemporaryDir m_dir;
    std::unique_ptr<FakeProgram> m_systemctl;
};

void SngHandlerTest::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_systemctl = std::make_unique<FakeProgram>(m_dir.filePath(QStringLiteral("bin")),
                                                QStringLiteral("systemctl"),
                                                FakeProgram::systemctlBody(m_dir.filePath(QStringLiteral("state"))));
    FakeProgram::prependToPath(m_dir.filePath(QStringLiteral("bin")));
}

void SngHandlerTest::init()
{
    setActive({});
    m_systemctl->clearCalls();
}

void SngHandlerTest::setActive(const QStringList &units) const
{
    QDir state(m_dir.filePath(QStringLiteral("state")));
    state.removeRecursively();
    QDir().mkpath(state.path());
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

    switch (operation) {
    case SngHandler::Start:
        handler.syslogNgStart();
        break;
    case SngHandler::Stop:
        handler.syslogNgStop();
        break;
    case SngHandler::Restart:
        handler.syslogNgRestart();
        break;
    }
    QCOMPARE(m_systemctl->calls(), calls);
    QCOMPARE(activeUnits(), activeAfter);
    QCOMPARE(switched.size(), 1);
}

QTEST_GUILESS_MAIN(SngHandlerTest)

#include "snghandlertest.moc"
