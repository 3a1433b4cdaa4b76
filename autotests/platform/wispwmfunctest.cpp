/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/

// The window-manager control stand-in records reboot requests and nothing else.

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace
{
struct RunResult {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

// A null `root` leaves ADMINEVENTS_ROOT unset.
RunResult
run(const QString &root, const QStringList &arguments, const QByteArray &runtimeDir, bool setRuntimeDir = true, const QString &workingDirectory = QString())
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    if (root.isNull()) {
        environment.remove(QStringLiteral("ADMINEVENTS_ROOT"));
    } else {
        environment.insert(QStringLiteral("ADMINEVENTS_ROOT"), root);
    }
    process.setWorkingDirectory(workingDirectory);
    if (setRuntimeDir) {
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), QString::fromUtf8(runtimeDir));
    } else {
        environment.remove(QStringLiteral("XDG_RUNTIME_DIR"));
    }
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(WMFUNC_BIN), arguments);
    RunResult result;
    if (process.waitForFinished(30000) && process.exitStatus() == QProcess::NormalExit) {
        result.exitCode = process.exitCode();
        result.out = process.readAllStandardOutput();
        result.err = process.readAllStandardError();
    }
    return result;
}

QList<QByteArray> logLines(const QString &root)
{
    QFile log(root + QStringLiteral("/var/log/wisp-wmfunc.log"));
    if (!log.open(QIODevice::ReadOnly)) {
        return {};
    }
    QList<QByteArray> lines = log.readAll().split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty()) {
        lines.removeLast();
    }
    return lines;
}
}

class WispWmFuncTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void recordsRebootRequest()
    {
        QTemporaryDir root;
        QVERIFY(root.isValid());

        RunResult result = run(root.path(), {QStringLiteral("WISPWM_REBOOT")}, "/run/user/1234");
        QCOMPARE(result.exitCode, 0);
        QVERIFY(!result.out.isEmpty());
        QVERIFY(result.err.isEmpty());

        // As the settings module starts it when SUDO_UID is unset.
        result = run(root.path(), {QStringLiteral("WISPWM_REBOOT")}, "/run/user/");
        QCOMPARE(result.exitCode, 0);
        result = run(root.path(), {QStringLiteral("WISPWM_REBOOT")}, QByteArray(), false);
        QCOMPARE(result.exitCode, 0);

        const QList<QByteArray> lines = logLines(root.path());
        QCOMPARE(lines.size(), 3);
        QVERIFY2(lines.at(0).endsWith(" WISPWM_REBOOT XDG_RUNTIME_DIR=/run/user/1234"), lines.at(0).constData());
        QVERIFY2(lines.at(1).endsWith(" WISPWM_REBOOT XDG_RUNTIME_DIR=/run/user/"), lines.at(1).constData());
        QVERIFY2(lines.at(2).endsWith(" WISPWM_REBOOT XDG_RUNTIME_DIR unset"), lines.at(2).constData());
        // Each line starts with the time of the request.
        const QDateTime when = QDateTime::fromString(QString::fromLatin1(lines.at(0).left(lines.at(0).indexOf(' '))), Qt::ISODateWithMs);
        QVERIFY(when.isValid());
        QVERIFY(qAbs(when.secsTo(QDateTime::currentDateTimeUtc())) < 600);
    }

    void rejectsOtherArguments_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("none") << QStringList();
        QTest::newRow("lower case") << QStringList{QStringLiteral("wispwm_reboot")};
        QTest::newRow("other request") << QStringList{QStringLiteral("WISPWM_LOGOUT")};
        QTest::newRow("empty") << QStringList{QString()};
        QTest::newRow("extra argument") << QStringList{QStringLiteral("WISPWM_REBOOT"), QStringLiteral("now")};
    }

    void rejectsOtherArguments()
    {
        QFETCH(QStringList, arguments);
        QTemporaryDir root;
        QVERIFY(root.isValid());
        const RunResult result = run(root.path(), arguments, "/run/user/1234");
        QCOMPARE(result.exitCode, 2);
        QVERIFY(!result.err.isEmpty());
        QVERIFY(!QFileInfo::exists(root.path() + QStringLiteral("/var/log/wisp-wmfunc.log")));
        QVERIFY(QDir(root.path()).isEmpty());
    }

    // A build for tests never records into the machine's own log, nor below
    // the working directory.
    void refusesRootThatIsNoPrivateTree_data()
    {
        QTest::addColumn<QString>("root");
        QTest::newRow("unset") << QString();
        QTest::newRow("empty") << QStringLiteral("");
        QTest::newRow("slash") << QStringLiteral("/");
        QTest::newRow("relative") << QStringLiteral("tree");
    }

    void refusesRootThatIsNoPrivateTree()
    {
        QFETCH(QString, root);
        QTemporaryDir cwd;
        QVERIFY(cwd.isValid());
        const RunResult result = run(root, {QStringLiteral("WISPWM_REBOOT")}, "/run/user/1234", true, cwd.path());
        QCOMPARE(result.exitCode, 1);
        QVERIFY2(result.err.contains("ADMINEVENTS_ROOT"), result.err.constData());
        QVERIFY(QDir(cwd.path()).isEmpty());
    }
};

QTEST_GUILESS_MAIN(WispWmFuncTest)

#include "wispwmfunctest.moc"
