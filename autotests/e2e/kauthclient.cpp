/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/

// Drives every action of the helper through the real KAuth path: a system
// bus on which the helper is activatable and a polkit authority that knows
// its actions (scripts/kauth-session). Run by scripts/e2e, not by ctest.
//
// As root every action succeeds or fails as the helper decides; as an
// unprivileged user (the function unprivilegedWriteIsRefused alone) polkit
// refuses. E2E_SYSTEMCTL_LOG names the log of the recording systemctl that
// the helper finds on its PATH, E2E_SYSTEMCTL_FAIL the file whose presence
// makes that systemctl fail. writeOnFullFileSystemFails runs alone, on a root
// whose syslog-ng configuration directory is a small file system left
// nearly full (E2E_FULL_FILE_SYSTEM set). validationAndRestore needs the
// real syslog-ng on the helper's PATH.

#include "accessservice.h"
#include "actionids.h"
#include "configaccessservice.h"
#include "loggingservice.h"
#include "systempaths.h"

#include <KAuth/Action>
#include <KAuth/ExecuteJob>

#include <KLocalizedString>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

namespace
{
KAuth::Action makeAction(const char *id, const QVariantMap &arguments)
{
    KAuth::Action action(QString::fromLatin1(id));
    action.setHelperId(QString::fromLatin1(ActionIds::HelperId));
    action.setArguments(arguments);
    return action;
}

QByteArray contentOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

mode_t modeOf(const QString &path)
{
    struct stat status;
    return ::lstat(QFile::encodeName(path).constData(), &status) == 0 ? (status.st_mode & 07777) : 0;
}

QStringList systemctlCalls()
{
    return QString::fromUtf8(contentOf(qEnvironmentVariable("E2E_SYSTEMCTL_LOG"))).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}
}

class KAuthClient : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();

    void writeConfig();
    void refusedPathIsNotWritten();
    void helperErrorTextsCrossKAuth();
    void notificationActions();
    void removeConfig();
    void exportAndImport();
    void auditSettings();
    void loggingService();
    void failingSystemctlIsReported();
    void argumentsOfWrongTypeAreRefused();
    void writeOnFullFileSystemFails();
    void validationAndRestore();

    void unprivilegedWriteIsRefused();

private:
    bool asRoot() const
    {
        return ::getuid() == 0;
    }
};

void KAuthClient::initTestCase()
{
    QVERIFY2(!SystemPaths::rootPrefix().isEmpty(), "ADMINEVENTS_ROOT must point at a temporary root");
    QVERIFY2(qEnvironmentVariableIsSet("DBUS_SYSTEM_BUS_ADDRESS"), "run under scripts/kauth-session");
}

void KAuthClient::writeConfig()
{
    if (!asRoot()) {
        QSKIP("needs root");
    }
    ConfigAccessService service(nullptr);
    const QString settings = SystemPaths::resolve(SystemPaths::EventSettingsFile);
    const QByteArray content("{\"user_login_failed\": {\"enabled\": \"0\"}}\n");
    QVERIFY2(service.writeConfig(settings, content), qPrintable(service.errorString()));
    QCOMPARE(contentOf(settings), content);
    QCOMPARE(modeOf(settings), mode_t(0644));

    const QString rotation = SystemPaths::resolve(SystemPaths::LogrotateFile);
    QVERIFY2(service.writeConfig(rotation, QStringList{QStringLiteral("/vigil/log/tarn/events {"), QStringLiteral("    rotate 4"), QStringLiteral("}")}),
             qPrintable(service.errorString()));
    QCOMPARE(contentOf(rotation), QByteArray("/vigil/log/tarn/events {\n    rotate 4\n}\n"));
}

void KAuthClient::refusedPathIsNotWritten()
{
    if (!asRoot()) {
        QSKIP("needs root");
    }
    ConfigAccessService service(nullptr);
    const QString unlisted = SystemPaths::resolve("/etc/passwd");
    QVERIFY(!service.writeConfig(unlisted, QByteArray("root::0:0::/root:/bin/sh\n")));
    QVERIFY2(service.errorString().startsWith(QLatin1String("refused")), qPrintable(service.errorString()));
    QVERIFY(!QFileInfo::exists(unlisted));
    // The helper answers in the caller's language, from its installed catalogue.
    KLocalizedString::setLanguages({QStringLiteral("ru")});
    QVERIFY(!service.writeConfig(unlisted, QByteArray("root::0:0::/root:/bin/sh\n")));
    KLocalizedString::clearLanguages();
    QVERIFY2(service.errorString().startsWith(QStringLiteral("в доступе к")), qPrintable(service.errorString()));
    QVERIFY(!QFileInfo::exists(unlisted));

    // A symbolic link in place of a managed file.
    QTemporaryDir outside;
    QVERIFY(outside.isValid());
    const QString victim = outside.filePath(QStringLiteral("victim"));
    QVERIFY(QFile(victim).open(QIODevice::WriteOnly));
    const QString rules = SystemPaths::resolve(SystemPaths::AuditRulesFile);
    QFile::remove(rules);
    QVERIFY(QFile::link(victim, rules));
    QVERIFY(!service.writeConfig(rules, QByteArray("-w /etc/shadow\n")));
    QVERIFY2(service.errorString().contains(QLatin1String("symbolic link")), qPrintable(service.errorString()));
    QCOMPARE(QFileInfo(victim).size(), 0);
    QVERIFY(QFile::remove(rules));
}

void KAuthClient::helperErrorTextsCrossKAuth()
{
    if (!asRoot()) {
        QSKIP("needs root");
    }
    AccessService service(nullptr);
    KAuth::Action action = makeAction(ActionIds::WriteConfig,
                                      {{QStringLiteral("action"), QStringLiteral("writeconfig")},
                                       {QStringLiteral("path"), SystemPaths::resolve(SystemPaths::EventSettingsFile)},
                                       {QStringLiteral("content"), QByteArray("x")}});
    QVERIFY(!service.execute(action));
    QCOMPARE(service.errorString(), QStringLiteral("writeconfig: unknown action"));
}

void KAuthClient::notificationActions()
{
    if (!asRoot()) {
        QSKIP("needs root");
    }
    // Built directly, as the module's notification deployment does.
    const QString first = SystemPaths::notificationDestinationFile(QStringLiteral("user-login-failed"));
    const QString second = SystemPaths::notificationDestinationFile(QStringLiteral("e2e-check"));
    QVariantHash files{{first, QByteArray("destination d_first { };\n")}, {second, QByteArray("destination d_second { };\n")}};
    KAuth::Action write = makeAction(ActionIds::WriteNotificationConfigs, {{QStringLiteral("notifications"), files}});
    KAuth::ExecuteJob *job = write.execute();
    QVERIFY2(job->exec(), qPrintable(job->errorString()));
    QCOMPARE(contentOf(first), QByteArray("destination d_first { };\n"));
    QCOMPARE(contentOf(second), QByteArray("destination d_second { };\n"));

    KAuth::Action remove = makeAction(ActionIds::RemoveNotificationConfigs,
                                      {{QStringLiteral("paths"), QStringList{second, SystemPaths::notificationDestinationFile(QStringLiteral("absent"))}}});
    job = remove.execute();
    QVERIFY2(job->exec(), qPrintable(job->errorString()));
    QVERIFY(!QFileInfo::exists(second));
    QVERIFY(QFileInfo::exists(first));
}

void KAuthClient::removeConfig()
{
    if (!asRoot()) {
        QSKIP("needs root");
    }
    AccessService service(nullptr);
    const QString path = SystemPaths::notificationDestinationFile(QStringLiteral("to-remove"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    KAuth::Action action = makeAction(ActionIds::RemoveConfig, {{QStringLiteral("file"), path}});
    QVERIFY2(service.execute(action), qPrintable(service.errorString()));
    QVERIFY(!QFileInfo::exists(path));
}

void KAuthClient::exportAndImport()
{
    if (!asRoot()) {
        QSKIP("needs root");
    }
    QTemporaryDir user;
    QVERIFY(user.isValid());
    const QString archive = user.filePath(QStringLiteral("logging.tar.gz"));
    const QString settings = SystemPaths::resolve(SystemPaths::EventSettingsFile);
    const QByteArray exported = contentOf(settings);
    QVERIFY(!exported.isEmpty());

    ConfigAccessService service(nullptr);
    QVERIFY2(service.exportConfig(archive), qPrintable(service.errorString()));
    QVERIFY(contentOf(archive).startsWith("\x1f\x8b"));

    // Every file the archive describes comes back byte for byte.
    const auto snapshot = [] {
        QMap<QString, QByteArray> files;
        for (const char *fixed : {SystemPaths::EventSettingsFile, SystemPaths::AuditRulesFile, SystemPaths::SyslogNgCommonFile, SystemPaths::LogrotateFile}) {
            files.insert(SystemPaths::resolve(fixed), contentOf(SystemPaths::resolve(fixed)));
        }
        const QDir confDir(SystemPaths::resolve(SystemPaths::SyslogNgConfDir));
        for (const QString &name : confDir.entryList({QStringLiteral("mod-tarn-*.conf")}, QDir::Files)) {
            files.insert(confDir.filePath(name), contentOf(confDir.filePath(name)));
        }
        return files;
    };
    const QMap<QString, QByteArray> before = snapshot();
    for (const char *fixed : {SystemPaths::EventSettingsFile, SystemPaths::AuditRulesFile, SystemPaths::SyslogNgCommonFile, SystemPaths::LogrotateFile}) {
        // A fixed file the archive lacks is kept by an import: change only
        // the ones it holds (with a comment, which every validator accepts).
        if (QFile::exists(SystemPaths::resolve(fixed))) {
            QVERIFY2(service.writeConfig(SystemPaths::resolve(fixed), QByteArray("# changed after the export\n")), qPrintable(service.errorString()));
        }
    }
    QVERIFY2(service.importConfig(archive), qPrintable(service.errorString()));
    QCOMPARE(contentOf(settings), exported);
    QCOMPARE(snapshot(), before);
    QVERIFY(!service.getActionResult(QStringLiteral("mainConfigImportFault")).isValid());

    // Hostile archives, made with tar: a member that climbs out of the tree
    // and a symbolic link member. Both are refused and nothing changes.
    const QString staging = user.filePath(QStringLiteral("staging"));
    QVERIFY(QDir().mkpath(staging));
    QFile escapee(staging + QStringLiteral("/x"));
    QVERIFY(escapee.open(QIODevice::WriteOnly) && escapee.write("escaped\n") > 0);
    escapee.close();
    QVERIFY(QFile::link(QStringLiteral("/etc/shadow"), staging + QStringLiteral("/tarn-syslog.conf")));
    const QList<QStringList> hostile{
        {QStringLiteral("-czf"),
         user.filePath(QStringLiteral("climb.tar.gz")),
         QStringLiteral("-C"),
         staging,
         QStringLiteral("--transform=s,^x$,../../x,"),
         QStringLiteral("x")},
        {QStringLiteral("-czf"),
         user.filePath(QStringLiteral("symlink-member.tar.gz")),
         QStringLiteral("-C"),
         staging,
         QStringLiteral("--transform=flags=r;s,^,etc/,"),
         QStringLiteral("tarn-syslog.conf")},
    };
    for (const QStringList &arguments : hostile) {
        QCOMPARE(QProcess::execute(QStringLiteral("tar"), arguments), 0);
        QVERIFY(!service.importConfig(arguments.at(1)));
        QVERIFY2(service.errorString().contains(QLatin1String("unable to import configuration")), qPrintable(service.errorString()));
        QCOMPARE(snapshot(), before);
    }
    QVERIFY(!QFile::exists(QDir(SystemPaths::rootPrefix()).absoluteFilePath(QStringLiteral("../x"))));
    QVERIFY(!QFile::exists(QDir(SystemPaths::rootPrefix()).absoluteFilePath(QStringLiteral("../../x"))));

    // A symbolic link chosen as the archive is refused by the helper.
    const QString link = user.filePath(QStringLiteral("link.tar.gz"));
    QVERIFY(QFile::link(settings, link));
    KAuth::Action action = makeAction(ActionIds::ExportConfig, {{QStringLiteral("output"), link}});
    QVERIFY(!service.execute(action));
    QVERIFY2(service.errorString().contains(QLatin1String("symbolic link")), qPrintable(service.errorString()));
    QCOMPARE(contentOf(settings), exported);
}

void KAuthClient::auditSettings()
{
    if (!asRoot()) {
        QSKIP("needs root");
    }
    AccessService service(nullptr);
    const QVariantMap settings{{QStringLiteral("AUDIT_TYPE"), 1}, {QStringLiteral("e2e_login/alice"), 3}, {QStringLiteral("e2e_login/bob"), 0}};
    KAuth::Action set = makeAction(ActionIds::SetAuditSettings, settings);
    QVERIFY2(service.execute(set), qPrintable(service.errorString()));
    QVERIFY(!service.execute(set));
    QCOMPARE(service.errorString(), QStringLiteral("Settings were not changed in system"));

    KAuth::Action get = makeAction(ActionIds::GetAuditSettings,
                                   {{QStringLiteral("list"), QStringList{QStringLiteral("alice"), QStringLiteral("bob")}},
                                    {QStringLiteral("auditType"), 1},
                                    {QStringLiteral("auditIDs"), QStringList{QStringLiteral("e2e_login")}}});
    QVERIFY2(service.execute(get), qPrintable(service.errorString()));
    QCOMPARE(service.getActionResults(), (QVariantMap{{QStringLiteral("e2e_login/alice"), 3}, {QStringLiteral("e2e_login/bob"), 0}}));
}

void KAuthClient::loggingService()
{
    if (!asRoot()) {
        QSKIP("needs root");
    }
    LoggingService service(nullptr);
    QSignalSpy stateChanged(&service, &LoggingService::stateChanged);
    QStringList failed;
    connect(&service, &AccessService::error, this, [&failed](const KAuth::Action *, const QString &message) {
        failed.append(message);
    });
    const int before = systemctlCalls().size();

    service.stop();
    QTRY_COMPARE_WITH_TIMEOUT(stateChanged.size(), 1, 20000);
    service.start();
    QTRY_COMPARE_WITH_TIMEOUT(stateChanged.size(), 2, 20000);
    service.restart();
    QTRY_COMPARE_WITH_TIMEOUT(stateChanged.size(), 3, 20000);
    QVERIFY(failed.isEmpty());
    QCOMPARE(systemctlCalls().mid(before),
             (QStringList{QStringLiteral("stop syslog-ng"),
                          QStringLiteral("status auditd"),
                          QStringLiteral("start auditd"),
                          QStringLiteral("start syslog-ng"),
                          QStringLiteral("restart auditd"),
                          QStringLiteral("restart syslog-ng")}));

    service.runCmd(QStringLiteral("Start"));
    QTRY_COMPARE_WITH_TIMEOUT(failed.size(), 1, 20000);
    QCOMPARE(failed, QStringList{QStringLiteral("loggingservicectl: unknown command")});
    QCOMPARE(stateChanged.size(), 3);
}

void KAuthClient::failingSystemctlIsReported()
{
    if (!asRoot()) {
        QSKIP("needs root");
    }
    const QString marker = qEnvironmentVariable("E2E_SYSTEMCTL_FAIL");
    QVERIFY2(QDir::isAbsolutePath(marker), "E2E_SYSTEMCTL_FAIL must name a file");
    QFile file(marker);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    LoggingService service(nullptr);
    QStringList failed;
    connect(&service, &AccessService::error, this, [&failed](const KAuth::Action *, const QString &message) {
        failed.append(message);
    });
    service.stop();
    QTRY_COMPARE_WITH_TIMEOUT(failed.size(), 1, 20000);
    QVERIFY(QFile::remove(marker));
    QCOMPARE(failed[0], QStringLiteral("systemctl stop syslog-ng failed with exit status 1: Failed to stop syslog-ng.service."));
}

void KAuthClient::argumentsOfWrongTypeAreRefused()
{
    if (!asRoot()) {
        QSKIP("needs root");
    }
    AccessService service(nullptr);
    const QString settings = SystemPaths::resolve(SystemPaths::EventSettingsFile);
    const QByteArray before = contentOf(settings);
    KAuth::Action write = makeAction(ActionIds::WriteConfig,
                                     {{QStringLiteral("action"), QStringLiteral("writeConfig")},
                                      {QStringLiteral("path"), settings},
                                      {QStringLiteral("content"), QVariantMap{{QStringLiteral("a"), 1}}}});
    QVERIFY(!service.execute(write));
    QCOMPARE(service.errorString(), QStringLiteral("writeconfig: argument \"content\" is not a byte array"));
    QCOMPARE(contentOf(settings), before);

    const QString notification = SystemPaths::notificationDestinationFile(QStringLiteral("wrong-type"));
    KAuth::Action list = makeAction(ActionIds::WriteNotificationConfigs, {{QStringLiteral("notifications"), QVariantList{notification}}});
    QVERIFY(!service.execute(list));
    QVERIFY2(service.errorString().contains(QLatin1String("\"notifications\"")), qPrintable(service.errorString()));
    QVERIFY(!QFileInfo::exists(notification));

    // What arrives keeps its type: a map and a list of strings are taken as
    // the hash and the string list the module sends.
    KAuth::Action map =
        makeAction(ActionIds::WriteNotificationConfigs, {{QStringLiteral("notifications"), QVariantMap{{notification, QByteArray("destination d { };\n")}}}});
    QVERIFY2(service.execute(map), qPrintable(service.errorString()));
    QCOMPARE(contentOf(notification), QByteArray("destination d { };\n"));
    KAuth::Action remove = makeAction(ActionIds::RemoveNotificationConfigs, {{QStringLiteral("paths"), QVariantList{notification}}});
    QVERIFY2(service.execute(remove), qPrintable(service.errorString()));
    QVERIFY(!QFileInfo::exists(notification));
}

void KAuthClient::writeOnFullFileSystemFails()
{
    if (!asRoot() || !qEnvironmentVariableIsSet("E2E_FULL_FILE_SYSTEM")) {
        QSKIP("needs root and a full file system (E2E_FULL_FILE_SYSTEM)");
    }
    ConfigAccessService service(nullptr);
    const QString common = SystemPaths::resolve(SystemPaths::SyslogNgCommonFile);
    const QByteArray before = contentOf(common);
    QVERIFY(!before.isEmpty());
    // A comment, which syslog-ng accepts: the write itself must fail.
    QVERIFY(!service.writeConfig(common, '#' + QByteArray(2000, 'n') + '\n'));
    QVERIFY2(service.errorString().contains(QLatin1String("No space left on device")), qPrintable(service.errorString()));
    QCOMPARE(contentOf(common), before);
    const QStringList left = QDir(QFileInfo(common).absolutePath()).entryList({QStringLiteral("mod-tarn.conf*")}, QDir::Files | QDir::Hidden);
    QCOMPARE(left, QStringList{QStringLiteral("mod-tarn.conf")});
}

void KAuthClient::validationAndRestore()
{
    if (!asRoot()) {
        QSKIP("needs root");
    }
    ConfigAccessService service(nullptr);
    const QString common = SystemPaths::resolve(SystemPaths::SyslogNgCommonFile);
    const QString notification = SystemPaths::notificationDestinationFile(QStringLiteral("restore-check"));
    const QByteArray before = contentOf(common);
    QVERIFY(before.contains("destination"));
    QVERIFY(!QFileInfo::exists(notification));

    // A change syslog-ng rejects: nothing installed, syslog-ng's message.
    QVERIFY(!service.writeConfig(common, before + "destination d_broken { file(\"/vigil/log/broken\"; };\n"));
    QVERIFY(service.lastWriteRejected());
    QVERIFY2(service.errorString().contains(QLatin1String("syslog-ng rejects the new configuration")), qPrintable(service.errorString()));
    QVERIFY2(service.errorString().contains(QLatin1String("syntax error")), qPrintable(service.errorString()));
    QVERIFY2(service.errorString().contains(common + QLatin1Char(':')), qPrintable(service.errorString()));
    QCOMPARE(contentOf(common), before);
    QVERIFY(service.takeUncheckedFiles().isEmpty());

    // A valid change of two files in one apply: installed, the previous
    // versions kept where only root can read them.
    const QByteArray changed = before + "destination d_extra { file(\"/vigil/log/tarn/extra\"); };\n";
    service.beginApply();
    QVERIFY2(service.writeConfig(common, changed), qPrintable(service.errorString()));
    QVERIFY2(service.writeNotificationConfigs({{notification, QByteArray("# restore check\n")}}), qPrintable(service.errorString()));
    service.endApply();
    QVERIFY(service.takeUncheckedFiles().isEmpty());
    QCOMPARE(contentOf(common), changed);
    const QString stateDir = SystemPaths::resolve(SystemPaths::PreviousConfigDir);
    QCOMPARE(modeOf(stateDir), mode_t(0700));
    const QByteArray manifest = contentOf(stateDir + QStringLiteral("/manifest"));
    QVERIFY2(manifest.contains(SystemPaths::SyslogNgCommonFile) && manifest.contains("mod-tarn-restore-check.conf"), manifest.constData());

    // The restore: back byte for byte, the new file gone.
    QVERIFY2(service.restorePrevious(), qPrintable(service.errorString()));
    QStringList restored = service.getActionResult(QString::fromLatin1(ActionIds::RestoredKey)).toStringList();
    restored.sort();
    QCOMPARE(restored, (QStringList{SystemPaths::unresolve(notification), QString::fromLatin1(SystemPaths::SyslogNgCommonFile)}));
    QCOMPARE(contentOf(common), before);
    QVERIFY(!QFileInfo::exists(notification));

    // What the check costs: validated writes of the common file against
    // writes of the event settings file, which nothing validates.
    const QString settings = SystemPaths::resolve(SystemPaths::EventSettingsFile);
    const QByteArray settingsContent = contentOf(settings);
    constexpr int Rounds = 5;
    QElapsedTimer timer;
    timer.start();
    for (int round = 0; round < Rounds; ++round) {
        QVERIFY(service.writeConfig(settings, settingsContent));
    }
    const qint64 plain = timer.restart();
    for (int round = 0; round < Rounds; ++round) {
        QVERIFY(service.writeConfig(common, before));
    }
    const qint64 validated = timer.elapsed();
    qInfo("validated write: %.1f ms, plain write: %.1f ms, ratio %.1f",
          double(validated) / Rounds,
          double(plain) / Rounds,
          double(validated) / double(std::max<qint64>(plain, 1)));
}

void KAuthClient::unprivilegedWriteIsRefused()
{
    if (asRoot()) {
        QSKIP("run as an unprivileged user");
    }
    ConfigAccessService service(nullptr);
    const bool written = service.writeConfig(SystemPaths::resolve(SystemPaths::EventSettingsFile), QByteArray("written by nobody\n"));
    qInfo("unprivileged write: %s", qPrintable(service.errorString()));
    QVERIFY(!written);
    QVERIFY(!service.errorString().isEmpty());
}

QTEST_GUILESS_MAIN(KAuthClient)

#include "kauthclient.moc"
