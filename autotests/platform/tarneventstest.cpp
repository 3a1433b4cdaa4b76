/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "tarnevents.h"

#include "systempaths.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>

namespace
{
// A system tree of its own below a temporary directory, made the root of every
// path the library resolves.
class SystemRoot
{
public:
    SystemRoot()
    {
        // Without a directory of our own the library would work on the
        // machine's own files.
        if (!m_dir.isValid()) {
            qFatal("cannot create a temporary root: %s", qPrintable(m_dir.errorString()));
        }
        qputenv("ADMINEVENTS_ROOT", m_dir.path().toUtf8());
    }
    ~SystemRoot()
    {
        qunsetenv("ADMINEVENTS_ROOT");
    }

    bool isValid() const
    {
        return m_dir.isValid();
    }

    // Writes `content` to the system path `path` below the root.
    bool write(const QString &path, const QByteArray &content) const
    {
        const QString target = SystemPaths::resolve(path);
        QDir().mkpath(QFileInfo(target).absolutePath());
        QFile file(target);
        return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(content) == content.size();
    }

    // Writes `<event-settings>/<relativePath>`.
    bool writeCatalogueFile(const QString &relativePath, const QByteArray &content) const
    {
        return write(QString::fromUtf8(SystemPaths::EventSettingsDir) + QLatin1Char('/') + relativePath, content);
    }

    bool writeOverrides(const QByteArray &content) const
    {
        return write(QString::fromUtf8(SystemPaths::EventSettingsFile), content);
    }

    // Removes the directory tree at the system path `path` below the root.
    bool removeTree(const QString &path) const
    {
        const QString target = QDir::cleanPath(SystemPaths::resolve(path));
        if (m_dir.isValid() && target.startsWith(m_dir.path() + QLatin1Char('/')) && !QFileInfo::exists(target) && !QFileInfo(target).isSymLink()) {
            return true;
        }
        if (!m_dir.isValid() || !target.startsWith(m_dir.path() + QLatin1Char('/')) || !QFileInfo(target).isDir() || QFileInfo(target).isSymLink()) {
            qWarning("not removing %s: not a directory inside the temporary root", qPrintable(target));
            return false;
        }
        return QDir(target).removeRecursively();
    }

    bool makeCatalogueDir(const QString &relativePath = QString()) const
    {
        return QDir().mkpath(SystemPaths::resolve(QString::fromUtf8(SystemPaths::EventSettingsDir) + QLatin1Char('/') + relativePath));
    }

private:
    QTemporaryDir m_dir;
};

// One init/free pair; the library is released even when a check fails.
class OpenCatalogue
{
public:
    OpenCatalogue()
        : result(tnev_init())
    {
    }
    ~OpenCatalogue()
    {
        tnev_free();
    }
    OpenCatalogue(const OpenCatalogue &) = delete;
    OpenCatalogue &operator=(const OpenCatalogue &) = delete;

    const int result;
};

// Takes an identifier array from the library and releases it.
QStringList takeIds(char **array)
{
    QStringList ids;
    if (array) {
        for (char **entry = array; *entry; ++entry) {
            ids << QString::fromUtf8(*entry);
        }
    }
    tnev_free_string_array(array);
    return ids;
}

QByteArray eventJson(const QString &group, const QString &messageId)
{
    QJsonObject params{{QStringLiteral("message_id"), messageId}, {QStringLiteral("name_en"), QStringLiteral("Event %1").arg(messageId)}};
    return QJsonDocument(QJsonObject{{QStringLiteral("event-group"), group},
                                     {QStringLiteral("enabled"), QStringLiteral("1")},
                                     {QStringLiteral("message-params"), params}})
        .toJson();
}

QByteArray groupJson(const QString &nameEn)
{
    return QJsonDocument(QJsonObject{{QStringLiteral("group-params"), QJsonObject{{QStringLiteral("name_en"), nameEn}, {QStringLiteral("name_ru"), nameEn}}}})
        .toJson();
}

QJsonObject parseObject(const char *text)
{
    return text ? QJsonDocument::fromJson(QByteArray(text)).object() : QJsonObject();
}

QByteArray nested(int depth, const QByteArray &innermost)
{
    QByteArray text = innermost;
    for (int i = 0; i < depth; ++i) {
        text = "{\"level\": " + text + "}";
    }
    return text;
}
}

class TarnEventsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void listsGroupsAndEventsInSortedOrder();
    void emptyDirectoryIsAnEmptyCatalogue();
    void rejectsInconsistentCatalogue_data();
    void rejectsInconsistentCatalogue();
    void overridesFollowSettingsFile();
    void repeatedInitAndFree();
    void auditValuesRoundTrip();
    void auditSurvivesBadStoreAndArguments();
    void failedAuditWriteKeepsTheStore_data();
    void failedAuditWriteKeepsTheStore();
    void hostileContentDoesNotCrash();
    void largeCatalogueLoadsQuickly();
};

void TarnEventsTest::listsGroupsAndEventsInSortedOrder()
{
    SystemRoot root;
    QVERIFY(root.isValid());
    // Written in an order unrelated to the expected one.
    QVERIFY(root.writeCatalogueFile(QStringLiteral("net/net.json"), groupJson(QStringLiteral("Network"))));
    QVERIFY(root.writeCatalogueFile(QStringLiteral("net/connect.json"), eventJson(QStringLiteral("net"), QStringLiteral("300"))));
    QVERIFY(root.writeCatalogueFile(QStringLiteral("net/a-first.json"), eventJson(QStringLiteral("net"), QStringLiteral("301"))));
    QVERIFY(root.writeCatalogueFile(QStringLiteral("auth/logout.json"), eventJson(QStringLiteral("auth"), QStringLiteral("101"))));
    QVERIFY(root.writeCatalogueFile(QStringLiteral("auth/auth.json"), groupJson(QStringLiteral("Authentication"))));
    QVERIFY(root.writeCatalogueFile(QStringLiteral("auth/login.json"), eventJson(QStringLiteral("auth"), QStringLiteral("100"))));
    // The identifier ends at the first dot.
    QVERIFY(root.writeCatalogueFile(QStringLiteral("auth/session.v2.json"), eventJson(QStringLiteral("auth"), QStringLiteral("102"))));
    // Events without a message identifier do not collide with each other.
    QVERIFY(root.writeCatalogueFile(QStringLiteral("auth/plain.json"), R"({"event-group": "auth"})"));
    QVERIFY(root.writeCatalogueFile(QStringLiteral("auth/plain2.json"), R"({"message-params": {"name_en": "No id"}})"));
    // Not part of the catalogue.
    QVERIFY(root.writeCatalogueFile(QStringLiteral("auth/readme.txt"), "not json"));
    QVERIFY(root.writeCatalogueFile(QStringLiteral("stray.json"), eventJson(QStringLiteral("auth"), QStringLiteral("999"))));
    QVERIFY(root.writeCatalogueFile(QStringLiteral("auth/deeper/hidden.json"), eventJson(QStringLiteral("auth"), QStringLiteral("998"))));
    // A group without a description file.
    QVERIFY(root.makeCatalogueDir(QStringLiteral("custom-events")));

    OpenCatalogue catalogue;
    QCOMPARE(catalogue.result, 0);

    const QStringList groups{QStringLiteral("auth"), QStringLiteral("custom-events"), QStringLiteral("net")};
    const QStringList events{QStringLiteral("a-first"),
                             QStringLiteral("connect"),
                             QStringLiteral("login"),
                             QStringLiteral("logout"),
                             QStringLiteral("plain"),
                             QStringLiteral("plain2"),
                             QStringLiteral("session")};
    QCOMPARE(tnev_groups_count(), static_cast<unsigned>(groups.size()));
    QCOMPARE(tnev_events_count(), static_cast<unsigned>(events.size()));
    QCOMPARE(takeIds(tnev_get_group_ids()), groups);
    QCOMPARE(takeIds(tnev_get_event_ids()), events);
    // Asking again gives the same order.
    QCOMPARE(takeIds(tnev_get_event_ids()), events);

    QCOMPARE(parseObject(tnev_get_group_json("auth")).value(QStringLiteral("group-params")).toObject().value(QStringLiteral("name_en")).toString(),
             QStringLiteral("Authentication"));
    QVERIFY(!tnev_get_group_json("custom-events"));
    QVERIFY(!tnev_get_group_json("nonexistent"));
    QVERIFY(!tnev_get_group_json(nullptr));

    const QJsonObject login = parseObject(tnev_get_event_json("login"));
    QCOMPARE(login.value(QStringLiteral("event-group")).toString(), QStringLiteral("auth"));
    QCOMPARE(login.value(QStringLiteral("message-params")).toObject().value(QStringLiteral("message_id")).toString(), QStringLiteral("100"));
    QCOMPARE(parseObject(tnev_get_event_json("session")).value(QStringLiteral("message-params")).toObject().value(QStringLiteral("message_id")).toString(),
             QStringLiteral("102"));

    // The group description is no event, and files outside the groups are not read.
    QVERIFY(!tnev_get_event_json("auth"));
    QVERIFY(!tnev_get_event_json("net"));
    QVERIFY(!tnev_get_event_json("stray"));
    QVERIFY(!tnev_get_event_json("hidden"));
    QVERIFY(!tnev_get_event_json("readme"));
    QVERIFY(!tnev_get_event_json(nullptr));
}

void TarnEventsTest::emptyDirectoryIsAnEmptyCatalogue()
{
    SystemRoot root;
    QVERIFY(root.makeCatalogueDir());

    OpenCatalogue catalogue;
    QCOMPARE(catalogue.result, 0);
    QCOMPARE(tnev_groups_count(), 0u);
    QCOMPARE(tnev_events_count(), 0u);
    QCOMPARE(takeIds(tnev_get_group_ids()), QStringList());
    QCOMPARE(takeIds(tnev_get_event_ids()), QStringList());
}

void TarnEventsTest::rejectsInconsistentCatalogue_data()
{
    // Catalogue files as "relative path" -> content; an empty map means no directory at all.
    QTest::addColumn<QVariantMap>("files");

    const QByteArray good = eventJson(QStringLiteral("auth"), QStringLiteral("1"));
    QTest::newRow("same event id in two groups") << QVariantMap{{QStringLiteral("auth/login.json"), good},
                                                                {QStringLiteral("net/login.json"), eventJson(QStringLiteral("net"), QStringLiteral("2"))}};
    QTest::newRow("same event id within one group") << QVariantMap{
        {QStringLiteral("auth/login.json"), good},
        {QStringLiteral("auth/login.old.json"), eventJson(QStringLiteral("auth"), QStringLiteral("2"))}};
    QTest::newRow("same message id in two groups") << QVariantMap{{QStringLiteral("auth/login.json"), good},
                                                                  {QStringLiteral("net/connect.json"), eventJson(QStringLiteral("net"), QStringLiteral("1"))}};
    QTest::newRow("same message id as number and text")
        << QVariantMap{{QStringLiteral("auth/login.json"), good}, {QStringLiteral("auth/logout.json"), QByteArray(R"({"message-params": {"message_id": 1}})")}};
    QTest::newRow("event is an array") << QVariantMap{{QStringLiteral("auth/login.json"), good}, {QStringLiteral("auth/list.json"), QByteArray("[1, 2]")}};
    QTest::newRow("event is a string") << QVariantMap{{QStringLiteral("auth/text.json"), QByteArray("\"event\"")}};
    QTest::newRow("event is an empty file") << QVariantMap{{QStringLiteral("auth/empty.json"), QByteArray()}};
    QTest::newRow("event is not JSON") << QVariantMap{{QStringLiteral("auth/broken.json"), QByteArray("{\"enabled\": ")}};
    QTest::newRow("directory missing") << QVariantMap();
}

void TarnEventsTest::rejectsInconsistentCatalogue()
{
    QFETCH(QVariantMap, files);
    SystemRoot root;
    for (auto it = files.cbegin(); it != files.cend(); ++it) {
        QVERIFY(root.writeCatalogueFile(it.key(), it.value().toByteArray()));
    }
    QVERIFY(root.writeOverrides(R"({"login": {"enabled": "0"}})"));

    {
        OpenCatalogue catalogue;
        QVERIFY(catalogue.result < 0);
        // A rejected catalogue hands out nothing.
        QCOMPARE(tnev_groups_count(), 0u);
        QCOMPARE(tnev_events_count(), 0u);
        QCOMPARE(takeIds(tnev_get_group_ids()), QStringList());
        QCOMPARE(takeIds(tnev_get_event_ids()), QStringList());
        QVERIFY(!tnev_get_event_json("login"));
        QVERIFY(!tnev_get_group_json("auth"));
        QVERIFY(!tnev_get_override_event_json("login"));
    }

    // Once repaired, the same root loads.
    QVERIFY(root.removeTree(QString::fromUtf8(SystemPaths::EventSettingsDir)));
    QVERIFY(root.writeCatalogueFile(QStringLiteral("auth/login.json"), eventJson(QStringLiteral("auth"), QStringLiteral("1"))));
    OpenCatalogue repaired;
    QCOMPARE(repaired.result, 0);
    QCOMPARE(takeIds(tnev_get_event_ids()), QStringList{QStringLiteral("login")});
}

void TarnEventsTest::overridesFollowSettingsFile()
{
    SystemRoot root;
    for (const auto &id : {QStringLiteral("login"), QStringLiteral("logout"), QStringLiteral("connect"), QStringLiteral("quiet")}) {
        QVERIFY(root.writeCatalogueFile(QStringLiteral("auth/%1.json").arg(id), eventJson(QStringLiteral("auth"), id)));
    }
    const QJsonObject loginOverride{{QStringLiteral("enabled"), QStringLiteral("0")},
                                    {QStringLiteral("message-params"), QJsonObject{{QStringLiteral("name_en"), QStringLiteral("Renamed")}}}};
    const QJsonObject settings{{QStringLiteral("login"), loginOverride},
                               {QStringLiteral("logout"), QStringLiteral("not an object")},
                               {QStringLiteral("connect"), QJsonValue::Null}};
    QVERIFY(root.writeOverrides(QJsonDocument(settings).toJson(QJsonDocument::Indented)));

    {
        OpenCatalogue catalogue;
        QCOMPARE(catalogue.result, 0);
        const char *login = tnev_get_override_event_json("login");
        QVERIFY(login);
        QVERIFY(!QByteArray(login).contains('\n'));
        QCOMPARE(parseObject(login), loginOverride);
        // Asking twice gives the same text.
        QCOMPARE(QByteArray(tnev_get_override_event_json("login")), QByteArray(login));
        QVERIFY(!tnev_get_override_event_json("logout"));
        QVERIFY(!tnev_get_override_event_json("connect"));
        QVERIFY(!tnev_get_override_event_json("quiet"));
        QVERIFY(!tnev_get_override_event_json(nullptr));
        // The catalogue's own description is untouched by the override.
        QCOMPARE(parseObject(tnev_get_event_json("login")).value(QStringLiteral("enabled")).toString(), QStringLiteral("1"));

        // The file is read at init: a change shows only after the next one.
        const QJsonObject connectOverride{{QStringLiteral("enabled"), QStringLiteral("0")}};
        QVERIFY(root.writeOverrides(QJsonDocument(QJsonObject{{QStringLiteral("connect"), connectOverride}}).toJson()));
        QCOMPARE(parseObject(tnev_get_override_event_json("login")), loginOverride);
        QVERIFY(!tnev_get_override_event_json("connect"));
    }
    {
        OpenCatalogue catalogue;
        QCOMPARE(catalogue.result, 0);
        QVERIFY(!tnev_get_override_event_json("login"));
        QCOMPARE(parseObject(tnev_get_override_event_json("connect")), QJsonObject({{QStringLiteral("enabled"), QStringLiteral("0")}}));
    }

    // Missing, unparsable or non-object settings files mean no overrides, not a broken catalogue.
    for (const QByteArray &content : {QByteArray(), QByteArray("{\"login\": "), QByteArray("[{\"login\": {}}]"), QByteArray("null")}) {
        if (content.isNull()) {
            QVERIFY(QFile::remove(SystemPaths::resolve(SystemPaths::EventSettingsFile)));
        } else {
            QVERIFY(root.writeOverrides(content));
        }
        OpenCatalogue catalogue;
        QCOMPARE(catalogue.result, 0);
        QCOMPARE(tnev_events_count(), 4u);
        QVERIFY(!tnev_get_override_event_json("login"));
        QVERIFY(!tnev_get_override_event_json("connect"));
    }
}

void TarnEventsTest::repeatedInitAndFree()
{
    SystemRoot root;
    // Releasing what was never opened is harmless, and so is releasing NULL.
    tnev_free();
    tnev_free();
    tnev_free_string_array(nullptr);
    QVERIFY(!tnev_get_event_json("login"));
    QCOMPARE(tnev_events_count(), 0u);

    QVERIFY(root.writeCatalogueFile(QStringLiteral("auth/auth.json"), groupJson(QStringLiteral("Authentication"))));
    QVERIFY(root.writeCatalogueFile(QStringLiteral("auth/login.json"), eventJson(QStringLiteral("auth"), QStringLiteral("1"))));
    QVERIFY(root.writeOverrides(R"({"login": {"enabled": "0"}})"));

    for (int round = 0; round < 5; ++round) {
        OpenCatalogue catalogue;
        QCOMPARE(catalogue.result, 0);
        QCOMPARE(takeIds(tnev_get_event_ids()), QStringList{QStringLiteral("login")});
        QVERIFY(tnev_get_event_json("login"));
        QVERIFY(tnev_get_override_event_json("login"));
    }
    QCOMPARE(tnev_events_count(), 0u);
    QVERIFY(!tnev_get_event_json("login"));

    // Two readers open at once: the texts the first one holds stay readable
    // while the second one loads the changed catalogue and is released again.
    {
        OpenCatalogue first;
        QCOMPARE(first.result, 0);
        const char *oldEvent = tnev_get_event_json("login");
        const char *oldGroup = tnev_get_group_json("auth");
        const char *oldOverride = tnev_get_override_event_json("login");
        QVERIFY(oldEvent && oldGroup && oldOverride);
        const QByteArray oldEventCopy(oldEvent);
        const QByteArray oldGroupCopy(oldGroup);
        const QByteArray oldOverrideCopy(oldOverride);

        QVERIFY(root.writeCatalogueFile(QStringLiteral("auth/login.json"), eventJson(QStringLiteral("auth"), QStringLiteral("2"))));
        QVERIFY(root.writeCatalogueFile(QStringLiteral("auth/logout.json"), eventJson(QStringLiteral("auth"), QStringLiteral("3"))));
        {
            OpenCatalogue second;
            QCOMPARE(second.result, 0);
            QCOMPARE(takeIds(tnev_get_event_ids()), (QStringList{QStringLiteral("login"), QStringLiteral("logout")}));
            QCOMPARE(
                parseObject(tnev_get_event_json("login")).value(QStringLiteral("message-params")).toObject().value(QStringLiteral("message_id")).toString(),
                QStringLiteral("2"));
        }
        QCOMPARE(QByteArray(oldEvent), oldEventCopy);
        QCOMPARE(QByteArray(oldGroup), oldGroupCopy);
        QCOMPARE(QByteArray(oldOverride), oldOverrideCopy);
        // Still open: the library keeps answering.
        QVERIFY(tnev_get_event_json("login"));
    }
    QCOMPARE(tnev_events_count(), 0u);
    QCOMPARE(tnev_groups_count(), 0u);
    QCOMPARE(takeIds(tnev_get_event_ids()), QStringList());
}

void TarnEventsTest::auditValuesRoundTrip()
{
    SystemRoot root;
    const QString store = SystemPaths::resolve(SystemPaths::AuditStoreFile);
    QVERIFY(!QFileInfo::exists(store));

    // Nothing stored yet.
    QCOMPARE(tnevas_get_audit_event("exec", 1, "alice"), 0);
    QCOMPARE(tnevas_get_audit_event("exec", 4, ""), 0);

    // Works without a loaded catalogue, and creates the store's directory.
    QVERIFY(tnevas_set_audit_event("exec", 1, "alice", 3) != 0);
    QVERIFY(QFileInfo::exists(store));
    QVERIFY(tnevas_set_audit_event("exec", 2, "alice", 1) != 0);
    QVERIFY(tnevas_set_audit_event("exec", 4, "", 2) != 0);
    QVERIFY(tnevas_set_audit_event("open", 1, "alice", 2) != 0);
    QVERIFY(tnevas_set_audit_event("exec", 1, "bob", -7) != 0);

    // Every part of the key counts.
    QCOMPARE(tnevas_get_audit_event("exec", 1, "alice"), 3);
    QCOMPARE(tnevas_get_audit_event("exec", 2, "alice"), 1);
    QCOMPARE(tnevas_get_audit_event("exec", 4, ""), 2);
    QCOMPARE(tnevas_get_audit_event("open", 1, "alice"), 2);
    QCOMPARE(tnevas_get_audit_event("exec", 1, "bob"), -7);
    QCOMPARE(tnevas_get_audit_event("exec", 1, "carol"), 0);
    QCOMPARE(tnevas_get_audit_event("exec", 4, "alice"), 0);
    QCOMPARE(tnevas_get_audit_event("close", 1, "alice"), 0);

    // Writing again replaces the value, also with 0.
    QVERIFY(tnevas_set_audit_event("exec", 1, "alice", 1) != 0);
    QCOMPARE(tnevas_get_audit_event("exec", 1, "alice"), 1);
    QVERIFY(tnevas_set_audit_event("exec", 1, "alice", 0) != 0);
    QCOMPARE(tnevas_get_audit_event("exec", 1, "alice"), 0);
    QVERIFY(tnevas_set_audit_event("exec", 1, "alice", 3) != 0);

    // The values live on disk: catalogue loads do not touch them.
    QVERIFY(root.writeCatalogueFile(QStringLiteral("auth/login.json"), eventJson(QStringLiteral("auth"), QStringLiteral("1"))));
    for (int round = 0; round < 2; ++round) {
        OpenCatalogue catalogue;
        QCOMPARE(catalogue.result, 0);
        QCOMPARE(tnevas_get_audit_event("exec", 1, "alice"), 3);
        QCOMPARE(tnevas_get_audit_event("exec", 4, ""), 2);
    }
    QCOMPARE(tnevas_get_audit_event("exec", 2, "alice"), 1);
    QVERIFY(QJsonDocument::fromJson([&] {
                QFile file(store);
                return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
            }())
                .isObject());
}

void TarnEventsTest::failedAuditWriteKeepsTheStore_data()
{
    QTest::addColumn<bool>("fullFileSystem");
    QTest::newRow("file size limit") << false;
    QTest::newRow("full file system") << true;
}

void TarnEventsTest::failedAuditWriteKeepsTheStore()
{
    QFETCH(bool, fullFileSystem);
    SystemRoot root;
    const QString store = SystemPaths::resolve(SystemPaths::AuditStoreFile);
    const QString dir = QFileInfo(store).absolutePath();
    QVERIFY(QDir().mkpath(dir));
    auto unmount = qScopeGuard([&] {
        ::umount2(QFile::encodeName(dir).constData(), MNT_DETACH);
    });
    if (fullFileSystem) {
        if (::unshare(CLONE_NEWNS) != 0 || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0
            || ::mount("tmpfs", QFile::encodeName(dir).constData(), "tmpfs", 0, "size=16k,mode=0755") != 0) {
            unmount.dismiss();
            QSKIP("cannot mount a file system of our own");
        }
    } else {
        unmount.dismiss();
    }
    QVERIFY(tnevas_set_audit_event("exec", 1, "alice", 3) != 0);
    QFile file(store);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray before = file.readAll();
    file.close();

    // A store of a few hundred bytes that can no longer be written in full.
    bool written = true;
    if (fullFileSystem) {
        QFile filler(dir + QStringLiteral("/filler"));
        QVERIFY(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
        while (filler.write(QByteArray(1024, 'f')) > 0) { }
        filler.close();
        written = tnevas_set_audit_event("exec", 1, "bob", 2) != 0;
    } else {
        struct rlimit previous;
        QCOMPARE(::getrlimit(RLIMIT_FSIZE, &previous), 0);
        const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        const struct rlimit limit = {rlim_t(before.size() + 8), previous.rlim_max};
        QCOMPARE(::setrlimit(RLIMIT_FSIZE, &limit), 0);
        written = tnevas_set_audit_event("exec", 1, "bob", 2) != 0;
        ::setrlimit(RLIMIT_FSIZE, &previous);
        std::signal(SIGXFSZ, previousHandler);
    }
    QVERIFY(!written);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), before);
    QCOMPARE(QDir(dir).entryList({QStringLiteral("audit-settings.json*")}, QDir::Files | QDir::Hidden), QStringList{QStringLiteral("audit-settings.json")});
    QCOMPARE(tnevas_get_audit_event("exec", 1, "bob"), 0);
}

void TarnEventsTest::auditSurvivesBadStoreAndArguments()
{
    SystemRoot root;
    const QString storeSystemPath = QString::fromUtf8(SystemPaths::AuditStoreFile);

    QCOMPARE(tnevas_get_audit_event(nullptr, 1, "alice"), 0);
    QCOMPARE(tnevas_get_audit_event("exec", 1, nullptr), 0);
    QCOMPARE(tnevas_set_audit_event(nullptr, 1, "alice", 1), 0);
    QCOMPARE(tnevas_set_audit_event("exec", 1, nullptr, 1), 0);
    QVERIFY(!QFileInfo::exists(SystemPaths::resolve(storeSystemPath)));

    // Corrupt or foreign stores read as empty and are replaced on the next write.
    for (const QByteArray &content : {QByteArray(),
                                      QByteArray("{\"exec\": "),
                                      QByteArray("[1, 2, 3]"),
                                      QByteArrayLiteral("\xff\xfe\x00garbage"),
                                      QByteArray(R"({"exec": null})"),
                                      QByteArray(R"({"exec": {"1": {"alice": "x"}}})"),
                                      QByteArray(R"({"exec": {"1": {"alice": {"deep": 1}}}})")}) {
        QVERIFY(root.write(storeSystemPath, content));
        QCOMPARE(tnevas_get_audit_event("exec", 1, "alice"), 0);
        QVERIFY(tnevas_set_audit_event("exec", 1, "alice", 2) != 0);
        QCOMPARE(tnevas_get_audit_event("exec", 1, "alice"), 2);
    }

    // A store that cannot be written: its directory is taken by a file.
    QVERIFY(root.removeTree(QStringLiteral("/var/lib/tarnevents")));
    QVERIFY(root.write(QStringLiteral("/var/lib/tarnevents"), "in the way"));
    QCOMPARE(tnevas_set_audit_event("exec", 1, "alice", 1), 0);
    QCOMPARE(tnevas_get_audit_event("exec", 1, "alice"), 0);
}

void TarnEventsTest::hostileContentDoesNotCrash()
{
    SystemRoot root;
    const QByteArray huge(1024 * 1024, 'x');
    const QByteArray hugeEvent = R"({"message-params": {"message_id": "big", "name_en": ")" + huge + R"("}})";
    QVERIFY(root.writeCatalogueFile(QStringLiteral("odd/odd.json"), QByteArrayLiteral("\x00\x01 not json")));
    QVERIFY(root.writeCatalogueFile(QStringLiteral("odd/nulls.json"), R"({"event-group": null, "enabled": null, "message-params": null})"));
    QVERIFY(root.writeCatalogueFile(QStringLiteral("odd/nullid1.json"), R"({"message-params": {"message_id": null, "name_en": null}})"));
    QVERIFY(root.writeCatalogueFile(QStringLiteral("odd/nullid2.json"), R"({"message-params": {"message_id": null}})"));
    QVERIFY(root.writeCatalogueFile(QStringLiteral("odd/paramsarray.json"), R"({"message-params": ["message_id", 1]})"));
    QVERIFY(root.writeCatalogueFile(QStringLiteral("odd/deep.json"), nested(100, R"({"message_id": "deep"})")));
    QVERIFY(root.writeCatalogueFile(QStringLiteral("odd/huge.json"), hugeEvent));
    QVERIFY(root.writeCatalogueFile(QStringLiteral("empty/empty.json"), QByteArray()));

    const QByteArray deepOverride = nested(100, "\"bottom\"");
    QVERIFY(root.writeOverrides(R"({"nulls": null, "deep": )" + deepOverride + R"(, "huge": {"text": ")" + huge + R"("}, "nullid1": {"enabled": null}})"));

    {
        OpenCatalogue catalogue;
        QCOMPARE(catalogue.result, 0);
        QCOMPARE(takeIds(tnev_get_group_ids()), (QStringList{QStringLiteral("empty"), QStringLiteral("odd")}));
        QCOMPARE(takeIds(tnev_get_event_ids()),
                 (QStringList{QStringLiteral("deep"),
                              QStringLiteral("huge"),
                              QStringLiteral("nullid1"),
                              QStringLiteral("nullid2"),
                              QStringLiteral("nulls"),
                              QStringLiteral("paramsarray")}));
        QCOMPARE(QByteArray(tnev_get_event_json("huge")), hugeEvent);
        QCOMPARE(QByteArray(tnev_get_event_json("deep")), nested(100, R"({"message_id": "deep"})"));
        // Group descriptions are handed out as they are, even broken or empty ones.
        QVERIFY(tnev_get_group_json("odd"));
        QCOMPARE(QByteArray(tnev_get_group_json("empty")), QByteArray());

        QVERIFY(!tnev_get_override_event_json("nulls"));
        QCOMPARE(parseObject(tnev_get_override_event_json("deep")), QJsonDocument::fromJson(deepOverride).object());
        QCOMPARE(parseObject(tnev_get_override_event_json("huge")).value(QStringLiteral("text")).toString().size(), huge.size());
        QCOMPARE(parseObject(tnev_get_override_event_json("nullid1")), QJsonObject({{QStringLiteral("enabled"), QJsonValue::Null}}));
    }

    // Bytes that are not UTF-8, in an event and in the settings file: either
    // accepted or rejected, never a crash.
    QVERIFY(root.writeCatalogueFile(QStringLiteral("odd/latin1.json"), "{\"message-params\": {\"name_en\": \"caf\xe9 \xff\xfe\"}}"));
    QVERIFY(root.writeOverrides("{\"latin1\": {\"name\": \"\xc0\xc1\xf5\"}, \"\xff\": {}}"));
    {
        OpenCatalogue catalogue;
        if (catalogue.result == 0) {
            tnev_get_event_json("latin1");
            tnev_get_override_event_json("latin1");
            tnev_get_override_event_json("\xff");
        } else {
            QVERIFY(catalogue.result < 0);
            QCOMPARE(tnev_events_count(), 0u);
        }
        tnev_get_event_json("");
        tnev_get_group_json("");
        tnev_get_override_event_json("");
    }

    // Nesting deeper than any JSON reader accepts makes the event unreadable, and so the catalogue.
    QVERIFY(QFile::remove(SystemPaths::resolve(QString::fromUtf8(SystemPaths::EventSettingsDir) + QStringLiteral("/odd/latin1.json"))));
    QVERIFY(root.writeCatalogueFile(QStringLiteral("odd/abyss.json"), nested(5000, "1")));
    OpenCatalogue catalogue;
    QVERIFY(catalogue.result < 0);
}

void TarnEventsTest::largeCatalogueLoadsQuickly()
{
    SystemRoot root;
    const int groupCount = 50;
    const int eventCount = 20000;
    for (int g = 0; g < groupCount; ++g) {
        const QString group = QStringLiteral("group%1").arg(g, 2, 10, QLatin1Char('0'));
        QVERIFY(root.writeCatalogueFile(QStringLiteral("%1/%1.json").arg(group), groupJson(group)));
    }
    // Events are spread over the groups so that neither directory nor creation order is the identifier order.
    for (int e = 0; e < eventCount; ++e) {
        const QString group = QStringLiteral("group%1").arg((e * 7) % groupCount, 2, 10, QLatin1Char('0'));
        const QString id = QStringLiteral("event%1").arg(eventCount - 1 - e, 5, 10, QLatin1Char('0'));
        QVERIFY(root.writeCatalogueFile(QStringLiteral("%1/%2.json").arg(group, id), eventJson(group, QString::number(e))));
    }
    QVERIFY(root.writeOverrides(R"({"event00042": {"enabled": "0"}})"));

    QElapsedTimer timer;
    timer.start();
    OpenCatalogue catalogue;
    const qint64 elapsed = timer.elapsed();
    QCOMPARE(catalogue.result, 0);
    qInfo("Loaded %d events in %lld ms", eventCount, elapsed);
    // Generous, so that a loaded machine or a debug build does not fail it
    // (nor a build with sanitizers, several times slower); a quadratic walk
    // over 20,000 files would still exceed it by far.
#if defined(__SANITIZE_ADDRESS__)
    const qint64 limit = 30000;
#else
    const qint64 limit = 5000;
#endif
    QVERIFY2(elapsed < limit, qPrintable(QStringLiteral("init took %1 ms").arg(elapsed)));

    QCOMPARE(tnev_groups_count(), static_cast<unsigned>(groupCount));
    QCOMPARE(tnev_events_count(), static_cast<unsigned>(eventCount));
    const QStringList ids = takeIds(tnev_get_event_ids());
    QCOMPARE(ids.size(), eventCount);
    QCOMPARE(ids.first(), QStringLiteral("event00000"));
    QCOMPARE(ids.last(), QStringLiteral("event19999"));
    QVERIFY(std::is_sorted(ids.cbegin(), ids.cend()));
    QVERIFY(tnev_get_event_json("event12345"));
    QVERIFY(tnev_get_override_event_json("event00042"));
}

QTEST_GUILESS_MAIN(TarnEventsTest)

#include "tarneventstest.moc"
