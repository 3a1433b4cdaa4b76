/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "abstractconfigparser.h"
#include "catalogueroot.h"
#include "eventconfigstorage.h"
#include "systempaths.h"
#include "tarneventsreader.h"
#include "treeitem.h"

#include <QDir>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <QTest>

namespace
{
QJsonObject eventDescription(const QString &group, const QString &messageId)
{
    return QJsonObject{{QStringLiteral("event-group"), group},
                       {QStringLiteral("message-params"),
                        QJsonObject{{QStringLiteral("message_id"), messageId}, {QStringLiteral("name_en"), QString(messageId + QStringLiteral(" name"))}}}};
}

// The smallest file parser: the tree is the file's first line.
class LineParser : public AbstractConfigParser
{
public:
    using AbstractConfigParser::AbstractConfigParser;
    TreeItem *parse() const override
    {
        const QString text = readConfig();
        return text.isEmpty() ? nullptr : new TreeItem({text.section(QLatin1Char('\n'), 0, 0)});
    }
};

bool writeFile(const QString &path, const QByteArray &content)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(content) == content.size();
}
}

class CatalogueSourceTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void readerListsTheCatalogueInLibraryOrder();
    void readerTextsOfUnknownIdentifiersAreEmpty();
    void readerReachesNonAsciiIdentifiers();
    void readerOfARejectedCatalogueIsInvalidAndBroken_data();
    void readerOfARejectedCatalogueIsInvalidAndBroken();
    void storageKeepsEventFilesByBaseName();
    void storageLaterDirectoryReplacesAnEntry();
    void storageMessageParams();
    void readConfigReportsWhyNothingWasRead();
};

void CatalogueSourceTest::readerListsTheCatalogueInLibraryOrder()
{
    CatalogueRoot catalogue;
    QVERIFY(catalogue.addGroup(QStringLiteral("b-group"), R"({"group-params": {"name_en": "B"}})"));
    QVERIFY(catalogue.addGroup(QStringLiteral("a-group")));
    QVERIFY(catalogue.addEvent(QStringLiteral("b-group"), QStringLiteral("e2"), eventDescription(QStringLiteral("b-group"), QStringLiteral("m2"))));
    QVERIFY(catalogue.addEvent(QStringLiteral("a-group"), QStringLiteral("e1"), eventDescription(QStringLiteral("a-group"), QStringLiteral("m1"))));
    QVERIFY(catalogue.setOverrides(QJsonObject{{QStringLiteral("e2"), QJsonObject{{QStringLiteral("enabled"), QStringLiteral("0")}}}}));

    const TarnEventsReader reader;
    QVERIFY(reader.valid);
    QVERIFY(!reader.broken);
    QCOMPARE(reader.groupIds, (QStringList{QStringLiteral("a-group"), QStringLiteral("b-group")}));
    QCOMPARE(reader.eventIds, (QStringList{QStringLiteral("e1"), QStringLiteral("e2")}));

    QCOMPARE(QJsonDocument::fromJson(reader.getEventJson(QStringLiteral("e1")).toUtf8()).object(),
             eventDescription(QStringLiteral("a-group"), QStringLiteral("m1")));
    QCOMPARE(reader.getEventObject(QStringLiteral("e1")), eventDescription(QStringLiteral("a-group"), QStringLiteral("m1")));
    QCOMPARE(reader.getGroupObject(QStringLiteral("b-group")).value(QLatin1String("group-params")).toObject().value(QLatin1String("name_en")).toString(),
             QStringLiteral("B"));
    QCOMPARE(reader.getOverrideEventJson(QStringLiteral("e2")), QStringLiteral(R"({"enabled":"0"})"));
    QCOMPARE(reader.getOverrideEventObject(QStringLiteral("e2")), (QJsonObject{{QStringLiteral("enabled"), QStringLiteral("0")}}));
}

void CatalogueSourceTest::readerTextsOfUnknownIdentifiersAreEmpty()
{
    CatalogueRoot catalogue;
    QVERIFY(catalogue.addGroup(QStringLiteral("bare")));
    QVERIFY(catalogue.addEvent(QStringLiteral("bare"), QStringLiteral("e1"), eventDescription(QStringLiteral("bare"), QStringLiteral("m1"))));

    const TarnEventsReader reader;
    QVERIFY(reader.valid);
    QVERIFY(reader.getEventJson(QStringLiteral("unknown")).isEmpty());
    QVERIFY(reader.getEventObject(QStringLiteral("unknown")).isEmpty());
    // A group without a description file, an event without override.
    QVERIFY(reader.getGroupJson(QStringLiteral("bare")).isEmpty());
    QVERIFY(reader.getGroupObject(QStringLiteral("bare")).isEmpty());
    QVERIFY(reader.getOverrideEventJson(QStringLiteral("e1")).isEmpty());
    QVERIFY(reader.getOverrideEventObject(QStringLiteral("e1")).isEmpty());
}

void CatalogueSourceTest::readerReachesNonAsciiIdentifiers()
{
    CatalogueRoot catalogue;
    const QString id = QStringLiteral("вход-пользователя");
    QVERIFY(catalogue.addEvent(QStringLiteral("группа"), id, eventDescription(QStringLiteral("группа"), QStringLiteral("m1"))));

    const TarnEventsReader reader;
    QCOMPARE(reader.eventIds, QStringList{id});
    QCOMPARE(reader.groupIds, QStringList{QStringLiteral("группа")});
    QVERIFY(!reader.getEventJson(id).isEmpty());
    QCOMPARE(reader.getEventObject(id).value(QLatin1String("event-group")).toString(), QStringLiteral("группа"));
}

void CatalogueSourceTest::readerOfARejectedCatalogueIsInvalidAndBroken_data()
{
    QTest::addColumn<bool>("duplicate");
    QTest::newRow("no event directory") << false;
    QTest::newRow("one event id in two groups") << true;
}

void CatalogueSourceTest::readerOfARejectedCatalogueIsInvalidAndBroken()
{
    QFETCH(bool, duplicate);
    CatalogueRoot catalogue;
    if (duplicate) {
        QVERIFY(catalogue.addEvent(QStringLiteral("g1"), QStringLiteral("e1"), eventDescription(QStringLiteral("g1"), QStringLiteral("m1"))));
        QVERIFY(catalogue.addEvent(QStringLiteral("g2"), QStringLiteral("e1"), eventDescription(QStringLiteral("g2"), QStringLiteral("m2"))));
    } else {
        QVERIFY(QDir(catalogue.root().filePath(QString::fromUtf8(SystemPaths::EventSettingsDir))).removeRecursively());
    }

    const TarnEventsReader reader;
    QVERIFY(!reader.valid);
    QVERIFY(reader.broken);
    QVERIFY(reader.eventIds.isEmpty());
    QVERIFY(reader.groupIds.isEmpty());
    QVERIFY(reader.getEventJson(QStringLiteral("e1")).isEmpty());
}

void CatalogueSourceTest::storageKeepsEventFilesByBaseName()
{
    QTemporaryDir dir;
    QVERIFY(writeFile(dir.filePath(QStringLiteral("a/a.json")), R"({"group-params": {}})"));
    QVERIFY(writeFile(dir.filePath(QStringLiteral("a/e1.json")), R"({"message-params": {"message_id": "m1"}})"));
    QVERIFY(writeFile(dir.filePath(QStringLiteral("a/e2.old.json")), R"({"k": "v"})"));
    QVERIFY(writeFile(dir.filePath(QStringLiteral("a/broken.json")), "{ not json"));
    QVERIFY(writeFile(dir.filePath(QStringLiteral("top.json")), R"({"k": "v"})"));

    const EventConfigStorage storage(dir.path());
    QVERIFY(!storage.getOne(QStringLiteral("a")).has_value());
    QVERIFY(!storage.getOne(QStringLiteral("top")).has_value());
    QCOMPARE(storage.getOne(QStringLiteral("e1")).value().value(QLatin1String("message-params")).toObject().value(QLatin1String("message_id")).toString(),
             QStringLiteral("m1"));
    QVERIFY(storage.getOne(QStringLiteral("e2")).has_value());
    QVERIFY(storage.getOne(QStringLiteral("broken")).has_value());
    QVERIFY(storage.getOne(QStringLiteral("broken")).value().isEmpty());
    QVERIFY(!storage.getOne(QStringLiteral("missing")).has_value());
}

void CatalogueSourceTest::storageLaterDirectoryReplacesAnEntry()
{
    QTemporaryDir dir;
    QVERIFY(writeFile(dir.filePath(QStringLiteral("one/e1.json")), R"({"from": "one"})"));
    QVERIFY(writeFile(dir.filePath(QStringLiteral("two/e1.json")), R"({"from": "two"})"));
    const QStringList order = QDir(dir.path()).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Unsorted);
    QCOMPARE(order.size(), 2);

    const EventConfigStorage storage(dir.path());
    QCOMPARE(storage.getOne(QStringLiteral("e1")).value().value(QLatin1String("from")).toString(), order.last());
}

void CatalogueSourceTest::storageMessageParams()
{
    QTemporaryDir dir;
    QVERIFY(writeFile(dir.filePath(QStringLiteral("a/e1.json")),
                      R"({"message-params": {"message_id": "user_login", "name_en": "User login", "name_ru": "Вход"}})"));
    QVERIFY(writeFile(dir.filePath(QStringLiteral("a/e2.json")), R"({"enabled": "1"})"));

    const EventConfigStorage storage(dir.path());
    QCOMPARE(storage.getMessageParams(QStringLiteral("e1")), std::make_optional(std::make_pair(QStringLiteral("user_login"), QStringLiteral("User login"))));
    QCOMPARE(storage.getMessageParams(QStringLiteral("e2")), std::make_optional(std::make_pair(QString(), QString())));
    QVERIFY(!storage.getMessageParams(QStringLiteral("e3")).has_value());
}

void CatalogueSourceTest::readConfigReportsWhyNothingWasRead()
{
    QTemporaryDir dir;
    const QString missing = dir.filePath(QStringLiteral("missing.conf"));
    const LineParser missingParser(missing);
    QCOMPARE(missingParser.parse(), nullptr);
    QVERIFY(missingParser.errorString().startsWith(missing + QStringLiteral(": ")));
    QVERIFY(missingParser.errorString().size() > missing.size() + 2);

    const QString empty = dir.filePath(QStringLiteral("empty.conf"));
    QVERIFY(writeFile(empty, QByteArray()));
    const LineParser emptyParser(empty);
    QVERIFY(emptyParser.readConfig().isEmpty());
    QVERIFY(emptyParser.errorString().startsWith(empty + QStringLiteral(": ")));
    QVERIFY(emptyParser.errorString().endsWith(QStringLiteral("Bad config file")));

    // A good read clears the error of an earlier one.
    const QString good = dir.filePath(QStringLiteral("good.conf"));
    QVERIFY(writeFile(good, "first line\nsecond\n"));
    const LineParser goodParser(good);
    goodParser.setErrorString(QStringLiteral("stale"));
    QCOMPARE(goodParser.readConfig(), QStringLiteral("first line\nsecond\n"));
    QVERIFY(goodParser.errorString().isEmpty());
    const std::unique_ptr<TreeItem> tree(goodParser.parse());
    QCOMPARE(tree->data(0).toString(), QStringLiteral("first line"));
    QCOMPARE(goodParser.configFile(), good);
}

QTEST_GUILESS_MAIN(CatalogueSourceTest)

#include "cataloguesourcetest.moc"
