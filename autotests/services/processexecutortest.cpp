/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "processexecutor.h"

#include <QTest>

class ProcessExecutorTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void runs_data();
    void runs();
    void programThatCannotStartIsAFailure();
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

QTEST_GUILESS_MAIN(ProcessExecutorTest)

#include "processexecutortest.moc"
