/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "configvalidator.h"

#include "sampleroot.h"
#include "systempaths.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

// The staging of a change and the verdicts of the real validators on it.
namespace
{
const QString CommonFile = QString::fromLatin1(SystemPaths::SyslogNgCommonFile);
const QString MainFile = QString::fromLatin1(SystemPaths::SyslogNgMainFile);

QByteArray contentOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Every regular file below `dir`, relative path -> content.
QMap<QString, QByteArray> filesBelow(const QString &dir)
{
    QMap<QString, QByteArray> files;
    QDirIterator it(dir, QDir::Files | QDir::Hidden | QDir::NoSymLinks, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        files.insert(path.mid(dir.size()), contentOf(path));
    }
    return files;
}
}

class ConfigValidatorTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void stagingMirrorsTheConfigurationWithTheChange();
    void stagingStandsInForAMissingMainFile();
    void validatorsJudgeTheNewContent_data();
    void validatorsJudgeTheNewContent();
    void missingValidatorsLeaveFilesUnchecked();

private:
    std::unique_ptr<SampleRoot> m_root;
    QTemporaryDir m_stage;
};

void ConfigValidatorTest::init()
{
    m_root = std::make_unique<SampleRoot>(SampleRoot::Sample);
    QVERIFY(m_root->isValid());
    m_root->activate();
}

void ConfigValidatorTest::cleanup()
{
    m_root.reset();
}

void ConfigValidatorTest::stagingMirrorsTheConfigurationWithTheChange()
{
    QVERIFY(m_stage.isValid());
    const QString realDir = SystemPaths::resolve(SystemPaths::SyslogNgConfigDir);
    // An absolute include of the directory, a file in a sub-directory and a
    // link, which is never followed.
    QVERIFY(m_root->writeFile(MainFile, m_root->readFile(MainFile) + "@include \"" + realDir.toUtf8() + "/extra/*.conf\"\n"));
    QVERIFY(m_root->writeFile(QStringLiteral("/etc/syslog-ng/extra/a.conf"), "# extra\n"));
    QVERIFY(QFile::link(m_root->filePath(QStringLiteral("/etc/tarn-syslog.conf")), m_root->filePath(QStringLiteral("/etc/syslog-ng/conf.d/linked.conf"))));
    const QMap<QString, QByteArray> before = filesBelow(realDir);

    const QString removed = SystemPaths::notificationDestinationFile(QStringLiteral("user-login-failed"));
    const QString added = SystemPaths::notificationDestinationFile(QStringLiteral("new"));
    const QString stageDir = m_stage.filePath(QStringLiteral("syslog-ng"));
    const auto mainFile = ConfigValidator::stageSyslogNg(stageDir,
                                                         {{SystemPaths::resolve(CommonFile), QByteArray("# new common\n")},
                                                          {removed, std::nullopt},
                                                          {added, QByteArray("# added\n")},
                                                          {SystemPaths::resolve(SystemPaths::LogrotateFile), QByteArray("not staged\n")}});
    QVERIFY2(mainFile, qPrintable(mainFile.error()));
    QCOMPARE(*mainFile, stageDir + QStringLiteral("/syslog-ng.conf"));

    QMap<QString, QByteArray> expected = before;
    expected.insert(QStringLiteral("/conf.d/mod-tarn.conf"), "# new common\n");
    expected.remove(QStringLiteral("/conf.d/mod-tarn-user-login-failed.conf"));
    expected.insert(QStringLiteral("/conf.d/mod-tarn-new.conf"), "# added\n");
    expected[QStringLiteral("/syslog-ng.conf")].replace(realDir.toUtf8() + "/extra", stageDir.toUtf8() + "/extra");
    QCOMPARE(filesBelow(stageDir), expected);
    // The real files are as they were.
    QCOMPARE(filesBelow(realDir), before);
}

void ConfigValidatorTest::stagingStandsInForAMissingMainFile()
{
    if (SystemPaths::findSystemProgram(SystemPaths::SyslogNgProgram).isEmpty()) {
        QSKIP("syslog-ng is not installed");
    }
    QVERIFY(QFile::remove(m_root->filePath(MainFile)));
    const QString stageDir = m_stage.filePath(QStringLiteral("standin"));
    const auto mainFile = ConfigValidator::stageSyslogNg(stageDir, {});
    QVERIFY2(mainFile, qPrintable(mainFile.error()));
    const QByteArray standIn = contentOf(*mainFile);
    QVERIFY2(standIn.contains("source tarn_events_src {") && standIn.contains("parser tarn_events_parser {"), standIn.constData());
    QVERIFY(standIn.endsWith("@include \"conf.d/*.conf\"\n"));
    // The sample's event files pass over it.
    QVERIFY(!ConfigValidator::checkSyslogNg({}).rejection);
}

void ConfigValidatorTest::validatorsJudgeTheNewContent_data()
{
    QTest::addColumn<QString>("systemPath");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("validator"); // empty: none judges the file
    QTest::addColumn<QString>("rejection"); // empty: accepted

    const QString notification = QStringLiteral("/etc/syslog-ng/conf.d/mod-tarn-user-login-failed.conf");
    const QString logrotate = QString::fromLatin1(SystemPaths::LogrotateFile);
    const QString rules = QString::fromLatin1(SystemPaths::AuditRulesFile);
    QTest::newRow("syslog-ng: a file destination added")
        << CommonFile << QByteArray("destination d_extra { file(\"/vigil/log/tarn/extra\"); };\n") << QStringLiteral("syslog-ng") << QString();
    QTest::newRow("syslog-ng: an unclosed option") << CommonFile << QByteArray("destination d_extra { file(\"/vigil/log/tarn/extra\"; };\n")
                                                   << QStringLiteral("syslog-ng") << QStringLiteral("syntax error");
    QTest::newRow("syslog-ng: a notification file that is not one")
        << notification << QByteArray("notification { };\n") << QStringLiteral("syslog-ng") << QStringLiteral("syntax error");
    QTest::newRow("logrotate: the sample's own file") << logrotate << QByteArray() << QStringLiteral("logrotate") << QString();
    QTest::newRow("logrotate: an unknown directive") << logrotate << QByteArray("/vigil/log/tarn/events {\n\trotate 4\n\tkeep forever\n}\n")
                                                     << QStringLiteral("logrotate") << QStringLiteral(":3 unknown option 'keep'");
    QTest::newRow("audit rules: the sample's own rules") << rules << QByteArray() << QStringLiteral("auditctl") << QString();
    QTest::newRow("audit rules: an unknown system call")
        << rules << QByteArray("-w /etc/passwd -p wa -k passwd\n\n# comment\n-a always,exit -F arch=b64 -S chmodd -k perm\n") << QStringLiteral("auditctl")
        << QStringLiteral("line 4: -a always,exit -F arch=b64 -S chmodd -k perm\n    Syscall name unknown: chmodd");
    QTest::newRow("event settings: nothing judges them")
        << QString::fromLatin1(SystemPaths::EventSettingsFile) << QByteArray("not JSON") << QString() << QString();
}

void ConfigValidatorTest::validatorsJudgeTheNewContent()
{
    QFETCH(QString, systemPath);
    QFETCH(QByteArray, content);
    QFETCH(QString, validator);
    QFETCH(QString, rejection);
    const char *program = validator == QLatin1String("syslog-ng") ? SystemPaths::SyslogNgProgram
        : validator == QLatin1String("logrotate")                 ? SystemPaths::LogrotateProgram
                                                                  : SystemPaths::AuditctlProgram;
    if (!validator.isEmpty() && SystemPaths::findSystemProgram(program).isEmpty()) {
        QSKIP("the validator is not installed");
    }
    const QString path = SystemPaths::resolve(systemPath);
    if (content.isEmpty()) {
        content = contentOf(path);
        QVERIFY(!content.isEmpty());
    }
    const QByteArray old = contentOf(path);

    const ConfigValidator::Outcome outcome = ConfigValidator::check({{path, content}});
    if (outcome.unchecked.size() == 1 && outcome.unchecked.first().contains(QLatin1String("no user namespace"))) {
        QSKIP("no user namespace for auditctl here");
    }
    QCOMPARE(outcome.unchecked, QStringList());
    QCOMPARE(outcome.rejection.has_value(), !rejection.isEmpty());
    if (outcome.rejection) {
        // The validator's own words, naming the real file.
        QVERIFY2(outcome.rejection->startsWith(validator + QStringLiteral(" rejects")), qPrintable(*outcome.rejection));
        QVERIFY2(outcome.rejection->contains(rejection), qPrintable(*outcome.rejection));
        QVERIFY2(outcome.rejection->contains(path), qPrintable(*outcome.rejection));
        // ... and no file of the stage.
        QString rest = *outcome.rejection;
        rest.remove(path).remove(SystemPaths::resolve(SystemPaths::SyslogNgConfigDir));
        QVERIFY2(!rest.contains(QFileInfo(path).fileName()) && !rest.contains(QLatin1String("wrapper")), qPrintable(*outcome.rejection));
    }
    // Judging writes nothing.
    QCOMPARE(contentOf(path), old);
}

void ConfigValidatorTest::missingValidatorsLeaveFilesUnchecked()
{
    const QByteArray path = qgetenv("PATH");
    const auto restorePath = qScopeGuard([&path] {
        qputenv("PATH", path);
    });
    QVERIFY(m_stage.isValid());
    qputenv("PATH", QFile::encodeName(m_stage.path()));
    const QString common = SystemPaths::resolve(SystemPaths::SyslogNgCommonFile);
    const QString logrotate = SystemPaths::resolve(SystemPaths::LogrotateFile);
    const QString rules = SystemPaths::resolve(SystemPaths::AuditRulesFile);

    const ConfigValidator::Outcome outcome =
        ConfigValidator::check({{common, QByteArray("broken {")}, {logrotate, QByteArray("broken")}, {rules, QByteArray("-x")}});
    QVERIFY(!outcome.rejection);
    QCOMPARE(outcome.unchecked,
             (QStringList{QStringLiteral("%1: auditctl is not installed").arg(rules),
                          QStringLiteral("%1: logrotate is not installed").arg(logrotate),
                          QStringLiteral("%1: syslog-ng is not installed").arg(common)}));
}

QTEST_GUILESS_MAIN(ConfigValidatorTest)

#include "configvalidatortest.moc"
