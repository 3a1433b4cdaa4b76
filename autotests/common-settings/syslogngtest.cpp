/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/

// The real syslog-ng on the system's configuration: the sample tree as a
// whole through its own main file, a run that carries records to a file and
// through a notification file's filter to its python destination, and
// broken files.

#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

#include "sampleroot.h"
#include "syslogng.h"
#include "testpaths.h"

namespace
{
const QByteArray BrokenFile = "filter f_broken {\n    level(info);\n\nlog { source(tarn_events_src); };\n";
const QByteArray LoginRecord = R"({"tarn-auth":{"message_id":"user_login_failed","user":"alice"}})";
const QByteArray OtherRecord = R"({"tarn-auth":{"message_id":"user_logged_out","user":"bob"}})";

// QVERIFY2 evaluates its message even when the check passes.
QString errorOf(const std::expected<void, QString> &result)
{
    return result ? QString() : result.error();
}

QJsonObject parsed(const QByteArray &json)
{
    return QJsonDocument::fromJson(json).object();
}
}

class SyslogNgTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        if (SyslogNg::program().isEmpty()) {
            QSKIP("syslog-ng is not installed");
        }
    }

    void syntax_data()
    {
        QTest::addColumn<bool>("throughRootMain"); // the tree's own syslog-ng.conf, or ours including `file`
        QTest::addColumn<QString>("file"); // system path below the sample tree
        QTest::addColumn<QByteArray>("content"); // written there first, unless empty
        QTest::addColumn<QString>("error"); // part of syslog-ng's message; empty: valid

        const QString notification = QStringLiteral("/etc/syslog-ng/conf.d/mod-tarn-user-login-failed.conf");
        const QString broken = QStringLiteral("/etc/syslog-ng/conf.d/zz-broken.conf");
        QTest::newRow("sample tree") << true << QString() << QByteArray() << QString();
        // Proves that the tree's conf.d is what its main file includes.
        QTest::newRow("sample tree, broken file in conf.d") << true << broken << BrokenFile << QStringLiteral("zz-broken.conf:4:");
        QTest::newRow("notification file") << false << notification << QByteArray() << QString();
        QTest::newRow("broken file") << false << broken << BrokenFile << QStringLiteral("zz-broken.conf:4:");
    }

    void syntax()
    {
        QFETCH(bool, throughRootMain);
        QFETCH(QString, file);
        QFETCH(QByteArray, content);
        QFETCH(QString, error);

        SampleRoot root;
        QVERIFY(root.isValid());
        QTemporaryDir work;
        QVERIFY(TestPaths::isUsable(work));
        if (!content.isEmpty()) {
            QVERIFY(root.writeFile(file, content));
        }
        SyslogNg syslogNg(work.path());
        const QString mainConfig =
            throughRootMain ? root.filePath(QStringLiteral("/etc/syslog-ng/syslog-ng.conf")) : syslogNg.writeMainConfig({root.filePath(file)});
        QVERIFY(!mainConfig.isEmpty());

        const auto checked = syslogNg.checkSyntax(mainConfig);
        if (error.isEmpty()) {
            QVERIFY2(checked.has_value(), qPrintable(errorOf(checked)));
        } else {
            QVERIFY(!checked.has_value());
            QVERIFY2(checked.error().contains(QLatin1String("syntax error")) && checked.error().contains(error), qPrintable(errorOf(checked)));
        }
    }

    void realRun()
    {
        SampleRoot root;
        QVERIFY(root.isValid());
        QTemporaryDir work;
        QVERIFY(TestPaths::isUsable(work));
        const QString log = work.filePath(QStringLiteral("out.log"));
        const QString testFile = work.filePath(QStringLiteral("test.conf"));
        {
            QFile file(testFile);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("destination d_test { file(\"" + log.toUtf8() + "\" template(\"$(format-json --scope none --key MSG.*)\\n\")); };\n"
                       "log { source(tarn_events_src); parser(tarn_events_parser); destination(d_test); };\n");
        }
        SyslogNg syslogNg(work.path());
        // The notification file's destination is python: the stub writes into `work`.
        const QString mainConfig = syslogNg.writeMainConfig({testFile, root.filePath(QStringLiteral("/etc/syslog-ng/conf.d/mod-tarn-user-login-failed.conf"))});
        const auto started = syslogNg.start(mainConfig);
        QVERIFY2(started.has_value(), qPrintable(errorOf(started)));

        QVERIFY(syslogNg.send(OtherRecord));
        QVERIFY(syslogNg.send(LoginRecord));

        const QByteArray line = SyslogNg::waitForLine(log, "user_login_failed");
        QVERIFY2(!line.isEmpty(), qPrintable(syslogNg.output()));
        QCOMPARE(parsed(line), QJsonObject({{QStringLiteral("MSG"), parsed(LoginRecord)}}));

        // Records are taken in order: once the login record has passed the
        // notification's filter, the other one has been dropped by it.
        const QByteArray notified = SyslogNg::waitForLine(syslogNg.pythonOutputPath(), "alice");
        QVERIFY2(!notified.isEmpty(), qPrintable(syslogNg.output()));
        QCOMPARE(parsed(notified).value(QStringLiteral("record")).toObject(), parsed(LoginRecord));
        QCOMPARE(parsed(notified).value(QStringLiteral("options")).toObject().value(QStringLiteral("event_id")).toString(), QStringLiteral("userLoginFailed"));
        QFile notifications(syslogNg.pythonOutputPath());
        QVERIFY(notifications.open(QIODevice::ReadOnly));
        QCOMPARE(notifications.readAll().count('\n'), 1);

        syslogNg.stop();
        QVERIFY(!syslogNg.isRunning());
    }

    // What only a run finds: a reference to nothing passes the syntax check.
    void runRefusesUnresolvedReference()
    {
        QTemporaryDir work;
        QVERIFY(TestPaths::isUsable(work));
        const QString file = work.filePath(QStringLiteral("dangling.conf"));
        {
            QFile out(file);
            QVERIFY(out.open(QIODevice::WriteOnly));
            out.write("log { source(tarn_events_src); parser(tarn_events_parser); destination(d_missing); };\n");
        }
        SyslogNg syslogNg(work.path());
        const QString mainConfig = syslogNg.writeMainConfig({file});
        QVERIFY(syslogNg.checkSyntax(mainConfig).has_value());
        const auto started = syslogNg.start(mainConfig);
        QVERIFY(!started.has_value());
        QVERIFY2(started.error().contains(QLatin1String("d_missing")), qPrintable(started.error()));
        QVERIFY(!syslogNg.isRunning());
    }
};

QTEST_GUILESS_MAIN(SyslogNgTest)

#include "syslogngtest.moc"
