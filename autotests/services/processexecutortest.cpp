/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "processexecutor.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>

#include <signal.h>

class ProcessExecutorTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void runs_data();
    void runs();
    void programThatCannotStartIsAFailure();
    void programThatTakesTooLongIsKilled();
};

void ProcessExecutorTest::runs_data()
{
    QTest::addColumn<QString>("script");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("output");

    QTest::newRow("exit code and output") << QStringLiteral("printf 'active\\n'; exit 3") << 3 << QStringLiteral("active\n");
    QTest::newRow("standard error is merged") << QStringLiteral("printf 'out '; printf 'err' >&2") << 0 << QStringLiteral("out err");
    QTest::newRow("output cut at a NUL byte") << QStringLiteral("printf 'abc\\000def'") << 0 << QStringLiteral("abc");
    QTest::newRow("NUL byte first") << QStringLiteral("printf '\\000def'") << 0 << QString();
    QTest::newRow("no output") << QStringLiteral("exit 0") << 0 << QString();
    QTest::newRow("UTF-8 output") << QStringLiteral("printf '\\320\\226'") << 0 << QStringLiteral("\u0416");
}

void ProcessExecutorTest::runs()
{
    QFETCH(QString, script);
    QFETCH(int, exitCode);
    QFETCH(QString, output);
    ProcessExecutor process;
    const auto [code, text] = process.execProc<-1>(QStringLiteral("sh"), {QStringLiteral("-c"), script});
    QCOMPARE(code, exitCode);
    QCOMPARE(text, output);
}

void ProcessExecutorTest::programThatCannotStartIsAFailure()
{
    ProcessExecutor process;
    const auto result = process.execProc<-1>(QStringLiteral("/nonexistent/program"), {});
    QVERIFY(result.first != 0);
    QVERIFY(result.second.isEmpty());

    ProcessExecutor killed;
    QVERIFY(killed.execProc<-1>(QStringLiteral("sh"), {QStringLiteral("-c"), QStringLiteral("kill -9 $$")}).first != 0);
}

void ProcessExecutorTest::programThatTakesTooLongIsKilled()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString pidFile = dir.filePath(QStringLiteral("pid"));
    ProcessExecutor process;
    const auto [code, output] =
        process.execProc<300>(QStringLiteral("sh"), {QStringLiteral("-c"), QStringLiteral("echo $$ > '%1'; echo started; exec sleep 30").arg(pidFile)});
    QCOMPARE(code, -1);
    QCOMPARE(process.outcome(), ProcessExecutor::Outcome::TimedOut);
    QCOMPARE(process.failureText(QStringLiteral("sleep"), code, output), QStringLiteral("sleep timed out after 300 ms and was stopped"));

    // Gone already, not only when the runner goes away.
    QFile file(pidFile);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const pid_t pid = file.readAll().trimmed().toInt();
    QVERIFY(pid > 0);
    QCOMPARE(::kill(pid, 0), -1);
    QCOMPARE(errno, ESRCH);

    // The other ways of failing.
    ProcessExecutor failing;
    const auto [status, text] = failing.execProc<-1>(QStringLiteral("sh"), {QStringLiteral("-c"), QStringLiteral("echo '  no unit  '; exit 5")});
    QCOMPARE(failing.failureText(QStringLiteral("sh"), status, text), QStringLiteral("sh failed with exit status 5: no unit"));
    ProcessExecutor missing;
    const auto [none, nothing] = missing.execProc<-1>(QStringLiteral("/nonexistent/program"), {});
    QVERIFY(missing.failureText(QStringLiteral("it"), none, nothing).startsWith(QLatin1String("it could not be started")));
}

QTEST_GUILESS_MAIN(ProcessExecutorTest)

#include "processexecutortest.moc"
