/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "admineventshelper.h"

#include "actionids.h"
#include "fakeprogram.h"
#include "sampleroot.h"
#include "systempaths.h"
#include "tarnevents.h"

#include <KLocalizedString>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMetaMethod>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <QTest>

#include <algorithm>
#include <csignal>
#include <memory>

#include <fcntl.h>
#include <linux/fs.h>
#include <sched.h>
#include <sys/fsuid.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{
const QString UnchangedAudit = QString::fromLatin1(ActionIds::AuditUnchangedError);
const QString WriteFailedAudit = QString::fromLatin1(ActionIds::AuditWriteFailedError);
constexpr uid_t Nobody = 65534;

// Removes the directory tree at `path`, which must lie inside `base`, a
// temporary directory of this test (absolute, not empty); anything else is
// refused.
bool removeTreeInside(const QString &base, const QString &path)
{
    struct stat status;
    const bool inside = QDir::isAbsolutePath(base) && QDir::cleanPath(base) != QLatin1String("/") && QDir::isAbsolutePath(path)
        && QDir::cleanPath(path).startsWith(QDir::cleanPath(base) + QLatin1Char('/')) && ::lstat(QFile::encodeName(path).constData(), &status) == 0
        && S_ISDIR(status.st_mode);
    if (!inside) {
        qWarning("not removing %s: not a directory inside %s", qPrintable(path), qPrintable(base));
        return false;
    }
    return QDir(path).removeRecursively();
}

QByteArray contentOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeContent(const QString &path, const QByteArray &content)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(content) == content.size();
}

bool isSymLink(const QString &path)
{
    struct stat status;
    return ::lstat(QFile::encodeName(path).constData(), &status) == 0 && S_ISLNK(status.st_mode);
}

bool existsNoFollow(const QString &path)
{
    struct stat status;
    return ::lstat(QFile::encodeName(path).constData(), &status) == 0;
}

mode_t modeOf(const QString &path)
{
    struct stat status;
    return ::lstat(QFile::encodeName(path).constData(), &status) == 0 ? (status.st_mode & 07777) : 0;
}

// Sets or clears the immutable attribute; false where the file system or
// the process does not allow it.
bool setImmutable(const QString &path, bool immutable)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    int flags = 0;
    bool ok = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    if (ok) {
        flags = immutable ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
        ok = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    ::close(fd);
    return ok;
}

// While it lives, regular files this process writes cannot grow beyond
// `bytes`: writes past it fail with EFBIG instead of raising SIGXFSZ.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        ::getrlimit(RLIMIT_FSIZE, &m_previous);
        m_previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        const struct rlimit limit = {bytes, m_previous.rlim_max};
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &m_previous);
        std::signal(SIGXFSZ, m_previousHandler);
    }

private:
    struct rlimit m_previous;
    void (*m_previousHandler)(int);
};

// About `size` bytes of comment lines, which every validator accepts
// (syslog-ng refuses a line of 16 KiB or more, even a comment).
QByteArray commentLines(int size)
{
    const QByteArray line = "# " + QByteArray(77, 'n') + '\n';
    return line.repeated(std::max(size / int(line.size()), 1));
}

QVariantMap writeArgs(const QString &path, const QByteArray &content)
{
    return {{QStringLiteral("action"), QStringLiteral("writeConfig")}, {QStringLiteral("path"), path}, {QStringLiteral("content"), content}};
}

QVariantMap notificationArgs(const QVariantHash &files)
{
    return {{QStringLiteral("notifications"), files}};
}

// `value` with every string that starts with "/" (also in lists and as a
// key) taken as a system path and placed below the root.
QVariant placed(const QVariant &value)
{
    const auto place = [](const QString &text) {
        return text.startsWith(QLatin1Char('/')) ? SystemPaths::resolve(text) : text;
    };
    switch (value.userType()) {
    case QMetaType::QString:
        return place(value.toString());
    case QMetaType::QStringList: {
        QStringList list = value.toStringList();
        for (QString &item : list) {
            item = place(item);
        }
        return list;
    }
    case QMetaType::QVariantList: {
        QVariantList list;
        for (const QVariant &item : value.toList()) {
            list.append(placed(item));
        }
        return list;
    }
    case QMetaType::QVariantHash: {
        QVariantHash hash;
        const QVariantHash original = value.toHash();
        for (auto it = original.cbegin(); it != original.cend(); ++it) {
            hash.insert(place(it.key()), placed(it.value()));
        }
        return hash;
    }
    default:
        return value;
    }
}

// The helper as called by the user nobody.
class NobodysHelper : public AdminEventsHelper
{
protected:
    uid_t callerUid() const override
    {
        return Nobody;
    }
};
}

class AdminEventsHelperTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void loggingServiceCommands_data();
    void loggingServiceCommands();
    void loggingServiceRefusesUnknownCommands_data();
    void loggingServiceRefusesUnknownCommands();

    void writeConfigWritesEveryManagedFile_data();
    void writeConfigWritesEveryManagedFile();
    void writeConfigRefusesUnknownAction();
    void errorsInTheCallersLanguage_data();
    void errorsInTheCallersLanguage();
    void writeConfigIntoMissingDirectoryFails();
    void fileActionsRefuseUnmanagedPaths_data();
    void fileActionsRefuseUnmanagedPaths();
    void notificationActionsTouchNothingWhenOnePathIsRefused();
    void failedWriteKeepsOldContent_data();
    void failedWriteKeepsOldContent();

    void removeConfig();
    void removeNotificationConfigsSkipsMissingFiles();
    void removeNotificationConfigsGoesOnAfterFailure();
    void writeNotificationConfigsGoesOnAfterFailure();

    void rejectedConfigurationInstallsNothing_data();
    void rejectedConfigurationInstallsNothing();
    void uncheckedConfigurationIsInstalledAndNamed();
    void restoreBringsBackTheLastApply();

    void exportAndImportRoundTrip();
    void configManagerFailureIsReported_data();
    void configManagerFailureIsReported();
    void importReportsRejectedCommonFile_data();
    void importReportsRejectedCommonFile();
    void archivePathsAreChecked_data();
    void archivePathsAreChecked();
    void archiveIsAccessedWithTheCallersCredentials();

    void argumentsAreChecked_data();
    void argumentsAreChecked();
    void relativeRootRefusesEveryAction();

    void getAuditSettings_data();
    void getAuditSettings();
    void setAuditSettingsWithoutChangeWritesNothing();
    void setAuditSettingsWritesEveryEntry_data();
    void setAuditSettingsWritesEveryEntry();
    void setAuditSettingsReportsFailedWrite();

private:
    QString resolved(const char *systemPath) const
    {
        return SystemPaths::resolve(systemPath);
    }
    QString notificationFile(const QString &fileId) const
    {
        return SystemPaths::notificationDestinationFile(fileId);
    }
    // Replaces the configuration manager of the root by a recording fake.
    std::unique_ptr<FakeProgram> fakeConfigManager(const QString &body);

    QTemporaryDir m_tools;
    std::unique_ptr<FakeProgram> m_systemctl;
    std::unique_ptr<SampleRoot> m_root;
    std::unique_ptr<QTemporaryDir> m_outside; // files of users and of an attacker
    QStringList m_immutable;
    AdminEventsHelper m_helper;
};

void AdminEventsHelperTest::initTestCase()
{
    KLocalizedString::addDomainLocaleDir("tarn_kcm_admin_events", QStringLiteral(LOCALE_DIR));
    QVERIFY(m_tools.isValid());
    QDir().mkpath(m_tools.filePath(QStringLiteral("state")));
    m_systemctl = std::make_unique<FakeProgram>(m_tools.filePath(QStringLiteral("bin")),
                                                QStringLiteral("systemctl"),
                                                FakeProgram::systemctlBody(m_tools.filePath(QStringLiteral("state"))));
    FakeProgram::prependToPath(m_tools.filePath(QStringLiteral("bin")));
}

void AdminEventsHelperTest::init()
{
    m_root = std::make_unique<SampleRoot>(SampleRoot::Empty);
    QVERIFY(m_root->isValid());
    m_root->activate();
    m_outside = std::make_unique<QTemporaryDir>();
    QVERIFY(m_outside->isValid());
    m_systemctl->clearCalls();
    QVERIFY(m_tools.isValid());
    removeTreeInside(m_tools.path(), m_tools.filePath(QStringLiteral("state")));
    QVERIFY(QDir().mkpath(m_tools.filePath(QStringLiteral("state"))));
}

void AdminEventsHelperTest::cleanup()
{
    for (const QString &path : std::as_const(m_immutable)) {
        setImmutable(path, false);
    }
    m_immutable.clear();
    m_root.reset();
    m_outside.reset();
}

std::unique_ptr<FakeProgram> AdminEventsHelperTest::fakeConfigManager(const QString &body)
{
    const QFileInfo program(resolved(SystemPaths::ConfigManagerProgram));
    QFile::remove(program.filePath());
    return std::make_unique<FakeProgram>(program.absolutePath(), program.fileName(), body);
}

// --- loggingservicectl ----------------------------------------------------------

void AdminEventsHelperTest::loggingServiceCommands_data()
{
    QTest::addColumn<QString>("cmd");
    QTest::addColumn<QStringList>("activeBefore");
    QTest::addColumn<QStringList>("expectedCalls");
    QTest::addColumn<QString>("failure");

    QTest::newRow("start brings inactive auditd up first")
        << QStringLiteral("start") << QStringList()
        << QStringList{QStringLiteral("status auditd"), QStringLiteral("start auditd"), QStringLiteral("start syslog-ng")}
        << QStringLiteral("systemctl start auditd failed with exit status 1: Job failed.\nsystemctl start syslog-ng failed with exit status 1: Job failed.");
    QTest::newRow("start leaves active auditd alone") << QStringLiteral("start") << QStringList{QStringLiteral("auditd")}
                                                      << QStringList{QStringLiteral("status auditd"), QStringLiteral("start syslog-ng")}
                                                      << QStringLiteral("systemctl start syslog-ng failed with exit status 1: Job failed.");
    QTest::newRow("stop stops syslog-ng only") << QStringLiteral("stop") << QStringList{QStringLiteral("auditd"), QStringLiteral("syslog-ng")}
                                               << QStringList{QStringLiteral("stop syslog-ng")}
                                               << QStringLiteral("systemctl stop syslog-ng failed with exit status 1: Job failed.");
    QTest::newRow("restart restarts auditd first")
        << QStringLiteral("restart") << QStringList{QStringLiteral("auditd")}
        << QStringList{QStringLiteral("restart auditd"), QStringLiteral("restart syslog-ng")}
        << QStringLiteral(
               "systemctl restart auditd failed with exit status 1: Job failed.\nsystemctl restart syslog-ng failed with exit status 1: Job failed.");
}

void AdminEventsHelperTest::loggingServiceCommands()
{
    QFETCH(QString, cmd);
    QFETCH(QStringList, activeBefore);
    QFETCH(QStringList, expectedCalls);
    QFETCH(QString, failure);
    for (const QString &unit : std::as_const(activeBefore)) {
        QVERIFY(writeContent(m_tools.filePath(QStringLiteral("state/%1.active").arg(unit)), QByteArray()));
    }

    const KAuth::ActionReply reply = m_helper.loggingservicectl({{QStringLiteral("cmd"), cmd}});
    QVERIFY(reply.succeeded());
    QCOMPARE(m_systemctl->calls(), expectedCalls);

    // A systemctl that fails (but reports active units as active) makes the
    // reply an error with its exit status and message.
    const QString activeUnits = activeBefore.join(QLatin1Char(' '));
    FakeProgram failing(m_tools.filePath(QStringLiteral("failing")),
                        QStringLiteral("systemctl"),
                        QStringLiteral("case \" %1 \" in *\" $2 \"*) [ \"$1\" = status ] && exit 0 ;; esac\necho 'Job failed.'\nexit 1").arg(activeUnits));
    failing.clearCalls();
    const QByteArray path = qgetenv("PATH");
    FakeProgram::prependToPath(m_tools.filePath(QStringLiteral("failing")));
    const KAuth::ActionReply failed = m_helper.loggingservicectl({{QStringLiteral("cmd"), cmd}});
    qputenv("PATH", path);
    QVERIFY(failed.failed());
    QCOMPARE(failed.errorDescription(), failure);
    QCOMPARE(failing.calls(), expectedCalls);
}

void AdminEventsHelperTest::loggingServiceRefusesUnknownCommands_data()
{
    QTest::addColumn<QVariantMap>("args");
    QTest::newRow("capital letter") << QVariantMap{{QStringLiteral("cmd"), QStringLiteral("Start")}};
    QTest::newRow("other command") << QVariantMap{{QStringLiteral("cmd"), QStringLiteral("reload")}};
    QTest::newRow("empty command") << QVariantMap{{QStringLiteral("cmd"), QString()}};
}

void AdminEventsHelperTest::loggingServiceRefusesUnknownCommands()
{
    QFETCH(QVariantMap, args);
    const KAuth::ActionReply reply = m_helper.loggingservicectl(args);
    QVERIFY(reply.failed());
    QCOMPARE(reply.type(), KAuth::ActionReply::HelperErrorType);
    QCOMPARE(reply.errorDescription(), QStringLiteral("loggingservicectl: unknown command"));
    QVERIFY(m_systemctl->calls().isEmpty());
}

// --- writeconfig ------------------------------------------------------------------

void AdminEventsHelperTest::writeConfigWritesEveryManagedFile_data()
{
    QTest::addColumn<QString>("systemPath");
    QTest::addColumn<bool>("existed");
    for (const char *path : {SystemPaths::EventSettingsFile, SystemPaths::AuditRulesFile, SystemPaths::SyslogNgCommonFile, SystemPaths::LogrotateFile}) {
        QTest::addRow("%s, new", path) << QString::fromUtf8(path) << false;
        QTest::addRow("%s, replaced", path) << QString::fromUtf8(path) << true;
    }
    QTest::newRow("notification destination file") << QStringLiteral("/etc/syslog-ng/conf.d/mod-tarn-user_login-failed.2.conf") << true;
}

void AdminEventsHelperTest::writeConfigWritesEveryManagedFile()
{
    QFETCH(QString, systemPath);
    QFETCH(bool, existed);
    const QString path = SystemPaths::resolve(systemPath);
    if (existed) {
        QVERIFY(writeContent(path, QByteArray(10000, 'o')));
        QVERIFY(QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::WriteGroup | QFileDevice::WriteOther));
    }
    // A comment in every format: every validator accepts it.
    const QByteArray content("# line one\n# line two\n");

    const KAuth::ActionReply reply = m_helper.writeconfig(writeArgs(path, content));
    QVERIFY2(reply.succeeded(), qPrintable(reply.errorDescription()));
    QCOMPARE(contentOf(path), content);
    // auditd's rules are not for everybody to read.
    QCOMPARE(modeOf(path), mode_t(systemPath == QLatin1String(SystemPaths::AuditRulesFile) ? 0640 : 0644));
    // Nothing is left beside the file.
    const QStringList siblings = QFileInfo(path).dir().entryList({QFileInfo(path).fileName() + QStringLiteral("*")}, QDir::Files | QDir::Hidden);
    QCOMPARE(siblings, QStringList{QFileInfo(path).fileName()});

    // An empty content empties the file.
    QVERIFY(m_helper.writeconfig(writeArgs(path, QByteArray())).succeeded());
    QVERIFY(QFileInfo::exists(path));
    QCOMPARE(QFileInfo(path).size(), 0);
}

void AdminEventsHelperTest::writeConfigRefusesUnknownAction()
{
    const QString path = resolved(SystemPaths::EventSettingsFile);
    QVariantMap args = writeArgs(path, "new");
    for (const QString &action : {QStringLiteral("writeconfig"), QString()}) {
        args.insert(QStringLiteral("action"), action);
        const KAuth::ActionReply reply = m_helper.writeconfig(args);
        QVERIFY(reply.failed());
        QCOMPARE(reply.errorDescription(), QStringLiteral("writeconfig: unknown action"));
        QVERIFY(!QFileInfo::exists(path));
    }
}

void AdminEventsHelperTest::errorsInTheCallersLanguage_data()
{
    QTest::addColumn<QVariant>("languages");
    QTest::addColumn<QString>("description");
    const QString english = QStringLiteral("writeconfig: unknown action");
    QTest::newRow("none given") << QVariant() << english;
    QTest::newRow("russian") << QVariant(QStringList{QStringLiteral("ru_RU"), QStringLiteral("ru")}) << QStringLiteral("writeconfig: неизвестное действие");
    QTest::newRow("as a variant list") << QVariant(QVariantList{QStringLiteral("ru")}) << QStringLiteral("writeconfig: неизвестное действие");
    // A language names a directory the catalogue is looked up in.
    QTest::newRow("a path") << QVariant(QStringList{QStringLiteral("../../../../tmp/ru")}) << english;
    QTest::newRow("not a list") << QVariant(42) << english;
}

void AdminEventsHelperTest::errorsInTheCallersLanguage()
{
    QFETCH(QVariant, languages);
    QFETCH(QString, description);
    QVariantMap args = writeArgs(resolved(SystemPaths::EventSettingsFile), "new");
    args.insert(QStringLiteral("action"), QStringLiteral("other"));
    if (languages.isValid()) {
        args.insert(QString::fromLatin1(ActionIds::LanguagesKey), languages);
    }
    QCOMPARE(m_helper.writeconfig(args).errorDescription(), description);
    // The next caller without languages gets English again.
    args.remove(QString::fromLatin1(ActionIds::LanguagesKey));
    QCOMPARE(m_helper.writeconfig(args).errorDescription(), QStringLiteral("writeconfig: unknown action"));
}

void AdminEventsHelperTest::writeConfigIntoMissingDirectoryFails()
{
    const QString path = resolved(SystemPaths::AuditRulesFile);
    const QString dir = QFileInfo(path).absolutePath();
    QVERIFY(removeTreeInside(m_root->path(), dir));

    const KAuth::ActionReply reply = m_helper.writeconfig(writeArgs(path, "-w /etc/passwd\n"));
    QVERIFY(reply.failed());
    // The file layer's own text, not a refusal.
    QVERIFY(!reply.errorDescription().isEmpty());
    QVERIFY2(!reply.errorDescription().startsWith(QLatin1String("refused")), qPrintable(reply.errorDescription()));
    QVERIFY(!QFileInfo::exists(dir));
}

void AdminEventsHelperTest::fileActionsRefuseUnmanagedPaths_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("unlisted file under /etc") << QStringLiteral("unlisted");
    QTest::newRow("managed name outside the root") << QStringLiteral("outside");
    QTest::newRow("dot-dot leading back to a managed file") << QStringLiteral("dotdot");
    QTest::newRow("dot-dot inside the file id") << QStringLiteral("dotdot-id");
    QTest::newRow("file id starting with a dot") << QStringLiteral("hidden-id");
    QTest::newRow("empty file id") << QStringLiteral("empty-id");
    QTest::newRow("file id with a space") << QStringLiteral("space-id");
    QTest::newRow("sub-directory of conf.d") << QStringLiteral("subdir");
    QTest::newRow("relative path") << QStringLiteral("relative");
    QTest::newRow("empty path") << QStringLiteral("empty");
    QTest::newRow("symlink to a file elsewhere") << QStringLiteral("symlink");
    QTest::newRow("dangling symlink") << QStringLiteral("dangling");
    QTest::newRow("directory in place of the file") << QStringLiteral("directory");
    QTest::newRow("symlinked directory on the way") << QStringLiteral("linked-dir");
}

void AdminEventsHelperTest::fileActionsRefuseUnmanagedPaths()
{
    QFETCH(QString, kind);
    const QByteArray victimContent("must stay as it is\n");
    const QString victim = m_outside->filePath(QStringLiteral("victim"));
    QVERIFY(writeContent(victim, victimContent));
    const QString confDir = resolved(SystemPaths::SyslogNgConfDir);

    QString path;
    QString watched; // a file that must keep victimContent
    if (kind == QLatin1String("unlisted")) {
        path = SystemPaths::resolve("/etc/passwd");
        watched = path;
    } else if (kind == QLatin1String("outside")) {
        path = m_outside->filePath(QStringLiteral("etc/tarn-syslog.conf"));
        watched = path;
    } else if (kind == QLatin1String("dotdot")) {
        path = confDir + QStringLiteral("/../../tarn-syslog.conf");
        watched = resolved(SystemPaths::EventSettingsFile);
    } else if (kind == QLatin1String("dotdot-id")) {
        path = confDir + QStringLiteral("/mod-tarn-../../../tarn-syslog.conf");
    } else if (kind == QLatin1String("hidden-id")) {
        path = confDir + QStringLiteral("/mod-tarn-.hidden.conf");
    } else if (kind == QLatin1String("empty-id")) {
        path = confDir + QStringLiteral("/mod-tarn-.conf");
    } else if (kind == QLatin1String("space-id")) {
        path = confDir + QStringLiteral("/mod-tarn-a b.conf");
    } else if (kind == QLatin1String("subdir")) {
        path = confDir + QStringLiteral("/sub/mod-tarn-a.conf");
        watched = path;
    } else if (kind == QLatin1String("relative")) {
        path = QStringLiteral("etc/tarn-syslog.conf");
    } else if (kind == QLatin1String("empty")) {
        path = QString();
    } else if (kind == QLatin1String("symlink")) {
        path = resolved(SystemPaths::LogrotateFile);
        QVERIFY(QFile::link(victim, path));
    } else if (kind == QLatin1String("dangling")) {
        path = notificationFile(QStringLiteral("dangling"));
        QVERIFY(QFile::remove(victim));
        QVERIFY(QFile::link(victim, path));
    } else if (kind == QLatin1String("directory")) {
        path = resolved(SystemPaths::EventSettingsFile);
        QVERIFY(QDir().mkpath(path));
    } else if (kind == QLatin1String("linked-dir")) {
        QVERIFY(removeTreeInside(m_root->path(), confDir));
        QVERIFY(QFile::link(m_outside->path(), confDir));
        path = notificationFile(QStringLiteral("victim"));
        // Reached through the link, the file is renamed so that the name matches.
        QVERIFY(QFile::rename(victim, m_outside->filePath(QStringLiteral("mod-tarn-victim.conf"))));
        watched = m_outside->filePath(QStringLiteral("mod-tarn-victim.conf"));
    }
    if (!watched.isEmpty() && !QFileInfo::exists(watched)) {
        QVERIFY(writeContent(watched, victimContent));
    }
    const bool wasLink = isSymLink(path);
    const bool existed = existsNoFollow(path);
    const bool victimExisted = existsNoFollow(victim);

    const auto checkUntouched = [&](const char *action, const KAuth::ActionReply &reply) {
        QVERIFY2(reply.failed(), action);
        QVERIFY2(reply.errorDescription().startsWith(QLatin1String("refused")), qPrintable(reply.errorDescription()));
        QVERIFY2(reply.errorDescription().contains(path), qPrintable(reply.errorDescription()));
        QCOMPARE(isSymLink(path), wasLink);
        QCOMPARE(existsNoFollow(path), existed);
        QCOMPARE(existsNoFollow(victim), victimExisted);
        if (victimExisted) {
            QCOMPARE(contentOf(victim), victimContent);
        }
        if (!watched.isEmpty()) {
            QCOMPARE(contentOf(watched), victimContent);
        }
    };
    checkUntouched("writeconfig", m_helper.writeconfig(writeArgs(path, "attack\n")));
    checkUntouched("removeconfig", m_helper.removeconfig({{QStringLiteral("file"), path}}));
    checkUntouched("writenotificationconfigs", m_helper.writenotificationconfigs(notificationArgs({{path, QByteArray("attack\n")}})));
    checkUntouched("removenotificationconfigs", m_helper.removenotificationconfigs({{QStringLiteral("paths"), QStringList{path}}}));
}

void AdminEventsHelperTest::notificationActionsTouchNothingWhenOnePathIsRefused()
{
    const QString good = notificationFile(QStringLiteral("good"));
    const QString bad = SystemPaths::resolve("/etc/shadow");
    QVERIFY(writeContent(good, "old\n"));
    QVERIFY(writeContent(bad, "secret\n"));

    KAuth::ActionReply reply = m_helper.writenotificationconfigs(notificationArgs({{good, QByteArray("new\n")}, {bad, QByteArray("attack\n")}}));
    QVERIFY(reply.failed());
    QVERIFY(reply.errorDescription().contains(bad));
    QVERIFY(!reply.errorDescription().contains(good));
    QCOMPARE(contentOf(good), QByteArray("old\n"));
    QCOMPARE(contentOf(bad), QByteArray("secret\n"));

    reply = m_helper.removenotificationconfigs({{QStringLiteral("paths"), QStringList{good, bad}}});
    QVERIFY(reply.failed());
    QVERIFY(reply.errorDescription().contains(bad));
    QVERIFY(QFileInfo::exists(good));
    QVERIFY(QFileInfo::exists(bad));
}

void AdminEventsHelperTest::failedWriteKeepsOldContent_data()
{
    QTest::addColumn<bool>("fullFileSystem");
    QTest::addColumn<int>("size");
    // Below the 16 KiB a file layer may keep in its buffer until it closes the file.
    QTest::newRow("file size limit, 10,000 bytes") << false << 10000;
    QTest::newRow("file size limit, 48 KiB") << false << 48 * 1024;
    QTest::newRow("full file system, 2,000 bytes") << true << 2000;
    QTest::newRow("full file system, 48 KiB") << true << 48 * 1024;
}

void AdminEventsHelperTest::failedWriteKeepsOldContent()
{
    QFETCH(bool, fullFileSystem);
    QFETCH(int, size);
    const QString dir = resolved(SystemPaths::SyslogNgConfDir);
    const QString path = resolved(SystemPaths::SyslogNgCommonFile);
    const QByteArray oldContent("options { keep-me; };\n");
    const QByteArray newContent = commentLines(size);

    std::unique_ptr<FileSizeLimit> limit;
    auto unmount = qScopeGuard([&] {
        if (fullFileSystem) {
            ::umount2(QFile::encodeName(dir).constData(), MNT_DETACH);
        }
    });
    if (fullFileSystem) {
        // A 64 KiB file system of our own, in a mount namespace of this process.
        if (::unshare(CLONE_NEWNS) != 0 || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
            unmount.dismiss();
            QSKIP("no mount namespace for this process");
        }
        if (::mount("tmpfs", QFile::encodeName(dir).constData(), "tmpfs", 0, "size=64k,mode=0755") != 0) {
            unmount.dismiss();
            QSKIP("cannot mount a tmpfs");
        }
        QVERIFY(writeContent(path, oldContent));
        // Fill what is left.
        QFile filler(dir + QStringLiteral("/filler"));
        QVERIFY(filler.open(QIODevice::WriteOnly));
        const QByteArray block(4096, 'f');
        while (filler.write(block) == block.size() && filler.flush()) { }
        filler.close();
    } else {
        QVERIFY(writeContent(path, oldContent));
        limit = std::make_unique<FileSizeLimit>(4096);
    }

    KAuth::ActionReply reply = m_helper.writeconfig(writeArgs(path, newContent));
    limit.reset();
    QVERIFY(reply.failed());
    QVERIFY(!reply.errorDescription().isEmpty());
    QVERIFY2(!reply.errorDescription().startsWith(QLatin1String("refused")), qPrintable(reply.errorDescription()));
    QCOMPARE(contentOf(path), oldContent);
    // No half-written temporary file is left behind.
    QCOMPARE(QDir(dir).entryList({QStringLiteral("mod-tarn.conf*")}, QDir::Files | QDir::Hidden), QStringList{QStringLiteral("mod-tarn.conf")});

    if (fullFileSystem) {
        // With room again, the same write goes through.
        QVERIFY(QFile::remove(dir + QStringLiteral("/filler")));
        reply = m_helper.writeconfig(writeArgs(path, newContent));
        QVERIFY2(reply.succeeded(), qPrintable(reply.errorDescription()));
        QCOMPARE(contentOf(path), newContent);
    }
}

// --- removing files -----------------------------------------------------------------

void AdminEventsHelperTest::removeConfig()
{
    const QString path = resolved(SystemPaths::LogrotateFile);
    QVERIFY(writeContent(path, "rotate 4\n"));
    KAuth::ActionReply reply = m_helper.removeconfig({{QStringLiteral("file"), path}});
    QVERIFY2(reply.succeeded(), qPrintable(reply.errorDescription()));
    QVERIFY(!QFileInfo::exists(path));

    // Removing it again fails with the file layer's text.
    reply = m_helper.removeconfig({{QStringLiteral("file"), path}});
    QVERIFY(reply.failed());
    QVERIFY(!reply.errorDescription().isEmpty());
    QVERIFY(!reply.errorDescription().startsWith(QLatin1String("refused")));
}

void AdminEventsHelperTest::removeNotificationConfigsSkipsMissingFiles()
{
    const QString present = notificationFile(QStringLiteral("present"));
    const QString other = notificationFile(QStringLiteral("other"));
    QVERIFY(writeContent(present, "x\n"));
    QVERIFY(writeContent(other, "y\n"));

    KAuth::ActionReply reply = m_helper.removenotificationconfigs(
        {{QStringLiteral("paths"), QStringList{notificationFile(QStringLiteral("missing")), present, notificationFile(QStringLiteral("gone"))}}});
    QVERIFY2(reply.succeeded(), qPrintable(reply.errorDescription()));
    QVERIFY(!QFileInfo::exists(present));
    QVERIFY(QFileInfo::exists(other));

    reply = m_helper.removenotificationconfigs({{QStringLiteral("paths"), QStringList{notificationFile(QStringLiteral("missing"))}}});
    QVERIFY(reply.succeeded());
    QVERIFY(m_helper.removenotificationconfigs({{QStringLiteral("paths"), QStringList()}}).succeeded());
}

void AdminEventsHelperTest::removeNotificationConfigsGoesOnAfterFailure()
{
    const QStringList paths{notificationFile(QStringLiteral("a")), notificationFile(QStringLiteral("stuck")), notificationFile(QStringLiteral("c"))};
    for (const QString &path : paths) {
        QVERIFY(writeContent(path, "x\n"));
    }
    if (!setImmutable(paths[1], true)) {
        QSKIP("the file system does not support the immutable attribute");
    }
    m_immutable.append(paths[1]);

    const KAuth::ActionReply reply = m_helper.removenotificationconfigs({{QStringLiteral("paths"), paths}});
    QVERIFY(reply.failed());
    QVERIFY(!reply.errorDescription().isEmpty());
    QVERIFY(!QFileInfo::exists(paths[0]));
    QVERIFY(QFileInfo::exists(paths[1]));
    QVERIFY(!QFileInfo::exists(paths[2]));
}

void AdminEventsHelperTest::writeNotificationConfigsGoesOnAfterFailure()
{
    const QString small1 = notificationFile(QStringLiteral("first"));
    const QString big = notificationFile(QStringLiteral("too-big"));
    const QString small2 = notificationFile(QStringLiteral("second"));
    QVERIFY(writeContent(big, "old\n"));
    const QByteArray bigContent = commentLines(64 * 1024);
    const QVariantHash files{{small1, QByteArray("# one\n")}, {big, bigContent}, {small2, QByteArray("# two\n")}};

    KAuth::ActionReply reply;
    {
        FileSizeLimit limit(16 * 1024);
        reply = m_helper.writenotificationconfigs(notificationArgs(files));
    }
    QVERIFY(reply.failed());
    QVERIFY(!reply.errorDescription().isEmpty());
    QCOMPARE(contentOf(small1), QByteArray("# one\n"));
    QCOMPARE(contentOf(small2), QByteArray("# two\n"));
    QCOMPARE(contentOf(big), QByteArray("old\n"));
    QCOMPARE(modeOf(small1), mode_t(0644));

    // Without the limit every file is written.
    reply = m_helper.writenotificationconfigs(notificationArgs(files));
    QVERIFY2(reply.succeeded(), qPrintable(reply.errorDescription()));
    QCOMPARE(contentOf(big), bigContent);
}

// --- validation and restore ------------------------------------------------------------

void AdminEventsHelperTest::rejectedConfigurationInstallsNothing_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("systemPath");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("validator");
    QTest::newRow("common file") << QStringLiteral("writeconfig") << QString::fromLatin1(SystemPaths::SyslogNgCommonFile)
                                 << QByteArray("destination d { file(\"/tmp/x\"; };\n") << QStringLiteral("syslog-ng");
    QTest::newRow("notification file") << QStringLiteral("writenotificationconfigs") << QStringLiteral("/etc/syslog-ng/conf.d/mod-tarn-n.conf")
                                       << QByteArray("filter f { level(; };\n") << QStringLiteral("syslog-ng");
    QTest::newRow("logrotate file") << QStringLiteral("writeconfig") << QString::fromLatin1(SystemPaths::LogrotateFile)
                                    << QByteArray("/vigil/log/tarn/events {\n\trotate many\n}\n") << QStringLiteral("logrotate");
    QTest::newRow("audit rules") << QStringLiteral("writeconfig") << QString::fromLatin1(SystemPaths::AuditRulesFile)
                                 << QByteArray("-a always,exit -F arch=b64 -S nosuchcall\n") << QStringLiteral("auditctl");
}

void AdminEventsHelperTest::rejectedConfigurationInstallsNothing()
{
    QFETCH(QString, action);
    QFETCH(QString, systemPath);
    QFETCH(QByteArray, content);
    QFETCH(QString, validator);
    if (QStandardPaths::findExecutable(validator).isEmpty()) {
        QSKIP("the validator is not installed");
    }
    const QString path = SystemPaths::resolve(systemPath);
    const QByteArray old("# as it was\n");
    QVERIFY(writeContent(path, old));

    const KAuth::ActionReply reply = action == QLatin1String("writeconfig") ? m_helper.writeconfig(writeArgs(path, content))
                                                                            : m_helper.writenotificationconfigs(notificationArgs({{path, content}}));
    if (validator == QLatin1String("auditctl") && reply.errorDescription().isEmpty()) {
        QSKIP("no user namespace for auditctl here");
    }
    QVERIFY(reply.failed());
    const QString description = reply.errorDescription();
    QVERIFY2(description.startsWith(QString::fromLatin1(ActionIds::ConfigRejectedError) + QLatin1Char('\n') + validator), qPrintable(description));
    QVERIFY2(description.contains(path), qPrintable(description));
    QCOMPARE(contentOf(path), old);
    // Nothing was kept either: nothing was replaced.
    QVERIFY(!QFileInfo::exists(resolved(SystemPaths::PreviousConfigDir) + QStringLiteral("/manifest")));
}

void AdminEventsHelperTest::uncheckedConfigurationIsInstalledAndNamed()
{
    const QByteArray path = qgetenv("PATH");
    const auto restorePath = qScopeGuard([&] {
        qputenv("PATH", path);
    });
    qputenv("PATH", QFile::encodeName(m_tools.filePath(QStringLiteral("bin"))));
    const QString common = resolved(SystemPaths::SyslogNgCommonFile);
    const KAuth::ActionReply reply = m_helper.writeconfig(writeArgs(common, "not syslog-ng {\n"));
    QVERIFY2(reply.succeeded(), qPrintable(reply.errorDescription()));
    QCOMPARE(contentOf(common), QByteArray("not syslog-ng {\n"));
    QCOMPARE(reply.data().value(QString::fromLatin1(ActionIds::NotValidatedKey)).toStringList(),
             QStringList{QStringLiteral("%1: syslog-ng is not installed").arg(common)});
}

void AdminEventsHelperTest::restoreBringsBackTheLastApply()
{
    const QString noKept = QString::fromLatin1(ActionIds::NothingToRestoreError);
    QCOMPARE(m_helper.restoreprevious({}).errorDescription(), noKept);

    const QString common = resolved(SystemPaths::SyslogNgCommonFile);
    const QString rules = resolved(SystemPaths::AuditRulesFile);
    const QString kept = notificationFile(QStringLiteral("kept"));
    const QString removed = notificationFile(QStringLiteral("removed"));
    const QString created = notificationFile(QStringLiteral("created"));
    QVERIFY(writeContent(common, "# common 1\n"));
    QVERIFY(writeContent(rules, "-w /etc/passwd -p wa -k passwd\n"));
    QVERIFY(QFile::setPermissions(rules, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup));
    QVERIFY(writeContent(kept, "# kept\n"));
    QVERIFY(writeContent(removed, "# removed\n"));
    const auto apply = [this](const QString &generation, const QVariantMap &args, const char *action) {
        QVariantMap withGeneration = args;
        withGeneration.insert(QString::fromLatin1(ActionIds::GenerationArgument), generation);
        KAuth::ActionReply reply;
        QVERIFY(
            QMetaObject::invokeMethod(&m_helper, action, Qt::DirectConnection, Q_RETURN_ARG(KAuth::ActionReply, reply), Q_ARG(QVariantMap, withGeneration)));
        QVERIFY2(reply.succeeded(), qPrintable(reply.errorDescription()));
    };

    // One apply: the first version of a file written twice is the one kept.
    apply(QStringLiteral("A"), writeArgs(common, "# common 2\n"), "writeconfig");
    apply(QStringLiteral("A"), writeArgs(rules, "-w /etc/group -p wa -k group\n"), "writeconfig");
    apply(QStringLiteral("A"), notificationArgs({{created, QByteArray("# created\n")}}), "writenotificationconfigs");
    apply(QStringLiteral("A"), {{QStringLiteral("paths"), QStringList{removed}}}, "removenotificationconfigs");
    apply(QStringLiteral("A"), writeArgs(common, "# common 3\n"), "writeconfig");
    const QString stateDir = resolved(SystemPaths::PreviousConfigDir);
    QCOMPARE(modeOf(stateDir), mode_t(0700));
    for (const QString &name : QDir(stateDir).entryList(QDir::Files)) {
        QCOMPARE(modeOf(stateDir + QLatin1Char('/') + name), mode_t(0600));
    }

    KAuth::ActionReply reply = m_helper.restoreprevious({});
    QVERIFY2(reply.succeeded(), qPrintable(reply.errorDescription()));
    QStringList restored = reply.data().value(QString::fromLatin1(ActionIds::RestoredKey)).toStringList();
    restored.sort();
    QStringList expected{SystemPaths::unresolve(common), SystemPaths::unresolve(rules), SystemPaths::unresolve(created), SystemPaths::unresolve(removed)};
    expected.sort();
    QCOMPARE(restored, expected);
    QCOMPARE(contentOf(common), QByteArray("# common 1\n"));
    QCOMPARE(contentOf(rules), QByteArray("-w /etc/passwd -p wa -k passwd\n"));
    QCOMPARE(modeOf(rules), mode_t(0640));
    QCOMPARE(contentOf(removed), QByteArray("# removed\n"));
    QVERIFY(!QFileInfo::exists(created));
    QCOMPARE(contentOf(kept), QByteArray("# kept\n"));

    // The next apply replaces the kept generation; an action without a
    // generation is an apply of its own.
    apply(QStringLiteral("B"), writeArgs(common, "# common 4\n"), "writeconfig");
    QVERIFY(m_helper.writeconfig(writeArgs(kept, "# kept 2\n")).succeeded());
    reply = m_helper.restoreprevious({});
    QVERIFY2(reply.succeeded(), qPrintable(reply.errorDescription()));
    QCOMPARE(reply.data().value(QString::fromLatin1(ActionIds::RestoredKey)).toStringList(), QStringList{SystemPaths::unresolve(kept)});
    QCOMPARE(contentOf(kept), QByteArray("# kept\n"));
    QCOMPARE(contentOf(common), QByteArray("# common 4\n"));
    // Only what the manifest names is left in the store.
    QCOMPARE(QDir(stateDir).entryList(QDir::Files).size(), 2);
}

// --- exportconfig and importconfig ---------------------------------------------------

void AdminEventsHelperTest::exportAndImportRoundTrip()
{
    const QString settings = resolved(SystemPaths::EventSettingsFile);
    const QString notification = notificationFile(QStringLiteral("user-login-failed"));
    QVERIFY(writeContent(settings, "{\"a\": {}}\n"));
    QVERIFY(writeContent(notification, "destination d { };\n"));
    // The helper creates the archive.
    const QString archive = m_outside->filePath(QStringLiteral("config.tar.gz"));

    KAuth::ActionReply reply = m_helper.exportconfig({{QStringLiteral("output"), archive}});
    QVERIFY2(reply.succeeded(), qPrintable(reply.errorDescription()));
    QVERIFY(contentOf(archive).startsWith("\x1f\x8b"));

    QVERIFY(writeContent(settings, "{\"b\": {}}\n"));
    QVERIFY(QFile::remove(notification));
    reply = m_helper.importconfig({{QStringLiteral("input"), archive}});
    QVERIFY2(reply.succeeded(), qPrintable(reply.errorDescription()));
    QVERIFY(reply.data().isEmpty());
    QCOMPARE(contentOf(settings), QByteArray("{\"a\": {}}\n"));
    QCOMPARE(contentOf(notification), QByteArray("destination d { };\n"));
}

// A restored common file that syslog-ng rejects is reported with the
// successful import; without syslog-ng nothing is reported.
void AdminEventsHelperTest::importReportsRejectedCommonFile_data()
{
    QTest::addColumn<QByteArray>("common");
    QTest::addColumn<bool>("withSyslogNg");
    QTest::addColumn<bool>("fault");
    const QByteArray valid = "destination d { file(\"/tmp/x\"); };\nlog { source(tarn_events_src); parser(tarn_events_parser); destination(d); };\n";
    const QByteArray broken = "destination d { file(\"/tmp/x\";\n";
    QTest::newRow("accepted") << valid << true << false;
    QTest::newRow("rejected") << broken << true << true;
    QTest::newRow("no syslog-ng") << broken << false << false;
}

void AdminEventsHelperTest::importReportsRejectedCommonFile()
{
    QFETCH(QByteArray, common);
    QFETCH(bool, withSyslogNg);
    QFETCH(bool, fault);
    if (withSyslogNg && QStandardPaths::findExecutable(QStringLiteral("syslog-ng")).isEmpty()) {
        QSKIP("syslog-ng is not installed");
    }
    QVERIFY(writeContent(resolved(SystemPaths::SyslogNgCommonFile), common));
    const QString archive = m_outside->filePath(QStringLiteral("config.tar.gz"));
    KAuth::ActionReply reply = m_helper.exportconfig({{QStringLiteral("output"), archive}});
    QVERIFY2(reply.succeeded(), qPrintable(reply.errorDescription()));

    const QByteArray path = qgetenv("PATH");
    const auto restorePath = qScopeGuard([&] {
        qputenv("PATH", path);
    });
    if (!withSyslogNg) {
        qputenv("PATH", QFile::encodeName(m_tools.filePath(QStringLiteral("bin"))));
    }
    reply = m_helper.importconfig({{QStringLiteral("input"), archive}});
    QVERIFY2(reply.succeeded(), qPrintable(reply.errorDescription()));
    QCOMPARE(contentOf(resolved(SystemPaths::SyslogNgCommonFile)), common);
    QCOMPARE(reply.data().value(QStringLiteral("mainConfigImportFault")).toBool(), fault);
    QCOMPARE(reply.data().contains(QStringLiteral("mainConfigImportFault")), fault);
}

void AdminEventsHelperTest::configManagerFailureIsReported_data()
{
    QTest::addColumn<bool>("exporting");
    QTest::newRow("export") << true;
    QTest::newRow("import") << false;
}

void AdminEventsHelperTest::configManagerFailureIsReported()
{
    QFETCH(bool, exporting);
    // It fails half-way through writing its archive.
    const auto manager = fakeConfigManager(QStringLiteral("[ \"$1\" = -o ] && printf 'half' > \"$2\"\necho 'tarn-event-config-manager: disk full'\nexit 1"));
    const QString archive = m_outside->filePath(QStringLiteral("config.tar.gz"));
    const QByteArray oldArchive("\x1f\x8b an earlier archive");
    QVERIFY(writeContent(archive, oldArchive));

    const KAuth::ActionReply reply =
        exporting ? m_helper.exportconfig({{QStringLiteral("output"), archive}}) : m_helper.importconfig({{QStringLiteral("input"), archive}});
    QVERIFY(reply.failed());
    const QString option = exporting ? QStringLiteral("-o") : QStringLiteral("-i");
    QCOMPARE(reply.errorDescription(),
             (exporting ? QStringLiteral("tarn-event-config-manager: unable to export configuration")
                        : QStringLiteral("tarn-event-config-manager: unable to import configuration"))
                 + QStringLiteral(": tarn-event-config-manager %1 failed with exit status 1: tarn-event-config-manager: disk full").arg(option));
    // The program works on a private copy, never on the user's file, which stays as it was.
    const QStringList calls = manager->calls();
    QCOMPARE(calls.size(), 1);
    QVERIFY2(calls[0].startsWith(option + QLatin1Char(' ')) && !calls[0].contains(archive), qPrintable(calls[0]));
    QCOMPARE(contentOf(archive), oldArchive);

    // A configuration manager that is not there at all is a failure too.
    QVERIFY(QFile::remove(manager->path()));
    const KAuth::ActionReply missing =
        exporting ? m_helper.exportconfig({{QStringLiteral("output"), archive}}) : m_helper.importconfig({{QStringLiteral("input"), archive}});
    QVERIFY(missing.failed());
}

void AdminEventsHelperTest::archivePathsAreChecked_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("exporting");
    QTest::addColumn<bool>("accepted");
    for (const bool exporting : {true, false}) {
        const char *use = exporting ? "export" : "import";
        QTest::addRow("%s: plain file", use) << QStringLiteral("plain") << exporting << true;
        QTest::addRow("%s: symlink", use) << QStringLiteral("symlink") << exporting << false;
        QTest::addRow("%s: symlinked directory on the way", use) << QStringLiteral("linked-dir") << exporting << false;
        QTest::addRow("%s: directory", use) << QStringLiteral("directory") << exporting << false;
        QTest::addRow("%s: fifo", use) << QStringLiteral("fifo") << exporting << false;
        QTest::addRow("%s: missing", use) << QStringLiteral("missing") << exporting << exporting;
        QTest::addRow("%s: missing directory", use) << QStringLiteral("missing-dir") << exporting << false;
        QTest::addRow("%s: relative path", use) << QStringLiteral("relative") << exporting << false;
        QTest::addRow("%s: empty path", use) << QStringLiteral("empty") << exporting << false;
        QTest::addRow("%s: hard link", use) << QStringLiteral("hardlink") << exporting << true;
    }
}

void AdminEventsHelperTest::archivePathsAreChecked()
{
    QFETCH(QString, kind);
    QFETCH(bool, exporting);
    QFETCH(bool, accepted);
    const auto manager = fakeConfigManager(QStringLiteral("[ \"$1\" = -o ] && printf 'archive' > \"$2\""));
    const QString victim = resolved(SystemPaths::EventSettingsFile);
    QVERIFY(writeContent(victim, "victim\n"));
    const QString user = m_outside->path();

    QString path = user + QStringLiteral("/config.tar.gz");
    if (kind == QLatin1String("plain")) {
        QVERIFY(writeContent(path, QByteArray()));
    } else if (kind == QLatin1String("symlink")) {
        QVERIFY(QFile::link(victim, path));
    } else if (kind == QLatin1String("linked-dir")) {
        QVERIFY(QFile::link(QFileInfo(victim).absolutePath(), user + QStringLiteral("/etc")));
        path = user + QStringLiteral("/etc/") + QFileInfo(victim).fileName();
    } else if (kind == QLatin1String("directory")) {
        QVERIFY(QDir().mkpath(path));
    } else if (kind == QLatin1String("fifo")) {
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0644), 0);
    } else if (kind == QLatin1String("missing-dir")) {
        path = user + QStringLiteral("/missing/config.tar.gz");
    } else if (kind == QLatin1String("relative")) {
        path = QStringLiteral("config.tar.gz");
    } else if (kind == QLatin1String("empty")) {
        path.clear();
    } else if (kind == QLatin1String("hardlink")) {
        QVERIFY(writeContent(user + QStringLiteral("/original"), QByteArray()));
        QCOMPARE(::link(QFile::encodeName(user + QStringLiteral("/original")).constData(), QFile::encodeName(path).constData()), 0);
    }

    const KAuth::ActionReply reply =
        exporting ? m_helper.exportconfig({{QStringLiteral("output"), path}}) : m_helper.importconfig({{QStringLiteral("input"), path}});
    if (accepted) {
        QVERIFY2(reply.succeeded(), qPrintable(reply.errorDescription()));
        QCOMPARE(manager->calls().size(), 1);
        if (exporting) {
            QCOMPARE(contentOf(path), QByteArray("archive"));
        }
        return;
    }
    QVERIFY(reply.failed());
    QVERIFY2(reply.errorDescription().startsWith(QLatin1String("refused")), qPrintable(reply.errorDescription()));
    QVERIFY(manager->calls().isEmpty());
    QCOMPARE(contentOf(victim), QByteArray("victim\n"));
}

void AdminEventsHelperTest::archiveIsAccessedWithTheCallersCredentials()
{
    if (::geteuid() != 0) {
        QSKIP("needs root");
    }
    const auto manager = fakeConfigManager(QStringLiteral("[ \"$1\" = -o ] && printf 'archive' > \"$2\""));
    QCOMPARE(::chmod(QFile::encodeName(m_outside->path()).constData(), 0755), 0);
    const QString own = m_outside->filePath(QStringLiteral("nobody"));
    const QString rootOnly = m_outside->filePath(QStringLiteral("root"));
    QVERIFY(QDir().mkpath(own) && QDir().mkpath(rootOnly));
    QCOMPARE(::chown(QFile::encodeName(own).constData(), Nobody, Nobody), 0);
    NobodysHelper helper;

    // Into the caller's own directory: the new archive is the caller's.
    const QString archive = own + QStringLiteral("/config.tar.gz");
    KAuth::ActionReply reply = helper.exportconfig({{QStringLiteral("output"), archive}});
    QVERIFY2(reply.succeeded(), qPrintable(reply.errorDescription()));
    QCOMPARE(contentOf(archive), QByteArray("archive"));
    QCOMPARE(QFileInfo(archive).ownerId(), Nobody);

    // Where the caller may not write, nothing is written.
    reply = helper.exportconfig({{QStringLiteral("output"), QString(rootOnly + QStringLiteral("/config.tar.gz"))}});
    QVERIFY(reply.failed());
    QVERIFY2(reply.errorDescription().contains(QLatin1String("Permission denied")), qPrintable(reply.errorDescription()));
    QCOMPARE(QDir(rootOnly).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList());

    // A file the caller may not read is not imported.
    const QString secret = rootOnly + QStringLiteral("/secret.tar.gz");
    QVERIFY(writeContent(secret, "archive"));
    QVERIFY(QFile::setPermissions(secret, QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    manager->clearCalls();
    reply = helper.importconfig({{QStringLiteral("input"), secret}});
    QVERIFY(reply.failed());
    QVERIFY2(reply.errorDescription().contains(QLatin1String("Permission denied")), qPrintable(reply.errorDescription()));
    QVERIFY(manager->calls().isEmpty());

    QVERIFY2(helper.importconfig({{QStringLiteral("input"), archive}}).succeeded(), "import of the caller's own archive");
    QCOMPARE(manager->calls().size(), 1);
    // The process works with its own credentials again.
    QCOMPARE(::setfsuid(uid_t(-1)), 0);
}

// --- arguments of every action ------------------------------------------------------

void AdminEventsHelperTest::argumentsAreChecked_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<QVariantMap>("args");
    QTest::addColumn<QString>("key");

    const QString settings = QString::fromLatin1(SystemPaths::EventSettingsFile);
    const QString notification = QStringLiteral("/etc/syslog-ng/conf.d/mod-tarn-n.conf");
    const QString archive = QStringLiteral("/home/user/config.tar.gz");
    const QString cmd = QStringLiteral("cmd");
    const QVariantMap write{{QStringLiteral("action"), QStringLiteral("writeConfig")}, {QStringLiteral("path"), settings}};
    const auto with = [](QVariantMap map, const QString &key, const QVariant &value) {
        map.insert(key, value);
        return map;
    };
    const auto row = [](const char *action, const QString &what, const QVariantMap &args, const QString &key) {
        QTest::addRow("%s: %s", action, qPrintable(what)) << QString::fromLatin1(action) << args << key;
    };

    row("loggingservicectl", QStringLiteral("no cmd"), {}, cmd);
    row("loggingservicectl", QStringLiteral("cmd as a list"), {{cmd, QStringList{QStringLiteral("start")}}}, cmd);
    row("exportconfig", QStringLiteral("output as a list"), {{QStringLiteral("output"), QStringList{archive}}}, QStringLiteral("output"));
    row("importconfig", QStringLiteral("input as a list"), {{QStringLiteral("input"), QStringList{archive}}}, QStringLiteral("input"));
    row("writeconfig",
        QStringLiteral("content as a map"),
        with(write, QStringLiteral("content"), QVariantMap{{QStringLiteral("a"), 1}}),
        QStringLiteral("content"));
    row("writeconfig", QStringLiteral("content as a string"), with(write, QStringLiteral("content"), QStringLiteral("new\n")), QStringLiteral("content"));
    row("writeconfig", QStringLiteral("no content"), write, QStringLiteral("content"));
    row("writeconfig",
        QStringLiteral("action as bytes"),
        with(with(write, QStringLiteral("action"), QByteArray("writeConfig")), QStringLiteral("content"), QByteArray("new\n")),
        QStringLiteral("action"));
    row("writeconfig",
        QStringLiteral("generation as a number"),
        with(with(write, QStringLiteral("content"), QByteArray("new\n")), QString::fromLatin1(ActionIds::GenerationArgument), 42),
        QString::fromLatin1(ActionIds::GenerationArgument));
    row("removeconfig", QStringLiteral("file as a list"), {{QStringLiteral("file"), QStringList{notification}}}, QStringLiteral("file"));
    row("removenotificationconfigs", QStringLiteral("paths as a number"), {{QStringLiteral("paths"), 42}}, QStringLiteral("paths"));
    row("removenotificationconfigs", QStringLiteral("paths as one string"), {{QStringLiteral("paths"), notification}}, QStringLiteral("paths"));
    row("removenotificationconfigs", QStringLiteral("no paths"), {}, QStringLiteral("paths"));
    row("removenotificationconfigs",
        QStringLiteral("a number among the paths"),
        {{QStringLiteral("paths"), QVariantList{notification, 3}}},
        QStringLiteral("paths"));
    row("writenotificationconfigs",
        QStringLiteral("notifications as a list"),
        {{QStringLiteral("notifications"), QVariantList{notification}}},
        QStringLiteral("notifications"));
    row("writenotificationconfigs", QStringLiteral("no notifications"), {}, QStringLiteral("notifications"));
    row("writenotificationconfigs",
        QStringLiteral("content as a map"),
        {{QStringLiteral("notifications"), QVariantHash{{notification, QVariantMap()}}}},
        QStringLiteral("notifications"));
    row("setauditsettings", QStringLiteral("no AUDIT_TYPE"), {{QStringLiteral("login/alice"), 1}}, QStringLiteral("AUDIT_TYPE"));
    row("setauditsettings",
        QStringLiteral("value as a string"),
        {{QStringLiteral("AUDIT_TYPE"), 1}, {QStringLiteral("login/alice"), QStringLiteral("1")}},
        QStringLiteral("login/alice"));
    row("setauditsettings",
        QStringLiteral("value as a double"),
        {{QStringLiteral("AUDIT_TYPE"), 1}, {QStringLiteral("login/alice"), 1.0}},
        QStringLiteral("login/alice"));
    const QVariantMap read{{QStringLiteral("list"), QStringList{QStringLiteral("alice")}},
                           {QStringLiteral("auditType"), 1},
                           {QStringLiteral("auditIDs"), QStringList{QStringLiteral("login")}}};
    row("getauditsettings", QStringLiteral("auditType as a string"), with(read, QStringLiteral("auditType"), QStringLiteral("1")), QStringLiteral("auditType"));
}

void AdminEventsHelperTest::argumentsAreChecked()
{
    QFETCH(QString, action);
    QFETCH(QVariantMap, args);
    QFETCH(QString, key);
    QVariantMap arguments;
    for (auto it = args.cbegin(); it != args.cend(); ++it) {
        arguments.insert(it.key(), placed(it.value()));
    }
    const auto manager = fakeConfigManager(QStringLiteral("[ \"$1\" = -o ] && printf 'archive' > \"$2\""));
    const QStringList watched{resolved(SystemPaths::EventSettingsFile),
                              notificationFile(QStringLiteral("n")),
                              SystemPaths::resolve("/home/user/config.tar.gz"),
                              resolved(SystemPaths::AuditStoreFile)};
    QVERIFY(tnevas_set_audit_event("login", 1, "alice", 3));
    for (const QString &path : watched.mid(0, 3)) {
        QVERIFY(writeContent(path, "old\n"));
    }
    QHash<QString, QByteArray> before;
    for (const QString &path : watched) {
        before.insert(path, contentOf(path));
    }

    KAuth::ActionReply reply;
    QVERIFY(QMetaObject::invokeMethod(&m_helper,
                                      action.toLatin1().constData(),
                                      Qt::DirectConnection,
                                      Q_RETURN_ARG(KAuth::ActionReply, reply),
                                      Q_ARG(QVariantMap, arguments)));
    QVERIFY(reply.failed());
    QVERIFY2(reply.errorDescription().startsWith(action + QStringLiteral(": ")), qPrintable(reply.errorDescription()));
    QVERIFY2(reply.errorDescription().contains(QLatin1Char('"') + key + QLatin1Char('"')), qPrintable(reply.errorDescription()));
    QVERIFY(m_systemctl->calls().isEmpty());
    QVERIFY(manager->calls().isEmpty());
    for (const QString &path : watched) {
        QVERIFY2(existsNoFollow(path), qPrintable(path));
        QCOMPARE(contentOf(path), before.value(path));
    }
}

void AdminEventsHelperTest::relativeRootRefusesEveryAction()
{
    // Taken relative to the working directory, such a root could be "/".
    const QByteArray previous = qgetenv("ADMINEVENTS_ROOT");
    qputenv("ADMINEVENTS_ROOT", "relative/root");
    const auto restore = qScopeGuard([&previous]() {
        qputenv("ADMINEVENTS_ROOT", previous);
    });
    const QMetaObject *meta = m_helper.metaObject();
    int actions = 0;
    for (int i = meta->methodOffset(); i < meta->methodCount(); ++i) {
        const QMetaMethod slot = meta->method(i);
        if (slot.methodType() != QMetaMethod::Slot || slot.access() != QMetaMethod::Public) {
            continue;
        }
        KAuth::ActionReply reply;
        QVERIFY(slot.invoke(&m_helper, Qt::DirectConnection, Q_RETURN_ARG(KAuth::ActionReply, reply), Q_ARG(QVariantMap, QVariantMap())));
        QVERIFY2(reply.failed() && reply.errorDescription().contains(QLatin1String("not an absolute path")), qPrintable(reply.errorDescription()));
        ++actions;
    }
    QCOMPARE(actions, 10);
    QVERIFY(m_systemctl->calls().isEmpty());
}

// --- audit settings ----------------------------------------------------------------

void AdminEventsHelperTest::getAuditSettings_data()
{
    QTest::addColumn<int>("auditType");
    QTest::addColumn<QStringList>("subjects");
    QTest::addColumn<QStringList>("auditIds");
    QTest::addColumn<QVariantMap>("expected");

    const QStringList ids{QStringLiteral("login"), QStringLiteral("su"), QStringLiteral("mount")};
    const QStringList users{QStringLiteral("alice"), QStringLiteral("bob")};
    QTest::newRow("users: every identifier for every user") << 1 << users << ids
                                                            << QVariantMap{{QStringLiteral("login/alice"), 3},
                                                                           {QStringLiteral("login/bob"), 0},
                                                                           {QStringLiteral("su/alice"), 0},
                                                                           {QStringLiteral("su/bob"), 2},
                                                                           {QStringLiteral("mount/alice"), 0},
                                                                           {QStringLiteral("mount/bob"), 0}};
    QTest::newRow("groups") << 2 << QStringList{QStringLiteral("wheel")} << QStringList{QStringLiteral("login")}
                            << QVariantMap{{QStringLiteral("login/wheel"), 1}};
    QTest::newRow("other: one key per identifier, subjects ignored")
        << 4 << users << ids << QVariantMap{{QStringLiteral("login"), 2}, {QStringLiteral("su"), 0}, {QStringLiteral("mount"), 1}};
    QTest::newRow("no identifiers") << 1 << users << QStringList() << QVariantMap();
    QTest::newRow("no subjects") << 1 << QStringList() << ids << QVariantMap();
}

void AdminEventsHelperTest::getAuditSettings()
{
    QFETCH(int, auditType);
    QFETCH(QStringList, subjects);
    QFETCH(QStringList, auditIds);
    QFETCH(QVariantMap, expected);
    QVERIFY(tnevas_set_audit_event("login", 1, "alice", 3));
    QVERIFY(tnevas_set_audit_event("su", 1, "bob", 2));
    QVERIFY(tnevas_set_audit_event("login", 2, "wheel", 1));
    QVERIFY(tnevas_set_audit_event("login", 4, "", 2));
    QVERIFY(tnevas_set_audit_event("mount", 4, "", 1));

    const KAuth::ActionReply reply =
        m_helper.getauditsettings({{QStringLiteral("list"), subjects}, {QStringLiteral("auditType"), auditType}, {QStringLiteral("auditIDs"), auditIds}});
    QVERIFY(reply.succeeded());
    QCOMPARE(reply.data(), expected);
    for (const QVariant &value : reply.data()) {
        QCOMPARE(value.userType(), int(QMetaType::Int));
    }
}

void AdminEventsHelperTest::setAuditSettingsWithoutChangeWritesNothing()
{
    QVERIFY(tnevas_set_audit_event("login", 1, "alice", 3));
    const QString store = resolved(SystemPaths::AuditStoreFile);
    const QByteArray before = contentOf(store);

    // Values equal to the system, and an unknown setting asked to be 0.
    const KAuth::ActionReply reply =
        m_helper.setauditsettings({{QStringLiteral("AUDIT_TYPE"), 1}, {QStringLiteral("login/alice"), 3}, {QStringLiteral("login/bob"), 0}});
    QVERIFY(reply.failed());
    QCOMPARE(reply.errorDescription(), UnchangedAudit);
    QCOMPARE(contentOf(store), before);
}

void AdminEventsHelperTest::setAuditSettingsWritesEveryEntry_data()
{
    QTest::addColumn<int>("auditType");
    QTest::addColumn<QString>("changedKey");
    QTest::addColumn<QString>("unchangedKey");
    QTest::newRow("users") << 1 << QStringLiteral("login/alice") << QStringLiteral("su/bob");
    QTest::newRow("groups") << 2 << QStringLiteral("login/wheel") << QStringLiteral("su/audit");
    QTest::newRow("other") << 4 << QStringLiteral("login") << QStringLiteral("su");
    QTest::newRow("group name with a slash") << 2 << QStringLiteral("login/ldap/admins") << QStringLiteral("su/ldap/audit");
}

void AdminEventsHelperTest::setAuditSettingsWritesEveryEntry()
{
    QFETCH(int, auditType);
    QFETCH(QString, changedKey);
    QFETCH(QString, unchangedKey);
    const auto split = [auditType](const QString &key) {
        const qsizetype slash = key.indexOf(QLatin1Char('/'));
        return auditType == 4 ? QStringList{key, QString()} : QStringList{key.left(slash), key.mid(slash + 1)};
    };

    // The unchanged setting is 0 and so not yet in the store: writing it adds it.
    const KAuth::ActionReply reply = m_helper.setauditsettings({{QStringLiteral("AUDIT_TYPE"), auditType}, {changedKey, 3}, {unchangedKey, 0}});
    QVERIFY2(reply.succeeded(), qPrintable(reply.errorDescription()));

    const QStringList changed = split(changedKey);
    QCOMPARE(tnevas_get_audit_event(changed[0].toUtf8().constData(), auditType, changed[1].toUtf8().constData()), 3);
    const QJsonObject store = QJsonDocument::fromJson(contentOf(resolved(SystemPaths::AuditStoreFile))).object();
    const QStringList unchanged = split(unchangedKey);
    const QJsonObject bySubject = store.value(unchanged[0]).toObject().value(QString::number(auditType)).toObject();
    QVERIFY2(bySubject.contains(unchanged[1]), "the unchanged entry was not written");
    QVERIFY(!store.contains(QStringLiteral("AUDIT_TYPE")));

    // The same request again changes nothing.
    QCOMPARE(m_helper.setauditsettings({{QStringLiteral("AUDIT_TYPE"), auditType}, {changedKey, 3}, {unchangedKey, 0}}).errorDescription(), UnchangedAudit);
}

void AdminEventsHelperTest::setAuditSettingsReportsFailedWrite()
{
    // The store cannot be replaced when a directory stands in its place.
    QVERIFY(QDir().mkpath(resolved(SystemPaths::AuditStoreFile)));
    const KAuth::ActionReply reply =
        m_helper.setauditsettings({{QStringLiteral("AUDIT_TYPE"), 1}, {QStringLiteral("login/bob"), 0}, {QStringLiteral("login/alice"), 1}});
    QVERIFY(reply.failed());
    QCOMPARE(reply.errorDescription(), WriteFailedAudit + QStringLiteral(": login/alice, login/bob"));
}

QTEST_GUILESS_MAIN(AdminEventsHelperTest)

#include "admineventshelpertest.moc"
