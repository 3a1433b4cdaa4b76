/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/

// The configuration manager stand-in: export and import of the logging
// configuration below a private root, and its refusal of hostile archives.

#include <QByteArray>
#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include "testpaths.h"

#include <archive.h>
#include <archive_entry.h>

#include <memory>
#include <optional>

#include <sys/stat.h>
#include <unistd.h>

namespace
{
struct RunResult {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

// One member of a test archive.
struct Entry {
    QByteArray name;
    int type = AE_IFREG;
    QByteArray data;
    QByteArray link; // symbolic link target, or hard link target when `hardLink`
    bool hardLink = false;
};

struct ListedEntry {
    QByteArray name;
    int type = 0;
    int perm = 0;
    QByteArray data;
};

const QByteArray EventSettings = "{\n  \"events\": {\"auth\": {\"enabled\": \"1\"}}\n}\n";
const QByteArray AuditRules = "-w /etc/passwd -p wa -k tarn_passwd\n";
const QByteArray CommonFile = "destination d_tarn_file { file(\"/vigil/log/tarn/events\"); };\n";
const QByteArray Logrotate = "/vigil/log/tarn/events {\n    rotate 4\n    size 10M\n}\n";
const QByteArray NotificationA = "filter f_auth_login { match(\"auth_login\" value(\"MSG.id\")); };\n";
// Bytes that are not text at all, to see that nothing is converted on the way.
const QByteArray NotificationB = QByteArray("log {\0\x01\xff\xfe}\r\n", 12);

bool writeFile(const QString &path, const QByteArray &content)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(content) != content.size()) {
        return false;
    }
    file.close();
    return ::chmod(QFile::encodeName(path).constData(), 0644) == 0;
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

mode_t modeOf(const QString &path)
{
    struct stat status;
    return ::lstat(QFile::encodeName(path).constData(), &status) == 0 ? status.st_mode : 0;
}

// Every entry below `dir`, with its type, mode, link count and a digest of its
// content or link target, and unless `identity` is false its inode and owner:
// one line per entry in a stable order.
QStringList snapshot(const QString &dir, bool identity = true)
{
    QStringList lines;
    QDirIterator it(dir, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        struct stat status;
        if (::lstat(QFile::encodeName(path).constData(), &status) != 0) {
            lines.append(path + QStringLiteral(" vanished"));
            continue;
        }
        QByteArray what;
        if (S_ISLNK(status.st_mode)) {
            what = "link " + QFile::encodeName(QFile::symLinkTarget(path));
        } else if (S_ISREG(status.st_mode)) {
            what = "file " + QCryptographicHash::hash(readFile(path), QCryptographicHash::Sha256).toHex();
        } else if (S_ISDIR(status.st_mode)) {
            what = "dir";
        } else {
            what = "other";
        }
        lines.append(QStringLiteral("%1 mode %2 links %3 inode %4 owner %5 %6")
                         .arg(QDir(dir).relativeFilePath(path))
                         .arg(status.st_mode, 0, 8)
                         .arg(status.st_nlink)
                         .arg(identity ? status.st_ino : 0)
                         .arg(identity ? status.st_uid : 0)
                         .arg(QString::fromLatin1(what)));
    }
    lines.sort();
    return lines;
}

bool writeArchive(const QString &path, const QList<Entry> &entries)
{
    std::unique_ptr<struct archive, decltype(&archive_write_free)> writer(archive_write_new(), archive_write_free);
    if (archive_write_add_filter_gzip(writer.get()) != ARCHIVE_OK || archive_write_set_format_pax_restricted(writer.get()) != ARCHIVE_OK
        || archive_write_open_filename(writer.get(), QFile::encodeName(path).constData()) != ARCHIVE_OK) {
        return false;
    }
    for (const Entry &e : entries) {
        std::unique_ptr<struct archive_entry, decltype(&archive_entry_free)> entry(archive_entry_new(), archive_entry_free);
        archive_entry_set_pathname(entry.get(), e.name.constData());
        archive_entry_set_filetype(entry.get(), e.type);
        archive_entry_set_perm(entry.get(), e.type == AE_IFDIR ? 0755 : 0644);
        archive_entry_set_mtime(entry.get(), 1700000000, 0);
        if (e.type == AE_IFLNK) {
            archive_entry_set_symlink(entry.get(), e.link.constData());
        }
        if (e.hardLink) {
            archive_entry_set_hardlink(entry.get(), e.link.constData());
        }
        archive_entry_set_size(entry.get(), e.type == AE_IFREG && !e.hardLink ? e.data.size() : 0);
        if (archive_write_header(writer.get(), entry.get()) != ARCHIVE_OK) {
            return false;
        }
        if (!e.data.isEmpty() && archive_write_data(writer.get(), e.data.constData(), size_t(e.data.size())) != e.data.size()) {
            return false;
        }
    }
    return archive_write_close(writer.get()) == ARCHIVE_OK;
}

QList<ListedEntry> listArchive(const QString &path, bool *ok)
{
    *ok = false;
    QList<ListedEntry> listed;
    std::unique_ptr<struct archive, decltype(&archive_read_free)> reader(archive_read_new(), archive_read_free);
    archive_read_support_filter_gzip(reader.get());
    archive_read_support_format_tar(reader.get());
    if (archive_read_open_filename(reader.get(), QFile::encodeName(path).constData(), 65536) != ARCHIVE_OK) {
        return listed;
    }
    struct archive_entry *entry = nullptr;
    int status;
    while ((status = archive_read_next_header(reader.get(), &entry)) == ARCHIVE_OK) {
        ListedEntry item;
        item.name = archive_entry_pathname(entry);
        item.type = int(archive_entry_filetype(entry));
        item.perm = int(archive_entry_perm(entry));
        char buffer[65536];
        la_ssize_t count;
        while ((count = archive_read_data(reader.get(), buffer, sizeof buffer)) > 0) {
            item.data.append(buffer, int(count));
        }
        if (count < 0) {
            return listed;
        }
        listed.append(item);
    }
    *ok = status == ARCHIVE_EOF;
    return listed;
}

QList<QByteArray> namesOf(const QList<ListedEntry> &entries)
{
    QList<QByteArray> names;
    for (const ListedEntry &entry : entries) {
        names.append(entry.name);
    }
    std::sort(names.begin(), names.end());
    return names;
}
}

Q_DECLARE_METATYPE(QList<Entry>)

class ConfigManagerTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;

    QString root() const
    {
        return m_dir->path() + QStringLiteral("/root");
    }
    QString work() const
    {
        return m_dir->path() + QStringLiteral("/work");
    }
    QString sys(const char *systemPath) const
    {
        return root() + QString::fromUtf8(systemPath);
    }

    // Runs the program on root(), or with ADMINEVENTS_ROOT set to
    // `otherRoot` (null: unset) in the working directory work().
    RunResult run(const QStringList &arguments, const std::optional<QString> &otherRoot = std::nullopt) const
    {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("ADMINEVENTS_ROOT"), root());
        if (otherRoot && otherRoot->isNull()) {
            environment.remove(QStringLiteral("ADMINEVENTS_ROOT"));
        } else if (otherRoot) {
            environment.insert(QStringLiteral("ADMINEVENTS_ROOT"), *otherRoot);
        }
        process.setProcessEnvironment(environment);
        process.setWorkingDirectory(work());
        process.start(QStringLiteral(CONFIG_MANAGER_BIN), arguments);
        RunResult result;
        if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit) {
            qWarning() << "the configuration manager did not finish normally" << process.errorString();
            return result;
        }
        result.exitCode = process.exitCode();
        result.out = process.readAllStandardOutput();
        result.err = process.readAllStandardError();
        return result;
    }

    // The full configuration, plus neighbours that must never be touched.
    void populate() const
    {
        QVERIFY(writeFile(sys("/etc/tarn-syslog.conf"), EventSettings));
        QVERIFY(writeFile(sys("/etc/audit/rules.d/tarn-syslog.rules"), AuditRules));
        QVERIFY(writeFile(sys("/etc/syslog-ng/conf.d/mod-tarn.conf"), CommonFile));
        QVERIFY(writeFile(sys("/etc/syslog-ng/conf.d/mod-tarn-auth-login.conf"), NotificationA));
        QVERIFY(writeFile(sys("/etc/syslog-ng/conf.d/mod-tarn-x_y.2.conf"), NotificationB));
        QVERIFY(writeFile(sys("/etc/logrotate.d/syslog-ng-mod-tarn"), Logrotate));
        QVERIFY(writeFile(sys("/etc/syslog-ng/conf.d/other.conf"), "# not ours\n"));
        QVERIFY(writeFile(sys("/etc/syslog-ng/conf.d/mod-tarn-.hidden.conf"), "# not a notification file\n"));
        QVERIFY(writeFile(sys("/etc/passwd"), "root:x:0:0:root:/root:/bin/sh\n"));
    }

    QString exportTo(const QString &name) const
    {
        const QString archive = work() + QLatin1Char('/') + name;
        const RunResult result = run({QStringLiteral("-o"), archive});
        if (result.exitCode != 0) {
            qWarning() << "export failed:" << result.err;
            return QString();
        }
        return archive;
    }

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(TestPaths::isUsable(*m_dir));
        QVERIFY(QDir().mkpath(root()));
        QVERIFY(QDir().mkpath(work()));
    }

    void cleanup()
    {
        m_dir.reset();
    }

    void exportNamesMembersBySystemPath()
    {
        populate();
        const QString archive = exportTo(QStringLiteral("config.tar.gz"));
        QVERIFY(!archive.isEmpty());

        bool ok = false;
        const QList<ListedEntry> entries = listArchive(archive, &ok);
        QVERIFY(ok);
        const QList<QByteArray> expected{
            "etc/audit/rules.d/tarn-syslog.rules",
            "etc/logrotate.d/syslog-ng-mod-tarn",
            "etc/syslog-ng/conf.d/mod-tarn-auth-login.conf",
            "etc/syslog-ng/conf.d/mod-tarn-x_y.2.conf",
            "etc/syslog-ng/conf.d/mod-tarn.conf",
            "etc/tarn-syslog.conf",
        };
        QCOMPARE(namesOf(entries), expected);
        for (const ListedEntry &entry : entries) {
            QCOMPARE(entry.type, int(AE_IFREG));
            QCOMPARE(entry.perm, 0644);
            QCOMPARE(entry.data, readFile(root() + QLatin1Char('/') + QString::fromLatin1(entry.name)));
        }

        // The archive is an ordinary gzip tar archive.
        const QString tar = QStandardPaths::findExecutable(QStringLiteral("tar"));
        if (!tar.isEmpty()) {
            QProcess process;
            process.start(tar, {QStringLiteral("-tzf"), archive});
            QVERIFY(process.waitForFinished());
            QCOMPARE(process.exitCode(), 0);
            QList<QByteArray> listed = process.readAllStandardOutput().trimmed().split('\n');
            std::sort(listed.begin(), listed.end());
            QCOMPARE(listed, expected);
        }
    }

    void roundTripRestoresFiles()
    {
        populate();
        const QString archive = exportTo(QStringLiteral("config.tar.gz"));
        QVERIFY(!archive.isEmpty());

        // Change the system after the export.
        QVERIFY(writeFile(sys("/etc/tarn-syslog.conf"), "{}\n"));
        QVERIFY(QFile::remove(sys("/etc/audit/rules.d/tarn-syslog.rules")));
        QVERIFY(TestPaths::removeTreeInside(*m_dir, sys("/etc/logrotate.d")));
        QCOMPARE(::chmod(QFile::encodeName(sys("/etc/syslog-ng/conf.d/mod-tarn.conf")).constData(), 0600), 0);
        QVERIFY(QFile::remove(sys("/etc/syslog-ng/conf.d/mod-tarn-x_y.2.conf")));
        QVERIFY(writeFile(sys("/etc/syslog-ng/conf.d/mod-tarn-added-later.conf"), "# added after the export\n"));

        const RunResult result = run({QStringLiteral("-i"), archive});
        QVERIFY2(result.exitCode == 0, result.err.constData());

        const QList<QPair<const char *, QByteArray>> expected{
            {"/etc/tarn-syslog.conf", EventSettings},
            {"/etc/audit/rules.d/tarn-syslog.rules", AuditRules},
            {"/etc/syslog-ng/conf.d/mod-tarn.conf", CommonFile},
            {"/etc/syslog-ng/conf.d/mod-tarn-auth-login.conf", NotificationA},
            {"/etc/syslog-ng/conf.d/mod-tarn-x_y.2.conf", NotificationB},
            {"/etc/logrotate.d/syslog-ng-mod-tarn", Logrotate},
        };
        for (const auto &[path, content] : expected) {
            QCOMPARE(readFile(sys(path)), content);
            QCOMPARE(modeOf(sys(path)), mode_t(S_IFREG | 0644));
        }
        // The archive holds the complete set of notifications.
        QVERIFY(!QFileInfo::exists(sys("/etc/syslog-ng/conf.d/mod-tarn-added-later.conf")));
        // Neighbours stay as they were.
        QCOMPARE(readFile(sys("/etc/syslog-ng/conf.d/other.conf")), QByteArray("# not ours\n"));
        QCOMPARE(readFile(sys("/etc/syslog-ng/conf.d/mod-tarn-.hidden.conf")), QByteArray("# not a notification file\n"));
        // No temporary directory is left behind.
        for (const QString &line : snapshot(root())) {
            QVERIFY2(!line.contains(QStringLiteral(".tarn-event-config-manager")), qPrintable(line));
        }

        // Importing the same archive again changes no content.
        const QStringList before = snapshot(root(), false);
        QCOMPARE(run({QStringLiteral("-i"), archive}).exitCode, 0);
        QCOMPARE(snapshot(root(), false), before);
    }

    void importIntoEmptySystemCreatesDirectories()
    {
        populate();
        const QString archive = exportTo(QStringLiteral("config.tar.gz"));
        QVERIFY(!archive.isEmpty());
        QVERIFY(TestPaths::removeTreeInside(*m_dir, sys("/etc")));

        const RunResult result = run({QStringLiteral("-i"), archive});
        QVERIFY2(result.exitCode == 0, result.err.constData());
        QCOMPARE(readFile(sys("/etc/audit/rules.d/tarn-syslog.rules")), AuditRules);
        QCOMPARE(readFile(sys("/etc/logrotate.d/syslog-ng-mod-tarn")), Logrotate);
        QCOMPARE(readFile(sys("/etc/syslog-ng/conf.d/mod-tarn-x_y.2.conf")), NotificationB);
        QCOMPARE(modeOf(sys("/etc/audit/rules.d")), mode_t(S_IFDIR | 0755));
    }

    void importReplacesLinkInsteadOfFollowingIt()
    {
        populate();
        const QString archive = exportTo(QStringLiteral("config.tar.gz"));
        QVERIFY(!archive.isEmpty());
        const QByteArray passwd = readFile(sys("/etc/passwd"));
        QVERIFY(QFile::remove(sys("/etc/tarn-syslog.conf")));
        QVERIFY(QFile::link(sys("/etc/passwd"), sys("/etc/tarn-syslog.conf")));

        const RunResult result = run({QStringLiteral("-i"), archive});
        QVERIFY2(result.exitCode == 0, result.err.constData());
        QCOMPARE(modeOf(sys("/etc/tarn-syslog.conf")), mode_t(S_IFREG | 0644));
        QCOMPARE(readFile(sys("/etc/tarn-syslog.conf")), EventSettings);
        QCOMPARE(readFile(sys("/etc/passwd")), passwd);
    }

    void importLeavesFixedFilesTheArchiveLacks()
    {
        QVERIFY(writeFile(sys("/etc/tarn-syslog.conf"), EventSettings));
        const QString archive = exportTo(QStringLiteral("config.tar.gz"));
        QVERIFY(!archive.isEmpty());
        populate();
        QVERIFY(writeFile(sys("/etc/tarn-syslog.conf"), "{}\n"));

        const RunResult result = run({QStringLiteral("-i"), archive});
        QVERIFY2(result.exitCode == 0, result.err.constData());
        QCOMPARE(readFile(sys("/etc/tarn-syslog.conf")), EventSettings);
        QCOMPARE(readFile(sys("/etc/audit/rules.d/tarn-syslog.rules")), AuditRules);
        QCOMPARE(readFile(sys("/etc/logrotate.d/syslog-ng-mod-tarn")), Logrotate);
        QCOMPARE(readFile(sys("/etc/syslog-ng/conf.d/mod-tarn.conf")), CommonFile);
        QVERIFY(!QFileInfo::exists(sys("/etc/syslog-ng/conf.d/mod-tarn-auth-login.conf")));
    }

    void exportSkipsMissingFiles()
    {
        populate();
        QVERIFY(QFile::remove(sys("/etc/audit/rules.d/tarn-syslog.rules")));
        QVERIFY(TestPaths::removeTreeInside(*m_dir, sys("/etc/logrotate.d")));
        QVERIFY(QFile::remove(sys("/etc/syslog-ng/conf.d/mod-tarn-auth-login.conf")));

        const QString archive = exportTo(QStringLiteral("config.tar.gz"));
        QVERIFY(!archive.isEmpty());
        bool ok = false;
        const QList<QByteArray> names = namesOf(listArchive(archive, &ok));
        QVERIFY(ok);
        const QList<QByteArray> expected{
            "etc/syslog-ng/conf.d/mod-tarn-x_y.2.conf",
            "etc/syslog-ng/conf.d/mod-tarn.conf",
            "etc/tarn-syslog.conf",
        };
        QCOMPARE(names, expected);
    }

    void exportSkipsLinkedConfigFiles()
    {
        populate();
        QVERIFY(QFile::remove(sys("/etc/logrotate.d/syslog-ng-mod-tarn")));
        QVERIFY(QFile::link(sys("/etc/passwd"), sys("/etc/logrotate.d/syslog-ng-mod-tarn")));
        QVERIFY(QFile::link(sys("/etc/passwd"), sys("/etc/syslog-ng/conf.d/mod-tarn-linked.conf")));

        const QString archive = exportTo(QStringLiteral("config.tar.gz"));
        QVERIFY(!archive.isEmpty());
        bool ok = false;
        const QList<ListedEntry> entries = listArchive(archive, &ok);
        QVERIFY(ok);
        const QList<QByteArray> names = namesOf(entries);
        QVERIFY(!names.contains("etc/logrotate.d/syslog-ng-mod-tarn"));
        QVERIFY(!names.contains("etc/syslog-ng/conf.d/mod-tarn-linked.conf"));
        QVERIFY(names.contains("etc/tarn-syslog.conf"));
        for (const ListedEntry &entry : entries) {
            QVERIFY(!entry.data.contains("root:x:0:0"));
        }
    }

    void exportWithoutConfigurationFails()
    {
        const QString archive = work() + QStringLiteral("/config.tar.gz");
        const RunResult result = run({QStringLiteral("-o"), archive});
        QVERIFY(result.exitCode != 0);
        QVERIFY(!result.err.isEmpty());
        QVERIFY(!QFileInfo::exists(archive));
    }

    void exportOverwritesEmptyFileOrEarlierArchive()
    {
        populate();
        const QString archive = work() + QStringLiteral("/config.tar.gz");
        QVERIFY(writeFile(archive, QByteArray()));
        QCOMPARE(run({QStringLiteral("-o"), archive}).exitCode, 0);
        QVERIFY(QFileInfo(archive).size() > 0);

        QVERIFY(writeFile(sys("/etc/tarn-syslog.conf"), "{}\n"));
        QCOMPARE(run({QStringLiteral("-o"), archive}).exitCode, 0);
        bool ok = false;
        const QList<ListedEntry> entries = listArchive(archive, &ok);
        QVERIFY(ok);
        bool found = false;
        for (const ListedEntry &entry : entries) {
            if (entry.name == "etc/tarn-syslog.conf") {
                QCOMPARE(entry.data, QByteArray("{}\n"));
                found = true;
            }
        }
        QVERIFY(found);
    }

    void exportRefusesUnsafeOutput_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("symbolic link") << QStringLiteral("symlink");
        QTest::newRow("dangling symbolic link") << QStringLiteral("dangling");
        QTest::newRow("directory") << QStringLiteral("directory");
        QTest::newRow("hard-linked file") << QStringLiteral("hardlink");
        QTest::newRow("file that is not an archive") << QStringLiteral("text");
        QTest::newRow("missing directory") << QStringLiteral("missingdir");
    }

    void exportRefusesUnsafeOutput()
    {
        QFETCH(QString, kind);
        populate();
        const QString victim = work() + QStringLiteral("/victim");
        QVERIFY(writeFile(victim, "precious\n"));
        QString output = work() + QStringLiteral("/out.tar.gz");
        if (kind == QLatin1String("symlink")) {
            QVERIFY(QFile::link(victim, output));
        } else if (kind == QLatin1String("dangling")) {
            QVERIFY(QFile::link(work() + QStringLiteral("/nowhere"), output));
        } else if (kind == QLatin1String("directory")) {
            QVERIFY(QDir().mkpath(output));
        } else if (kind == QLatin1String("hardlink")) {
            QCOMPARE(::link(QFile::encodeName(victim).constData(), QFile::encodeName(output).constData()), 0);
        } else if (kind == QLatin1String("text")) {
            output = victim;
        } else {
            output = work() + QStringLiteral("/missing/out.tar.gz");
        }

        const QStringList before = snapshot(m_dir->path());
        const RunResult result = run({QStringLiteral("-o"), output});
        QVERIFY(result.exitCode != 0);
        QVERIFY(!result.err.isEmpty());
        QCOMPARE(snapshot(m_dir->path()), before);
        QCOMPARE(readFile(victim), QByteArray("precious\n"));
    }

    void wrongUsageIsRefused_data()
    {
        QTest::addColumn<QStringList>("arguments");
        const QString file = QStringLiteral("x.tar.gz");
        QTest::newRow("no arguments") << QStringList();
        QTest::newRow("option only") << QStringList{QStringLiteral("-o")};
        QTest::newRow("unknown option") << QStringList{QStringLiteral("-x"), file};
        QTest::newRow("path first") << QStringList{file, QStringLiteral("-o")};
        QTest::newRow("empty path") << QStringList{QStringLiteral("-i"), QString()};
        QTest::newRow("extra argument") << QStringList{QStringLiteral("-o"), file, QStringLiteral("-i")};
    }

    void wrongUsageIsRefused()
    {
        QFETCH(QStringList, arguments);
        populate();
        const QStringList before = snapshot(m_dir->path());
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("ADMINEVENTS_ROOT"), root());
        process.setProcessEnvironment(environment);
        process.setWorkingDirectory(work());
        process.start(QStringLiteral(CONFIG_MANAGER_BIN), arguments);
        QVERIFY(process.waitForFinished());
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QVERIFY(process.exitCode() != 0);
        QVERIFY(!process.readAllStandardError().isEmpty());
        QCOMPARE(snapshot(m_dir->path()), before);
    }

    void importRefusesHostileArchive_data()
    {
        QTest::addColumn<QList<Entry>>("entries");
        QTest::addColumn<QByteArray>("reason");
        const QByteArray content = "{\"hostile\": true}\n";
        const Entry valid{"etc/tarn-syslog.conf", AE_IFREG, content, {}, false};

        QTest::newRow("path traversal") << QList<Entry>{{"../x", AE_IFREG, content, {}, false}} << QByteArray("leaves the configuration tree");
        QTest::newRow("traversal to a known name") << QList<Entry>{{"../etc/tarn-syslog.conf", AE_IFREG, content, {}, false}}
                                                   << QByteArray("leaves the configuration tree");
        QTest::newRow("traversal inside the name") << QList<Entry>{{"etc/../etc/tarn-syslog.conf", AE_IFREG, content, {}, false}}
                                                   << QByteArray("leaves the configuration tree");
        QTest::newRow("absolute name") << QList<Entry>{{"/etc/tarn-syslog.conf", AE_IFREG, content, {}, false}} << QByteArray("absolute names");
        QTest::newRow("leading dot component") << QList<Entry>{{"./etc/tarn-syslog.conf", AE_IFREG, content, {}, false}}
                                               << QByteArray("not a file of the logging configuration");
        QTest::newRow("symbolic link") << QList<Entry>{{"etc/tarn-syslog.conf", AE_IFLNK, {}, "/etc/passwd", false}} << QByteArray("symbolic links");
        QTest::newRow("hard link") << QList<Entry>{{"etc/syslog-ng/conf.d/mod-tarn.conf", AE_IFREG, content, {}, false},
                                                   {"etc/tarn-syslog.conf", AE_IFREG, {}, "etc/syslog-ng/conf.d/mod-tarn.conf", true}}
                                   << QByteArray("hard links");
        QTest::newRow("hard link to a system file") << QList<Entry>{{"etc/tarn-syslog.conf", AE_IFREG, {}, "etc/passwd", true}} << QByteArray("hard links");
        QTest::newRow("unknown file name") << QList<Entry>{{"etc/passwd", AE_IFREG, content, {}, false}}
                                           << QByteArray("not a file of the logging configuration");
        QTest::newRow("unknown file in conf.d") << QList<Entry>{{"etc/syslog-ng/conf.d/other.conf", AE_IFREG, content, {}, false}}
                                                << QByteArray("not a file of the logging configuration");
        QTest::newRow("file id starting with a dot") << QList<Entry>{{"etc/syslog-ng/conf.d/mod-tarn-.x.conf", AE_IFREG, content, {}, false}}
                                                     << QByteArray("not a file of the logging configuration");
        QTest::newRow("file id with a space") << QList<Entry>{{"etc/syslog-ng/conf.d/mod-tarn-a b.conf", AE_IFREG, content, {}, false}}
                                              << QByteArray("not a file of the logging configuration");
        QTest::newRow("directory") << QList<Entry>{{"etc/", AE_IFDIR, {}, {}, false}} << QByteArray("only regular files");
        QTest::newRow("directory with a known name") << QList<Entry>{{"etc/tarn-syslog.conf", AE_IFDIR, {}, {}, false}} << QByteArray("only regular files");
        QTest::newRow("fifo") << QList<Entry>{{"etc/tarn-syslog.conf", AE_IFIFO, {}, {}, false}} << QByteArray("only regular files");
        QTest::newRow("character device") << QList<Entry>{{"etc/tarn-syslog.conf", AE_IFCHR, {}, {}, false}} << QByteArray("only regular files");
        QTest::newRow("valid then traversal") << QList<Entry>{valid, {"../x", AE_IFREG, content, {}, false}} << QByteArray("leaves the configuration tree");
        QTest::newRow("valid then unknown name") << QList<Entry>{valid, {"etc/shadow", AE_IFREG, content, {}, false}}
                                                 << QByteArray("not a file of the logging configuration");
        QTest::newRow("valid then symbolic link") << QList<Entry>{valid, {"etc/syslog-ng/conf.d/mod-tarn-a.conf", AE_IFLNK, {}, "/etc/passwd", false}}
                                                  << QByteArray("symbolic links");
        QTest::newRow("same file twice") << QList<Entry>{valid, valid} << QByteArray("occurs twice");
        QTest::newRow("oversized file") << QList<Entry>{{"etc/tarn-syslog.conf", AE_IFREG, QByteArray(16 * 1024 * 1024 + 1, 'x'), {}, false}}
                                        << QByteArray("larger than");
        QList<Entry> many;
        for (int i = 0; i <= 1024; ++i) {
            many.append({"etc/syslog-ng/conf.d/mod-tarn-n" + QByteArray::number(i) + ".conf", AE_IFREG, "#\n", {}, false});
        }
        QTest::newRow("too many entries") << many << QByteArray("more than 1024 entries");
        QTest::newRow("no entries") << QList<Entry>() << QByteArray("no configuration file");
    }

    void importRefusesHostileArchive()
    {
        QFETCH(QList<Entry>, entries);
        QFETCH(QByteArray, reason);
        populate();
        const QString archive = work() + QStringLiteral("/hostile.tar.gz");
        QVERIFY(writeArchive(archive, entries));

        const QStringList before = snapshot(m_dir->path());
        const RunResult result = run({QStringLiteral("-i"), archive});
        QVERIFY(result.exitCode > 0);
        QVERIFY2(result.err.contains(reason), result.err.constData());
        QCOMPARE(snapshot(m_dir->path()), before);
    }

    void importRefusesUnusableInput_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QByteArray>("reason");
        QTest::newRow("not an archive") << QStringLiteral("text") << QByteArray("not gzip-compressed");
        QTest::newRow("truncated archive") << QStringLiteral("truncated") << QByteArray("truncated");
        QTest::newRow("damaged archive") << QStringLiteral("damaged") << QByteArray("damaged archive");
        QTest::newRow("symbolic link to an archive") << QStringLiteral("symlink") << QByteArray("symbolic link");
        QTest::newRow("directory") << QStringLiteral("directory") << QByteArray("not a regular file");
        QTest::newRow("missing file") << QStringLiteral("missing") << QByteArray("cannot open");
        QTest::newRow("empty file") << QStringLiteral("empty") << QByteArray("not gzip-compressed");
    }

    void importRefusesUnusableInput()
    {
        QFETCH(QString, kind);
        QFETCH(QByteArray, reason);
        // A large incompressible notification file, so that damage lands inside its data.
        QByteArray noise;
        for (int i = 0; i < 4096; ++i) {
            noise += QCryptographicHash::hash(QByteArray::number(i), QCryptographicHash::Sha256);
        }
        QVERIFY(writeFile(sys("/etc/syslog-ng/conf.d/mod-tarn-noise.conf"), noise));
        populate();
        const QString good = exportTo(QStringLiteral("good.tar.gz"));
        QVERIFY(!good.isEmpty());
        const QByteArray goodBytes = readFile(good);
        // Give the system something to lose.
        QVERIFY(writeFile(sys("/etc/tarn-syslog.conf"), "{}\n"));
        QVERIFY(QFile::remove(sys("/etc/syslog-ng/conf.d/mod-tarn-auth-login.conf")));

        const QString input = work() + QStringLiteral("/input.tar.gz");
        if (kind == QLatin1String("text")) {
            QVERIFY(writeFile(input, "this is not an archive\n"));
        } else if (kind == QLatin1String("truncated")) {
            QVERIFY(writeFile(input, goodBytes.left(goodBytes.size() / 2)));
        } else if (kind == QLatin1String("damaged")) {
            QByteArray damaged = goodBytes;
            for (int i = damaged.size() / 2; i < damaged.size() / 2 + 64; ++i) {
                damaged[i] = char(damaged[i] ^ 0x5a);
            }
            QVERIFY(writeFile(input, damaged));
        } else if (kind == QLatin1String("symlink")) {
            QVERIFY(QFile::link(good, input));
        } else if (kind == QLatin1String("directory")) {
            QVERIFY(QDir().mkpath(input));
        } else if (kind == QLatin1String("empty")) {
            QVERIFY(writeFile(input, QByteArray()));
        }

        const QStringList before = snapshot(m_dir->path());
        const RunResult result = run({QStringLiteral("-i"), input});
        QVERIFY(result.exitCode > 0);
        QVERIFY2(result.err.contains(reason), result.err.constData());
        QCOMPARE(snapshot(m_dir->path()), before);
    }

    void importAcceptsArchivesOfOtherTools()
    {
        populate();
        // libarchive with its default block padding behind the gzip stream.
        const QString padded = work() + QStringLiteral("/padded.tar.gz");
        QVERIFY(writeArchive(padded,
                             {{"etc/tarn-syslog.conf", AE_IFREG, "{\"from\": \"padded\"}\n", {}, false},
                              {"etc/syslog-ng/conf.d/mod-tarn-auth-login.conf", AE_IFREG, NotificationA, {}, false}}));
        RunResult result = run({QStringLiteral("-i"), padded});
        QVERIFY2(result.exitCode == 0, result.err.constData());
        QCOMPARE(readFile(sys("/etc/tarn-syslog.conf")), QByteArray("{\"from\": \"padded\"}\n"));
        QVERIFY(!QFileInfo::exists(sys("/etc/syslog-ng/conf.d/mod-tarn-x_y.2.conf")));
        QCOMPARE(readFile(sys("/etc/audit/rules.d/tarn-syslog.rules")), AuditRules);

        const QString tar = QStandardPaths::findExecutable(QStringLiteral("tar"));
        if (tar.isEmpty()) {
            QSKIP("no tar program");
        }
        QVERIFY(writeFile(sys("/etc/tarn-syslog.conf"), EventSettings));
        const QString packed = work() + QStringLiteral("/tar.tar.gz");
        QProcess process;
        process.setWorkingDirectory(root());
        process.start(tar, {QStringLiteral("-czf"), packed, QStringLiteral("etc/tarn-syslog.conf"), QStringLiteral("etc/logrotate.d/syslog-ng-mod-tarn")});
        QVERIFY(process.waitForFinished());
        QCOMPARE(process.exitCode(), 0);
        QVERIFY(writeFile(sys("/etc/tarn-syslog.conf"), "{}\n"));
        QVERIFY(writeFile(sys("/etc/logrotate.d/syslog-ng-mod-tarn"), "# changed\n"));

        result = run({QStringLiteral("-i"), packed});
        QVERIFY2(result.exitCode == 0, result.err.constData());
        QCOMPARE(readFile(sys("/etc/tarn-syslog.conf")), EventSettings);
        QCOMPARE(readFile(sys("/etc/logrotate.d/syslog-ng-mod-tarn")), Logrotate);
    }

    // A step that fails after others have been carried out undoes them. As the
    // super-user nothing fails on demand, so the import runs as "nobody" in a
    // tree it owns, except the sticky conf.d directory and the common file in
    // it: the event settings file is replaced, then replacing the common file
    // is not permitted.
    void importUndoesEarlierStepsWhenAStepFails()
    {
        const QString setpriv = QStandardPaths::findExecutable(QStringLiteral("setpriv"));
        if (::geteuid() != 0 || setpriv.isEmpty()) {
            QSKIP("needs the super-user and setpriv");
        }
        const QStringList asNobody{QStringLiteral("--reuid=65534"),
                                   QStringLiteral("--regid=65534"),
                                   QStringLiteral("--clear-groups"),
                                   QStringLiteral(CONFIG_MANAGER_BIN)};
        QProcess probe;
        probe.start(setpriv, asNobody);
        if (!probe.waitForFinished() || probe.exitStatus() != QProcess::NormalExit || probe.exitCode() != 2) {
            QSKIP("the program cannot be run as nobody from this build tree");
        }
        populate();
        const QString archive = exportTo(QStringLiteral("config.tar.gz"));
        QVERIFY(!archive.isEmpty());
        QVERIFY(writeFile(sys("/etc/tarn-syslog.conf"), "{}\n"));
        QVERIFY(writeFile(sys("/etc/audit/rules.d/tarn-syslog.rules"), "# changed\n"));
        QVERIFY(writeFile(sys("/etc/syslog-ng/conf.d/mod-tarn-stale.conf"), "# not in the archive\n"));

        const uid_t nobody = 65534;
        QDirIterator it(root(), QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            QCOMPARE(::lchown(QFile::encodeName(it.next()).constData(), nobody, nobody), 0);
        }
        for (const QString &dir : {m_dir->path(), root(), work()}) {
            QCOMPARE(::chmod(QFile::encodeName(dir).constData(), 0755), 0);
        }
        QCOMPARE(::chmod(QFile::encodeName(archive).constData(), 0644), 0);
        const QByteArray confDir = QFile::encodeName(sys("/etc/syslog-ng/conf.d"));
        const QByteArray common = QFile::encodeName(sys("/etc/syslog-ng/conf.d/mod-tarn.conf"));
        QCOMPARE(::chown(confDir.constData(), 0, 0), 0);
        QCOMPARE(::chmod(confDir.constData(), 01777), 0);
        QCOMPARE(::chown(common.constData(), 0, 0), 0);
        QCOMPARE(::chmod(common.constData(), 0666), 0);

        const QStringList before = snapshot(m_dir->path());
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("ADMINEVENTS_ROOT"), root());
        process.setProcessEnvironment(environment);
        process.setWorkingDirectory(work());
        process.start(setpriv, asNobody + QStringList{QStringLiteral("-i"), archive});
        QVERIFY(process.waitForFinished(60000));
        const QByteArray err = process.readAllStandardError();
        QCOMPARE(process.exitCode(), 1);
        QVERIFY2(err.contains("cannot replace") && err.contains("mod-tarn.conf"), err.constData());
        QCOMPARE(snapshot(m_dir->path()), before);
        QCOMPARE(readFile(sys("/etc/tarn-syslog.conf")), QByteArray("{}\n"));
    }

    // A build for tests works on a private tree only: never on the machine,
    // nor below the working directory.
    void refusesRootThatIsNoPrivateTree_data()
    {
        QTest::addColumn<QString>("otherRoot");
        QTest::newRow("unset") << QString();
        QTest::newRow("empty") << QStringLiteral("");
        QTest::newRow("slash") << QStringLiteral("/");
        QTest::newRow("relative") << QStringLiteral("tree");
    }

    void refusesRootThatIsNoPrivateTree()
    {
        QFETCH(QString, otherRoot);
        // Something to export below the working directory.
        QVERIFY(writeFile(work() + QStringLiteral("/tree/etc/tarn-syslog.conf"), EventSettings));
        const QString archive = work() + QStringLiteral("/config.tar.gz");
        const QStringList before = snapshot(m_dir->path());
        const RunResult result = run({QStringLiteral("-o"), archive}, otherRoot);
        QCOMPARE(result.exitCode, 1);
        QVERIFY2(result.err.contains("ADMINEVENTS_ROOT"), result.err.constData());
        QCOMPARE(snapshot(m_dir->path()), before);
    }

    // A directory named like a notification file is nobody's configuration:
    // it is reported and left, and the import goes on.
    void importLeavesDirectoryNamedLikeNotification()
    {
        populate();
        const QString stray = sys("/etc/syslog-ng/conf.d/mod-tarn-stray.conf");
        QVERIFY(QDir().mkpath(stray + QStringLiteral("/inside")));
        const QString archive = exportTo(QStringLiteral("config.tar.gz"));
        QVERIFY(!archive.isEmpty());
        QVERIFY(writeFile(sys("/etc/tarn-syslog.conf"), "{}\n"));

        const RunResult result = run({QStringLiteral("-i"), archive});
        QVERIFY2(result.exitCode == 0, result.err.constData());
        QVERIFY2(result.err.contains("mod-tarn-stray.conf"), result.err.constData());
        QCOMPARE(readFile(sys("/etc/tarn-syslog.conf")), EventSettings);
        QVERIFY(QFileInfo(stray + QStringLiteral("/inside")).isDir());
    }

    void importRefusesTargetThatIsDirectory()
    {
        populate();
        const QString archive = exportTo(QStringLiteral("config.tar.gz"));
        QVERIFY(!archive.isEmpty());
        QVERIFY(writeFile(sys("/etc/tarn-syslog.conf"), "{}\n"));
        QVERIFY(QFile::remove(sys("/etc/logrotate.d/syslog-ng-mod-tarn")));
        QVERIFY(QDir().mkpath(sys("/etc/logrotate.d/syslog-ng-mod-tarn")));

        const QStringList before = snapshot(m_dir->path());
        const RunResult result = run({QStringLiteral("-i"), archive});
        QVERIFY(result.exitCode > 0);
        QVERIFY(!result.err.isEmpty());
        QCOMPARE(snapshot(m_dir->path()), before);
    }
};

QTEST_GUILESS_MAIN(ConfigManagerTest)

#include "configmanagertest.moc"
