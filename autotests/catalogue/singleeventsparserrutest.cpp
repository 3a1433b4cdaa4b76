/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "catalogueroot.h"
#include "eventconfigstorage.h"
#include "eventtreeitem.h"
#include "fakegetent.h"
#include "localekeeper.h"
#include "singleeventsparser.h"
#include "systempaths.h"
#include "treedump.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QTest>

#include <memory>

// The parser under a Russian system locale. The locale is read once per
// process, so these cases have an executable of their own.
namespace
{
using Tree = std::unique_ptr<EventTreeItem>;

const QString G1 = QStringLiteral("g1");

QJsonObject eventOf(const QString &id, const QJsonObject &members = {})
{
    QJsonObject event{{QStringLiteral("event-group"), G1},
                      {QStringLiteral("enabled"), QStringLiteral("1")},
                      {QStringLiteral("message-params"),
                       QJsonObject{{QStringLiteral("message_id"), id},
                                   {QStringLiteral("name_en"), QString(QStringLiteral("Name of ") + id)},
                                   {QStringLiteral("name_ru"), QString(QStringLiteral("Имя ") + id)}}}};
    for (auto it = members.constBegin(); it != members.constEnd(); ++it) {
        event.insert(it.key(), it.value());
    }
    return event;
}

EventTreeItem *child(const EventTreeItem *node, const QString &nativeName)
{
    return node ? node->findChildTopLevelByNativeName(nativeName) : nullptr;
}

QString text(const EventTreeItem *node, int column)
{
    return node ? node->data(column).toString() : QStringLiteral("<no node>");
}
}

class SingleEventsParserRuTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void groupAndEventNamesAreRussian();
    void parametersTakeTheirRussianNames();
    void dependenciesSurviveARenamedKey();
    void storedMessageParamsAreRussian();

private:
    FakeGetent m_getent;
};

void SingleEventsParserRuTest::initTestCase()
{
    QCOMPARE(LocaleKeeper::Instance().language(), QStringLiteral("Russian"));
    QVERIFY(LocaleKeeper::Instance().isRussian());

    CatalogueRoot catalogue;
    QVERIFY(catalogue.setDictionary(R"({
        "message-params": {"visible": "true", "ru": "Параметры сообщения"},
        "hidden-editable": {"visible": "false", "editable": "true", "ru": "Скрытый"},
        "no-ru": {"editable": "true"},
        "list": {"ru": "Список"},
        "message-depends": {"visible": "true", "ru": "Зависит от"}
    })"));
    const SingleEventsParser parser;
    Q_UNUSED(parser)
}

void SingleEventsParserRuTest::groupAndEventNamesAreRussian()
{
    CatalogueRoot catalogue;
    QVERIFY(catalogue.addGroup(G1, R"({"group-params": {"name_en": "Group one", "name_ru": "Группа один"}})"));
    QVERIFY(catalogue.addGroup(QStringLiteral("english-only"), R"({"group-params": {"name_en": "English only"}})"));
    QVERIFY(catalogue.addGroup(QStringLiteral("null-name"), R"({"group-params": {"name_en": "Null", "name_ru": null}})"));
    QVERIFY(catalogue.addGroup(QStringLiteral("custom-events")));
    QVERIFY(catalogue.addEvent(G1, QStringLiteral("e1"), eventOf(QStringLiteral("e1"))));
    QVERIFY(catalogue.addEvent(G1,
                               QStringLiteral("e2"),
                               QJsonObject{{QStringLiteral("event-group"), G1},
                                           {QStringLiteral("message-params"), QJsonObject{{QStringLiteral("name_en"), QStringLiteral("English")}}}}));

    const SingleEventsParser parser;
    const Tree tree(parser.parse());
    QVERIFY(tree);
    QCOMPARE(text(child(tree.get(), G1), 0), QStringLiteral("Группа один"));
    QCOMPARE(child(tree.get(), G1)->name, QStringLiteral("Группа один"));
    QCOMPARE(text(child(tree.get(), QStringLiteral("english-only")), 0), QStringLiteral("English only"));
    QCOMPARE(text(child(tree.get(), QStringLiteral("null-name")), 0), QString());
    QCOMPARE(text(child(tree.get(), QStringLiteral("custom-events")), 0), QStringLiteral("Кастомные события"));

    EventTreeItem *event = TreeDump::at(tree.get(), {G1, QStringLiteral("e1")});
    QCOMPARE(text(event, 0), QStringLiteral("Имя e1"));
    QCOMPARE(event->name, QStringLiteral("Имя e1"));
    QCOMPARE(event->nativeName, QStringLiteral("e1"));
    // Only the Russian name counts in the Russian locale.
    QCOMPARE(text(TreeDump::at(tree.get(), {G1, QStringLiteral("e2")}), 0), QStringLiteral("e2"));

    const Tree defaults(parser.createEventItem(QStringLiteral("e1"), SingleEventsParser::DefaultEvent, nullptr));
    QCOMPARE(text(defaults.get(), 0), QStringLiteral("Имя e1"));
}

void SingleEventsParserRuTest::parametersTakeTheirRussianNames()
{
    CatalogueRoot catalogue;
    QVERIFY(catalogue.addEvent(G1,
                               QStringLiteral("e1"),
                               eventOf(QStringLiteral("e1"),
                                       {{QStringLiteral("hidden-editable"), QStringLiteral("v")},
                                        {QStringLiteral("no-ru"), QStringLiteral("v")},
                                        {QStringLiteral("plain"), QStringLiteral("v")},
                                        {QStringLiteral("list"), QJsonArray{QStringLiteral("a"), QStringLiteral("b")}}})));

    const SingleEventsParser parser;
    const Tree tree(parser.parse());
    EventTreeItem *event = TreeDump::at(tree.get(), {G1, QStringLiteral("e1")});
    QVERIFY(event);

    EventTreeItem *params = child(event, QStringLiteral("message-params"));
    QCOMPARE(text(params, 0), QStringLiteral("Параметры сообщения"));
    QCOMPARE(params->name, QStringLiteral("Параметры сообщения"));
    QVERIFY(!params->data(1).isValid());

    EventTreeItem *hidden = child(event, QStringLiteral("hidden-editable"));
    QVERIFY(!hidden->visible);
    QVERIFY(!hidden->editable);
    QCOMPARE(text(hidden, 0), QStringLiteral("hidden-editable"));

    // Without a Russian name, a readable form of the key.
    EventTreeItem *noRu = child(event, QStringLiteral("no-ru"));
    QCOMPARE(text(noRu, 0), QStringLiteral("No ru"));
    QCOMPARE(noRu->name, QStringLiteral("No ru"));
    QCOMPARE(text(noRu, 1), QStringLiteral("v"));

    QCOMPARE(text(child(event, QStringLiteral("plain")), 0), QStringLiteral("Plain"));

    EventTreeItem *list = child(event, QStringLiteral("list"));
    QCOMPARE(text(list, 0), QStringLiteral("Список"));
    QCOMPARE(text(list, 1), QStringLiteral("a, b"));
    QCOMPARE(text(list, 2), QStringLiteral(R"(["a","b"])"));
    QCOMPARE(list->nativeName, QStringLiteral("list"));
}

void SingleEventsParserRuTest::dependenciesSurviveARenamedKey()
{
    CatalogueRoot catalogue;
    QVERIFY(catalogue.addEvent(G1, QStringLiteral("e1"), eventOf(QStringLiteral("e1"), {{QStringLiteral("message-depends"), QStringLiteral("e2")}})));
    QVERIFY(catalogue.addEvent(G1, QStringLiteral("e2"), eventOf(QStringLiteral("e2"))));

    const SingleEventsParser parser;
    const Tree tree(parser.parse());
    EventTreeItem *e1 = TreeDump::at(tree.get(), {G1, QStringLiteral("e1")});
    EventTreeItem *e2 = TreeDump::at(tree.get(), {G1, QStringLiteral("e2")});
    QCOMPARE(text(child(e1, QStringLiteral("message-depends")), 0), QStringLiteral("Зависит от"));
    QCOMPARE(e1->dependencies, std::vector<EventTreeItem *>{e2});
    QCOMPARE(e2->dependents, std::vector<EventTreeItem *>{e1});
}

void SingleEventsParserRuTest::storedMessageParamsAreRussian()
{
    CatalogueRoot catalogue;
    QVERIFY(catalogue.addEvent(G1, QStringLiteral("e1"), eventOf(QStringLiteral("e1"))));
    const EventConfigStorage storage(catalogue.root().filePath(QString::fromUtf8(SystemPaths::EventSettingsDir)));
    QCOMPARE(storage.getMessageParams(QStringLiteral("e1")), std::make_optional(std::make_pair(QStringLiteral("e1"), QStringLiteral("Имя e1"))));
}

int main(int argc, char **argv)
{
    // The system locale is taken from the environment when it is first used.
    qputenv("LC_ALL", "ru_RU.UTF-8");
    qputenv("LANG", "ru_RU.UTF-8");
    QCoreApplication app(argc, argv);
    SingleEventsParserRuTest test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "singleeventsparserrutest.moc"
