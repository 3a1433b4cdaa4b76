/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "coreutils.h"

#include "fakeprogram.h"
#include "sampleroot.h"
#include "systempaths.h"
#include "testpaths.h"

#include <QAbstractTableModel>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <memory>
#include <utility>

#include <sys/resource.h>
#include <sys/stat.h>

namespace
{
// User and group id of a file.
using Owner = std::pair<uint, uint>;

// A table of strings, rows of equal length.
class TableModel : public QAbstractTableModel
{
public:
    TableModel(int rows, int columns, const QString &fill = QStringLiteral("x"))
        : m_cells(rows, QVector<QString>(columns, fill))
        , m_columns(columns)
    {
    }

    int rowCount(const QModelIndex &parent = {}) const override
    {
        return parent.isValid() ? 0 : int(m_cells.size());
    }
    int columnCount(const QModelIndex &parent = {}) const override
    {
        return parent.isValid() ? 0 : m_columns;
    }
    QVariant data(const QModelIndex &index, int role) const override
    {
        if (role == Qt::DisplayRole) {
            return m_cells[index.row()][index.column()];
        }
        if (role == Qt::CheckStateRole) {
            return index.row() == m_checkedRow ? Qt::Checked : Qt::Unchecked;
        }
        return {};
    }

    QVector<QVector<QString>> m_cells;
    int m_columns;
    int m_checkedRow = -1;
};

bool writeContent(const QString &path, const QByteArray &content)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(content) == content.size();
}

QByteArray contentOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
}

class CoreUtilsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();

    void modelsEqual();
    void convertFromJson_data();
    void convertFromJson();
    void readFile();

    void notifyrcForNewAndExistingUsers();
    void notifyrcForUserWithoutConfigDirectory();
    void notifyrcForNestedHomes();
    void notifyrcWithoutHomeRoot();
    void notifyrcRefusesLinkedConfigDirectory_data();
    void notifyrcRefusesLinkedConfigDirectory();
    void notifyrcReplacesLinkInsteadOfFollowingIt_data();
    void notifyrcReplacesLinkInsteadOfFollowingIt();
    void notifyrcKeepsOldCopyOnShortWrite();

    void rebootRequest_data();
    void rebootRequest();

private:
    QString userRc(const QString &home, const QString &user) const
    {
        return home + QLatin1Char('/') + user + QStringLiteral("/.config/tarn-event-watcher.notifyrc");
    }

    // The ids of a user's copy.
    static Owner ownerOf(const QString &path)
    {
        struct stat status;
        return ::lstat(QFile::encodeName(path).constData(), &status) == 0 ? Owner(status.st_uid, status.st_gid) : Owner(uint(-1), uint(-1));
    }

    QTemporaryDir m_tools;
    std::unique_ptr<FakeProgram> m_getent;
    std::unique_ptr<SampleRoot> m_root;
    QString m_home;
    std::unique_ptr<QFile> m_source;
};

void CoreUtilsTest::initTestCase()
{
    QVERIFY(TestPaths::isUsable(m_tools));
    // Knows alice (12345, group 12346) and dave; nobody else.
    m_getent = std::make_unique<FakeProgram>(m_tools.filePath(QStringLiteral("bin")),
                                             QStringLiteral("getent"),
                                             QStringLiteral("case \"$1\" in\n"
                                                            "passwd) printf 'alice:x:12345:12346::/home/alice:/bin/sh\\ndave:x:2000:2000::/x:/bin/sh\\n' ;;\n"
                                                            "group) printf 'alice:x:12346:\\ndave:x:2000:\\n' ;;\n"
                                                            "esac"));
    FakeProgram::prependToPath(m_tools.filePath(QStringLiteral("bin")));
}

void CoreUtilsTest::init()
{
    m_root = std::make_unique<SampleRoot>(SampleRoot::Empty);
    QVERIFY(m_root->isValid());
    m_root->activate();
    m_home = SystemPaths::resolve(SystemPaths::HomeRoot);
    const QString rc = SystemPaths::resolve(SystemPaths::RootNotifyrcFile);
    QVERIFY(writeContent(rc, "[Event/user_login_failed]\nAction=Popup\n"));
    m_source = std::make_unique<QFile>(rc);
    m_getent->clearCalls();
}

void CoreUtilsTest::modelsEqual()
{
    // Sizes differ: unequal without looking at the cells.
    const TableModel twoByThree(2, 3);
    const TableModel threeByTwo(3, 2);
    const TableModel twoByTwo(2, 2);
    QVERIFY(!Core::Utils::isModelsEqual(&twoByThree, &threeByTwo, Qt::DisplayRole));
    QVERIFY(!Core::Utils::isModelsEqual(&twoByThree, &twoByTwo, Qt::DisplayRole));
    // Empty models with the same shape.
    const TableModel noRows(0, 2);
    const TableModel noColumns(2, 0);
    QVERIFY(Core::Utils::isModelsEqual(&noRows, &noRows, Qt::DisplayRole));
    QVERIFY(Core::Utils::isModelsEqual(&noColumns, &noColumns, Qt::DisplayRole));

    TableModel first(3, 2);
    TableModel second(3, 2);
    QVERIFY(Core::Utils::isModelsEqual(&first, &second, Qt::DisplayRole));
    // The last cell differs.
    second.m_cells[2][1] = QStringLiteral("y");
    QVERIFY(!Core::Utils::isModelsEqual(&first, &second, Qt::DisplayRole));
    // Only the given role counts.
    QVERIFY(Core::Utils::isModelsEqual(&first, &second, Qt::CheckStateRole));
    second.m_checkedRow = 0;
    QVERIFY(!Core::Utils::isModelsEqual(&first, &second, Qt::CheckStateRole));
}

void CoreUtilsTest::convertFromJson_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<QString>("error");
    QTest::newRow("empty") << QByteArray() << QStringLiteral("error: json byte array is empty");
    QTest::newRow("unfinished object") << QByteArray("{") << QStringLiteral("error: json parse error: ");
    QTest::newRow("garbage") << QByteArray("not json") << QStringLiteral("error: json parse error: ");
    QTest::newRow("object") << QByteArray("{\"a\": \"1\"}") << QString();
}

void CoreUtilsTest::convertFromJson()
{
    QFETCH(QByteArray, json);
    QFETCH(QString, error);
    const auto result = Core::Utils::convertFromJson(json);
    if (error.isEmpty()) {
        QVERIFY(result.has_value());
        QCOMPARE(result->object().value(QStringLiteral("a")).toString(), QStringLiteral("1"));
        return;
    }
    QVERIFY(!result.has_value());
    if (error.endsWith(QLatin1String(": "))) {
        QVERIFY2(result.error().startsWith(error) && result.error().size() > error.size(), qPrintable(result.error()));
    } else {
        QCOMPARE(result.error(), error);
    }
}

void CoreUtilsTest::readFile()
{
    const QString missing = m_root->filePath(QStringLiteral("/missing"));
    QCOMPARE(Core::Utils::readFile(missing).error(), QStringLiteral("error: file doesn't exist: ") + missing);

    const QString empty = m_root->filePath(QStringLiteral("/empty"));
    QVERIFY(writeContent(empty, QByteArray()));
    QCOMPARE(Core::Utils::readFile(empty).error(), QStringLiteral("error: file is empty: ") + empty);

    // A directory exists but cannot be read as a file.
    const QString dir = m_root->filePath(QStringLiteral("/etc"));
    QCOMPARE(Core::Utils::readFile(dir).error(), QStringLiteral("error: file can't be open: ") + dir);

    const QString file = m_root->filePath(QStringLiteral("/file"));
    QVERIFY(writeContent(file, QByteArray("a\0b", 3)));
    QCOMPARE(Core::Utils::readFile(file).value(), QByteArray("a\0b", 3));
}

void CoreUtilsTest::notifyrcForNewAndExistingUsers()
{
    QVERIFY(QDir().mkpath(m_home + QStringLiteral("/alice/.config")));
    QVERIFY(QDir().mkpath(m_home + QStringLiteral("/bob/.config")));

    // Nobody has the file yet.
    QVERIFY(Core::Utils::makeNotifyrcForUsers(m_home, *m_source));
    for (const QString &user : {QStringLiteral("alice"), QStringLiteral("bob")}) {
        QCOMPARE(contentOf(userRc(m_home, user)), contentOf(m_source->fileName()));
    }
    QStringList calls = m_getent->calls();
    calls.sort();
    QCOMPARE(calls, (QStringList{QStringLiteral("group -- alice"), QStringLiteral("passwd -- alice"), QStringLiteral("passwd -- bob")}));
    // Owned as getent says; a name it does not know keeps the super-user.
    QCOMPARE(ownerOf(userRc(m_home, QStringLiteral("alice"))), Owner(12345, 12346));
    QCOMPARE(ownerOf(userRc(m_home, QStringLiteral("bob"))), Owner(0, 0));
    struct stat status;
    QCOMPARE(::lstat(QFile::encodeName(userRc(m_home, QStringLiteral("alice"))).constData(), &status), 0);
    QCOMPARE(status.st_mode, mode_t(S_IFREG | 0644));

    // Everybody has it: the copies are replaced, nobody is new.
    QVERIFY(writeContent(userRc(m_home, QStringLiteral("alice")), "stale"));
    QVERIFY(writeContent(m_source->fileName(), "[Event/new]\n"));
    QVERIFY(!Core::Utils::makeNotifyrcForUsers(m_home, *m_source));
    QCOMPARE(contentOf(userRc(m_home, QStringLiteral("alice"))), QByteArray("[Event/new]\n"));
    QCOMPARE(contentOf(userRc(m_home, QStringLiteral("bob"))), QByteArray("[Event/new]\n"));

    // One user more.
    QVERIFY(QDir().mkpath(m_home + QStringLiteral("/carol/.config")));
    QVERIFY(Core::Utils::makeNotifyrcForUsers(m_home, *m_source));
    QVERIFY(QFileInfo::exists(userRc(m_home, QStringLiteral("carol"))));
}

void CoreUtilsTest::notifyrcForUserWithoutConfigDirectory()
{
    QVERIFY(QDir().mkpath(m_home + QStringLiteral("/nocfg")));
    QVERIFY(!Core::Utils::makeNotifyrcForUsers(m_home, *m_source));
    // No directory is created and nothing is handed over.
    QVERIFY(!QFileInfo::exists(m_home + QStringLiteral("/nocfg/.config")));
    QVERIFY(m_getent->calls().isEmpty());
}

void CoreUtilsTest::notifyrcForNestedHomes()
{
    const QString nested = SystemPaths::resolve(SystemPaths::NestedHomeRoot);
    QVERIFY(QDir().mkpath(nested + QStringLiteral("/dave/.config")));
    // A ".lvd" inside the nested root is not entered again.
    QVERIFY(QDir().mkpath(nested + QStringLiteral("/.lvd/erin/.config")));

    QVERIFY(Core::Utils::makeNotifyrcForUsers(m_home, *m_source));
    QVERIFY(QFileInfo::exists(userRc(nested, QStringLiteral("dave"))));
    QVERIFY(!QFileInfo::exists(userRc(nested + QStringLiteral("/.lvd"), QStringLiteral("erin"))));
    QCOMPARE(ownerOf(userRc(nested, QStringLiteral("dave"))), Owner(2000, 2000));
}

void CoreUtilsTest::notifyrcWithoutHomeRoot()
{
    QVERIFY(!Core::Utils::makeNotifyrcForUsers(m_root->filePath(QStringLiteral("/nohome")), *m_source));
    QVERIFY(m_getent->calls().isEmpty());
}

void CoreUtilsTest::notifyrcRefusesLinkedConfigDirectory_data()
{
    QTest::addColumn<QString>("target");
    QTest::newRow("a directory of the super-user") << QStringLiteral("/etc/wisp-admin-events");
    QTest::newRow("the directory of the source") << QStringLiteral("/root/.config");
}

void CoreUtilsTest::notifyrcRefusesLinkedConfigDirectory()
{
    QFETCH(QString, target);
    const QString dir = m_root->filePath(target);
    QVERIFY(QDir().mkpath(m_home + QStringLiteral("/alice")));
    QVERIFY(QFile::link(dir, m_home + QStringLiteral("/alice/.config")));
    const QByteArray source = contentOf(m_source->fileName());
    const QStringList before = QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);

    QVERIFY(!Core::Utils::makeNotifyrcForUsers(m_home, *m_source));
    QCOMPARE(QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot), before);
    QCOMPARE(contentOf(m_source->fileName()), source);
    QCOMPARE(ownerOf(m_source->fileName()), Owner(0, 0));
}

void CoreUtilsTest::notifyrcReplacesLinkInsteadOfFollowingIt_data()
{
    QTest::addColumn<bool>("dangling");
    QTest::newRow("link to a file of the super-user") << false;
    QTest::newRow("link to a new file in a directory of the super-user") << true;
}

void CoreUtilsTest::notifyrcReplacesLinkInsteadOfFollowingIt()
{
    QFETCH(bool, dangling);
    const QString victim = m_root->filePath(QStringLiteral("/etc/shadow"));
    if (!dangling) {
        QVERIFY(writeContent(victim, "root:*:1::::::\n"));
    }
    QVERIFY(QDir().mkpath(m_home + QStringLiteral("/alice/.config")));
    const QString rc = userRc(m_home, QStringLiteral("alice"));
    QVERIFY(QFile::link(victim, rc));

    Core::Utils::makeNotifyrcForUsers(m_home, *m_source);
    QVERIFY(!QFileInfo(rc).isSymLink());
    QCOMPARE(contentOf(rc), contentOf(m_source->fileName()));
    QCOMPARE(ownerOf(rc), Owner(12345, 12346));
    if (dangling) {
        QVERIFY(!QFileInfo::exists(victim));
    } else {
        QCOMPARE(contentOf(victim), QByteArray("root:*:1::::::\n"));
        QCOMPARE(ownerOf(victim), Owner(0, 0));
    }
}

// A write that stops short (here: the file size limit) keeps the user's copy.
void CoreUtilsTest::notifyrcKeepsOldCopyOnShortWrite()
{
    QVERIFY(QDir().mkpath(m_home + QStringLiteral("/alice/.config")));
    QVERIFY(writeContent(userRc(m_home, QStringLiteral("alice")), "old"));
    QVERIFY(writeContent(m_source->fileName(), QByteArray(4096, '#')));

    struct rlimit previous;
    QCOMPARE(::getrlimit(RLIMIT_FSIZE, &previous), 0);
    const auto handler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit limited = previous;
    limited.rlim_cur = 1024;
    QCOMPARE(::setrlimit(RLIMIT_FSIZE, &limited), 0);
    const bool created = Core::Utils::makeNotifyrcForUsers(m_home, *m_source);
    ::setrlimit(RLIMIT_FSIZE, &previous);
    std::signal(SIGXFSZ, handler);

    QVERIFY(!created);
    QCOMPARE(contentOf(userRc(m_home, QStringLiteral("alice"))), QByteArray("old"));
    QCOMPARE(QDir(m_home + QStringLiteral("/alice/.config")).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList{QStringLiteral("tarn-event-watcher.notifyrc")});
}

void CoreUtilsTest::rebootRequest_data()
{
    QTest::addColumn<QByteArray>("sudoUid");
    QTest::addColumn<QByteArray>("runtimeDir");
    QTest::newRow("SUDO_UID set") << QByteArray("1000") << QByteArray("/run/user/1000");
    QTest::newRow("SUDO_UID unset") << QByteArray() << QByteArray("/run/user/");
}

void CoreUtilsTest::rebootRequest()
{
    QFETCH(QByteArray, sudoUid);
    QFETCH(QByteArray, runtimeDir);
    if (sudoUid.isNull()) {
        qunsetenv("SUDO_UID");
    } else {
        qputenv("SUDO_UID", sudoUid);
    }
    qputenv("XDG_RUNTIME_DIR", "/run/user/0");

    Core::Utils::rebootSystem();
    qunsetenv("SUDO_UID");
    const QByteArray log = contentOf(SystemPaths::resolve(SystemPaths::WmFuncLogFile));
    QVERIFY2(log.endsWith(" WISPWM_REBOOT XDG_RUNTIME_DIR=" + runtimeDir + '\n'), log.constData());
    // Only the child's environment is changed.
    QCOMPARE(qgetenv("XDG_RUNTIME_DIR"), QByteArray("/run/user/0"));

    // Without the program nothing happens, and the call returns.
    QVERIFY(QFile::remove(SystemPaths::resolve(SystemPaths::WmFuncProgram)));
    QElapsedTimer timer;
    timer.start();
    Core::Utils::rebootSystem();
    QVERIFY(timer.elapsed() < 5000);
}

QTEST_GUILESS_MAIN(CoreUtilsTest)

#include "coreutilstest.moc"
