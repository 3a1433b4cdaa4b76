/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "singleeventsparser.h"
#include "catalogueroot.h"
#include "dbuskeeper.h"
#include "eventtreeitem.h"
#include "fakegetent.h"
#include "systempaths.h"
#include "treedump.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTest>

#include <limits>
#include <memory>

namespace
{
using Tree = std::unique_ptr<EventTreeItem>;

const QString G1 = QStringLiteral("g1");

// An event of group `group`, switched on, with a message id and an English
// name derived from its identifier, plus `members`; a null member removes
// the key.
QJsonObject eventOf(const QString &id, const QJsonObject &members = {}, const QString &group = G1)
{
    QString messageId = id;
    QJsonObject event{{QStringLiteral("event-group"), group},
                      {QStringLiteral("enabled"), QStringLiteral("1")},
                      {QStringLiteral("message-params"),
                       QJsonObject{{QStringLiteral("message_id"), messageId.replace(QLatin1Char('-'), QLatin1Char('_'))},
                                   {QStringLiteral("name_en"), QString(QStringLiteral("Name of ") + id)}}}};
    for (auto it = members.constBegin(); it != members.constEnd(); ++it) {
        if (it.value().isNull()) {
            event.remove(it.key());
        } else {
            event.insert(it.key(), it.value());
        }
    }
    return event;
}

Tree parseCatalogue()
{
    const SingleEventsParser parser;
    return Tree(parser.parse());
}

EventTreeItem *child(const EventTreeItem *node, const QString &nativeName)
{
    return node ? node->findChildTopLevelByNativeName(nativeName) : nullptr;
}

QString text(const EventTreeItem *node, int column)
{
    return node ? node->data(column).toString() : QStringLiteral("<no node>");
}

QJsonObject jsonOf(const EventTreeItem *node)
{
    return QJsonDocument::fromJson(node->data(2).toString().toUtf8()).object();
}

QStringList nativeNames(const std::vector<EventTreeItem *> &items)
{
    QStringList names;
    for (const EventTreeItem *item : items) {
        names.append(item->nativeName);
    }
    return names;
}
}

class SingleEventsParserTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();

    void overrideSwitchingAnEventOffIsMarked();
    void eventWithoutEnabledIsSwitchedOnByTheMerge_data();
    void eventWithoutEnabledIsSwitchedOnByTheMerge();
    void mergeMarkersFollowSortedKeyOrderPerObject();
    void markerOverADescriptionObjectKeepsItsMerge();
    void nodeShapesAndColumns();
    void auditTablesListDefaultUsersAndGroups();
    void auditOverridesAreMarked();
    void auditTablesWithoutDefaultAccounts_data();
    void auditTablesWithoutDefaultAccounts();
    void dictionaryDecidesVisibilityAndEditing();
    void parametersShowNamesAndTypes_data();
    void parametersShowNamesAndTypes();
    void dependenciesLinkEvents();
    void groupCheckStateRollsUp();
    void eventOptions();
    void notifyingEventsAreMarked();
    void eventsGoToTheirGroupOrTheRoot();
    void eventsWithoutDescriptionAreLeftOut();
    void incorrectCatalogueGivesNoTree_data();
    void incorrectCatalogueGivesNoTree();
    void eventDefaultsAreBuiltApart();
    void repeatedParsesGiveEqualTrees();
    void hostileValuesAreBuiltWithoutHarm();

private:
    FakeGetent m_getent;
};

void SingleEventsParserTest::initTestCase()
{
    m_getent.setListing(QStringLiteral("passwd"),
                        "root:x:0:0:root:/root:/bin/bash\nalice:x:1000:1000::/home/alice:/bin/sh\n"
                        "nobody:x:65534:65534::/nonexistent:/usr/sbin/nologin\nbob:x:1001:1001::/home/bob:/bin/sh\n");
    m_getent.setListing(QStringLiteral("group"), "wheel:x:10:\nstaff:x:1000:alice\n");

    // The dictionary is read once per process, by the first parser.
    CatalogueRoot catalogue;
    QVERIFY(catalogue.setDictionary(R"({
        "hidden-editable": {"visible": "false", "editable": "true", "ru": "Скрытый"},
        "boolean-hidden": {"visible": false},
        "locked": {"ru": "Закрытый"},
        "editable-one": {"editable": "true"},
        "box": {"children_editable": "true"},
        "hidden-box": {"visible": "false", "children_editable": "true"},
        "child-listed": {"ru": "Ребёнок"},
        "child-hidden": {"visible": "false", "editable": "true"},
        "child-editable": {"editable": "true"},
        "dictionary-event": {"visible": "false"},
        "message-depends": {"visible": "true", "ru": "Зависит от"},
        "named": {"en": "Given name", "ru": "Данное имя"},
        "typed-priority": {"type": "priority"},
        "typed-count": {"type": "integer", "min": "1", "max": 9},
        "typed-unknown": {"type": "colour"}
    })"));
    const SingleEventsParser parser;
    QCOMPARE(parser.defaultUsers(), (QStringList{QStringLiteral("alice"), QStringLiteral("bob")}));
    QCOMPARE(parser.defaultGroups(), QStringList{QStringLiteral("staff")});
    QStringList calls = m_getent.calls();
    calls.sort();
    QCOMPARE(calls, (QStringList{QStringLiteral("group"), QStringLiteral("passwd")}));
}

void SingleEventsParserTest::init()
{
    m_getent.restorePath();
}

void SingleEventsParserTest::overrideSwitchingAnEventOffIsMarked()
{
    CatalogueRoot catalogue;
    QVERIFY(catalogue.addEvent(G1, QStringLiteral("e1"), eventOf(QStringLiteral("e1"))));
    QVERIFY(catalogue.setOverrides({{QStringLiteral("e1"), QJsonObject{{QStringLiteral("enabled"), QStringLiteral("0")}}}}));

    const Tree tree = parseCatalogue();
    QVERIFY(tree);
    EventTreeItem *event = TreeDump::at(tree.get(), {G1, QStringLiteral("e1")});
    QVERIFY(event);
    QCOMPARE(event->checkState, int(Qt::Unchecked));
    QVERIFY(event->overridden);
    EventTreeItem *enabled = child(event, QStringLiteral("enabled"));
    QCOMPARE(text(enabled, 1), QStringLiteral("0"));
    QVERIFY(enabled->overridden);
    EventTreeItem *marker = child(event, QStringLiteral("overlay0"));
    QCOMPARE(text(marker, 1), QStringLiteral("enabled"));
    QVERIFY(!marker->visible);
    QVERIFY(!child(event, QStringLiteral("overlay1")));
    QVERIFY(!child(event, QStringLiteral("message-params"))->overridden);
    QVERIFY(!child(event, QStringLiteral("event-group"))->overridden);
}

void SingleEventsParserTest::eventWithoutEnabledIsSwitchedOnByTheMerge_data()
{
    QTest::addColumn<QJsonValue>("override");
    QTest::addColumn<QStringList>("markers");

    QTest::newRow("no override") << QJsonValue() << QStringList{QStringLiteral("enabled")};
    QTest::newRow("override that is no object") << QJsonValue(QStringLiteral("garbage")) << QStringList{QStringLiteral("enabled")};
    QTest::newRow("override of another key") << QJsonValue(QJsonObject{{QStringLiteral("extra"), QStringLiteral("x")}})
                                             << QStringList{QStringLiteral("enabled"), QStringLiteral("extra")};
}

void SingleEventsParserTest::eventWithoutEnabledIsSwitchedOnByTheMerge()
{
    QFETCH(QJsonValue, override);
    QFETCH(QStringList, markers);
    CatalogueRoot catalogue;
    QVERIFY(catalogue.addEvent(G1, QStringLiteral("e1"), eventOf(QStringLiteral("e1"), {{QStringLiteral("enabled"), QJsonValue::Null}})));
    // Without "message-params" nothing is switched on.
    QVERIFY(catalogue.addEvent(G1, QStringLiteral("e2"), QJsonObject{{QStringLiteral("event-group"), G1}, {QStringLiteral("x"), QStringLiteral("1")}}));
    if (!override.isNull()) {
        QVERIFY(catalogue.setOverrides({{QStringLiteral("e1"), override}}));
    }

    const Tree tree = parseCatalogue();
    EventTreeItem *event = TreeDump::at(tree.get(), {G1, QStringLiteral("e1")});
    QVERIFY(event);
    QCOMPARE(event->checkState, int(Qt::Checked));
    QVERIFY(event->overridden);
    QCOMPARE(text(child(event, QStringLiteral("enabled")), 1), QStringLiteral("1"));
    QVERIFY(child(event, QStringLiteral("enabled"))->overridden);
    for (int n = 0; n < markers.size(); ++n) {
        QCOMPARE(text(child(event, QStringLiteral("overlay%1").arg(n)), 1), markers.at(n));
    }
    QVERIFY(!child(event, QStringLiteral("overlay%1").arg(markers.size())));

    EventTreeItem *plain = TreeDump::at(tree.get(), {G1, QStringLiteral("e2")});
    QVERIFY(plain);
    QVERIFY(!child(plain, QStringLiteral("enabled")));
    QVERIFY(!child(plain, QStringLiteral("overlay0")));
    QCOMPARE(plain->checkState, int(Qt::Unchecked));
    QVERIFY(!plain->overridden);
}

void SingleEventsParserTest::mergeMarkersFollowSortedKeyOrderPerObject()
{
    CatalogueRoot catalogue;
    const QJsonObject nested{{QStringLiteral("a"), QStringLiteral("1")}, {QStringLiteral("c"), QStringLiteral("1")}};
    QVERIFY(catalogue.addEvent(G1,
                               QStringLiteral("e1"),
                               eventOf(QStringLiteral("e1"),
                                       {{QStringLiteral("obj"), nested},
                                        {QStringLiteral("keep"), nested},
                                        {QStringLiteral("flat"), nested},
                                        {QStringLiteral("top"), QStringLiteral("1")}})));
    QVERIFY(catalogue.setOverrides(
        {{QStringLiteral("e1"),
          QJsonObject{{QStringLiteral("top"), QStringLiteral("2")},
                      {QStringLiteral("obj"), QJsonObject{{QStringLiteral("b"), QStringLiteral("2")}, {QStringLiteral("a"), QStringLiteral("3")}}},
                      // A plain value cannot replace an object: the object stays.
                      {QStringLiteral("flat"), QStringLiteral("scalar")}}}}));

    const Tree tree = parseCatalogue();
    EventTreeItem *event = TreeDump::at(tree.get(), {G1, QStringLiteral("e1")});
    QVERIFY(event);
    // The event level has one marker; the nested object counts from 0 again.
    QCOMPARE(text(child(event, QStringLiteral("overlay0")), 1), QStringLiteral("top"));
    QVERIFY(!child(event, QStringLiteral("overlay1")));
    QVERIFY(child(event, QStringLiteral("top"))->overridden);
    QVERIFY(event->overridden);

    EventTreeItem *obj = child(event, QStringLiteral("obj"));
    QCOMPARE(text(child(obj, QStringLiteral("overlay0")), 1), QStringLiteral("a"));
    QCOMPARE(text(child(obj, QStringLiteral("overlay1")), 1), QStringLiteral("b"));
    QCOMPARE(text(child(obj, QStringLiteral("a")), 1), QStringLiteral("3"));
    QCOMPARE(text(child(obj, QStringLiteral("b")), 1), QStringLiteral("2"));
    QVERIFY(child(obj, QStringLiteral("a"))->overridden);
    QVERIFY(child(obj, QStringLiteral("b"))->overridden);
    QVERIFY(!child(obj, QStringLiteral("c"))->overridden);
    QVERIFY(obj->overridden);
    QVERIFY(!child(obj, QStringLiteral("overlay0"))->visible);

    EventTreeItem *flat = child(event, QStringLiteral("flat"));
    QCOMPARE(flat->childCount(), 2);
    QVERIFY(!flat->overridden);
    QVERIFY(!child(event, QStringLiteral("keep"))->overridden);
}

// A description that uses a marker's key for an object of its own: the
// override of that key is still merged into the description's object, not
// into the marker that took its place.
void SingleEventsParserTest::markerOverADescriptionObjectKeepsItsMerge()
{
    CatalogueRoot catalogue;
    QVERIFY(catalogue.addEvent(
        G1,
        QStringLiteral("e1"),
        eventOf(QStringLiteral("e1"),
                {{QStringLiteral("b"), QStringLiteral("x")}, {QStringLiteral("overlay0"), QJsonObject{{QStringLiteral("k"), QStringLiteral("1")}}}})));
    QVERIFY(catalogue.setOverrides(
        {{QStringLiteral("e1"),
          QJsonObject{{QStringLiteral("b"), QStringLiteral("y")}, {QStringLiteral("overlay0"), QJsonObject{{QStringLiteral("k"), QStringLiteral("2")}}}}}}));

    const Tree tree = parseCatalogue();
    EventTreeItem *event = TreeDump::at(tree.get(), {G1, QStringLiteral("e1")});
    QVERIFY(event);
    QCOMPARE(text(child(event, QStringLiteral("b")), 1), QStringLiteral("y"));
    EventTreeItem *object = child(event, QStringLiteral("overlay0"));
    QCOMPARE(object->childCount(), 2);
    QCOMPARE(text(child(object, QStringLiteral("k")), 1), QStringLiteral("2"));
    QCOMPARE(text(child(object, QStringLiteral("overlay0")), 1), QStringLiteral("k"));
    QVERIFY(!child(event, QStringLiteral("overlay1")));
}

void SingleEventsParserTest::nodeShapesAndColumns()
{
    CatalogueRoot catalogue;
    QVERIFY(catalogue.addGroup(G1, R"({"group-params": {"name_en": "Group one", "name_ru": "Группа"}, "other": 1})"));
    QVERIFY(catalogue.addEvent(G1,
                               QStringLiteral("e1"),
                               R"({"event-group": "g1", "enabled": "1",
                                   "message-params": {"message_id": "e1", "name_en": "Event one"},
                                   "s": "text", "n": 1.5, "i": 3, "t": true, "z": null,
                                   "arr": ["a", "b"], "nums": [1, 2],
                                   "mixed": ["x", {"path": "/p", "other": "o"}, 5, {"nopath": 1}, "y"],
                                   "obj": {"k": "v"}, "empty": {}})"));

    const Tree tree = parseCatalogue();
    QVERIFY(tree);
    QCOMPARE(tree->columnCount(), 2);
    QCOMPARE(text(tree.get(), 0), QStringLiteral("Parameter"));
    QCOMPARE(text(tree.get(), 1), QStringLiteral("Value"));

    EventTreeItem *group = child(tree.get(), G1);
    QCOMPARE(group->kind, int(EventTreeItem::Group));
    QCOMPARE(group->columnCount(), 2);
    QCOMPARE(text(group, 0), QStringLiteral("Group one"));
    QVERIFY(!group->data(1).isValid());
    QCOMPARE(group->name, QStringLiteral("Group one"));
    QVERIFY(group->checkable);

    EventTreeItem *event = child(group, QStringLiteral("e1"));
    QCOMPARE(event->kind, int(EventTreeItem::Event));
    QCOMPARE(event->columnCount(), 3);
    QCOMPARE(text(event, 0), QStringLiteral("Event one"));
    QCOMPARE(event->name, QStringLiteral("Event one"));
    QVERIFY(!event->data(1).isValid());
    QVERIFY(!event->data(2).isValid());
    QVERIFY(event->checkable);
    QCOMPARE(event->checkState, int(Qt::Checked));

    const QList<std::pair<QString, QString>> scalars{{QStringLiteral("s"), QStringLiteral("text")},
                                                     {QStringLiteral("n"), QStringLiteral("1.5")},
                                                     {QStringLiteral("i"), QStringLiteral("3")},
                                                     {QStringLiteral("t"), QStringLiteral("true")},
                                                     {QStringLiteral("z"), QString()}};
    for (const auto &[key, value] : scalars) {
        EventTreeItem *node = child(event, key);
        QVERIFY2(node, qPrintable(key));
        QCOMPARE(node->kind, int(EventTreeItem::Value));
        QCOMPARE(node->columnCount(), 3);
        QCOMPARE(text(node, 0), key.toUpper());
        QCOMPARE(text(node, 1), value);
        QVERIFY(!node->data(2).isValid());
        QCOMPARE(node->childCount(), 0);
        QVERIFY(!node->checkable);
    }

    EventTreeItem *arr = child(event, QStringLiteral("arr"));
    QCOMPARE(arr->kind, int(EventTreeItem::Array));
    QCOMPARE(text(arr, 1), QStringLiteral("a, b"));
    QCOMPARE(text(arr, 2), QStringLiteral(R"(["a","b"])"));
    EventTreeItem *nums = child(event, QStringLiteral("nums"));
    QCOMPARE(nums->kind, int(EventTreeItem::Array));
    QCOMPARE(text(nums, 1), QString());
    QCOMPARE(text(nums, 2), QStringLiteral("[1,2]"));
    EventTreeItem *mixed = child(event, QStringLiteral("mixed"));
    QCOMPARE(mixed->kind, int(EventTreeItem::Compound));
    QCOMPARE(text(mixed, 1), QStringLiteral("x, /p, y"));
    QCOMPARE(text(mixed, 2), QStringLiteral(R"(["x",{"other":"o","path":"/p"},5,{"nopath":1},"y"])"));
    QCOMPARE(mixed->childCount(), 0);

    EventTreeItem *obj = child(event, QStringLiteral("obj"));
    QCOMPARE(obj->kind, int(EventTreeItem::Value));
    QCOMPARE(obj->columnCount(), 3);
    QVERIFY(!obj->data(1).isValid());
    QCOMPARE(text(child(obj, QStringLiteral("k")), 1), QStringLiteral("v"));
    QCOMPARE(child(event, QStringLiteral("empty"))->childCount(), 0);

    // Parameters come in key order.
    QCOMPARE(static_cast<EventTreeItem *>(event->child(0))->nativeName, QStringLiteral("arr"));
}

void SingleEventsParserTest::auditTablesListDefaultUsersAndGroups()
{
    CatalogueRoot catalogue;
    QVERIFY(catalogue.addEvent(
        G1,
        QStringLiteral("e1"),
        eventOf(QStringLiteral("e1"),
                {{QStringLiteral("message-audit-events"),
                  QJsonObject{
                      {QStringLiteral("exec"),
                       QJsonObject{{QStringLiteral("users"),
                                    QJsonObject{{QStringLiteral("alice"),
                                                 QJsonObject{{QStringLiteral("succ"), QStringLiteral("1")}, {QStringLiteral("fail"), QStringLiteral("0")}}}}},
                                   {QStringLiteral("groups"), QJsonObject()},
                                   {QStringLiteral("other"),
                                    QJsonObject{{QStringLiteral("succ"), QStringLiteral("1")}, {QStringLiteral("fail"), QStringLiteral("0")}}}}}}},
                 // Not two levels below "message-audit-events": an ordinary object.
                 {QStringLiteral("users"), QJsonObject{{QStringLiteral("carol"), QJsonObject{{QStringLiteral("succ"), QStringLiteral("1")}}}}}})));

    const Tree tree = parseCatalogue();
    EventTreeItem *exec = TreeDump::at(tree.get(), {G1, QStringLiteral("e1"), QStringLiteral("message-audit-events"), QStringLiteral("exec")});
    QVERIFY(exec);

    EventTreeItem *users = child(exec, QStringLiteral("users"));
    QCOMPARE(users->kind, int(EventTreeItem::Compound));
    QCOMPARE(users->childCount(), 0);
    QCOMPARE(text(users, 1), QStringLiteral("alice, bob"));
    const QJsonObject off{{QStringLiteral("fail"), QStringLiteral("0")}, {QStringLiteral("succ"), QStringLiteral("0")}};
    QCOMPARE(jsonOf(users),
             (QJsonObject{{QStringLiteral("alice"), QJsonObject{{QStringLiteral("fail"), QStringLiteral("0")}, {QStringLiteral("succ"), QStringLiteral("1")}}},
                          {QStringLiteral("bob"), off}}));
    QCOMPARE(text(users, 2), QStringLiteral(R"({"alice":{"fail":"0","succ":"1"},"bob":{"fail":"0","succ":"0"}})"));

    EventTreeItem *groups = child(exec, QStringLiteral("groups"));
    QCOMPARE(groups->kind, int(EventTreeItem::Compound));
    QCOMPARE(text(groups, 1), QStringLiteral("staff"));
    QCOMPARE(jsonOf(groups), (QJsonObject{{QStringLiteral("staff"), off}}));

    // "other": the switch that is on checks the node; no check boxes remain
    // below events.
    EventTreeItem *other = child(exec, QStringLiteral("other"));
    QCOMPARE(other->kind, int(EventTreeItem::Value));
    QCOMPARE(other->checkState, int(Qt::Checked));
    QCOMPARE(child(other, QStringLiteral("succ"))->checkState, int(Qt::Checked));
    QCOMPARE(child(other, QStringLiteral("fail"))->checkState, int(Qt::Unchecked));
    QVERIFY(!other->checkable);
    QVERIFY(!child(other, QStringLiteral("succ"))->checkable);

    EventTreeItem *plainUsers = TreeDump::at(tree.get(), {G1, QStringLiteral("e1"), QStringLiteral("users")});
    QCOMPARE(plainUsers->kind, int(EventTreeItem::Value));
    QCOMPARE(plainUsers->childCount(), 1);
    QVERIFY(child(plainUsers, QStringLiteral("carol")));
}

void SingleEventsParserTest::auditOverridesAreMarked()
{
    CatalogueRoot catalogue;
    const QJsonObject off{{QStringLiteral("succ"), QStringLiteral("0")}, {QStringLiteral("fail"), QStringLiteral("0")}};
    QVERIFY(catalogue.addEvent(
        G1,
        QStringLiteral("e1"),
        eventOf(QStringLiteral("e1"),
                {{QStringLiteral("message-audit-events"),
                  QJsonObject{{QStringLiteral("exec"),
                               QJsonObject{{QStringLiteral("users"), QJsonObject{{QStringLiteral("alice"), off}}}, {QStringLiteral("other"), off}}},
                              {QStringLiteral("open"), QJsonObject{{QStringLiteral("users"), QJsonObject{{QStringLiteral("alice"), off}}}}}}}})));
    QVERIFY(catalogue.setOverrides(
        {{QStringLiteral("e1"),
          QJsonObject{{QStringLiteral("message-audit-events"),
                       QJsonObject{{QStringLiteral("exec"),
                                    QJsonObject{{QStringLiteral("users"),
                                                 QJsonObject{{QStringLiteral("carol"), off},
                                                             {QStringLiteral("alice"), QJsonObject{{QStringLiteral("fail"), QStringLiteral("1")}}}}},
                                                {QStringLiteral("other"), QJsonObject{{QStringLiteral("fail"), QStringLiteral("1")}}}}}}}}}}));

    const Tree tree = parseCatalogue();
    EventTreeItem *event = TreeDump::at(tree.get(), {G1, QStringLiteral("e1")});
    EventTreeItem *auditEvents = child(event, QStringLiteral("message-audit-events"));
    EventTreeItem *exec = child(auditEvents, QStringLiteral("exec"));
    EventTreeItem *users = child(exec, QStringLiteral("users"));

    // The table's own marker is taken out; the marker inside an entry stays.
    QCOMPARE(text(users, 1), QStringLiteral("alice, carol, bob"));
    const QJsonObject table = jsonOf(users);
    QCOMPARE(table.keys(), (QStringList{QStringLiteral("alice"), QStringLiteral("bob"), QStringLiteral("carol")}));
    QCOMPARE(table.value(QLatin1String("alice")).toObject(),
             (QJsonObject{{QStringLiteral("fail"), QStringLiteral("1")},
                          {QStringLiteral("overlay0"), QStringLiteral("fail")},
                          {QStringLiteral("succ"), QStringLiteral("0")}}));
    QVERIFY(users->overridden);
    QVERIFY(exec->overridden);
    QVERIFY(auditEvents->overridden);
    QVERIFY(!event->overridden);

    EventTreeItem *other = child(exec, QStringLiteral("other"));
    QVERIFY(other->overridden);
    QVERIFY(child(other, QStringLiteral("succ"))->overridden);
    QVERIFY(child(other, QStringLiteral("fail"))->overridden);
    QCOMPARE(child(other, QStringLiteral("fail"))->checkState, int(Qt::Checked));
    QCOMPARE(other->checkState, int(Qt::Checked));
    QVERIFY(!child(other, QStringLiteral("overlay0"))->visible);

    EventTreeItem *untouched = TreeDump::at(auditEvents, {QStringLiteral("open"), QStringLiteral("users")});
    QVERIFY(!untouched->overridden);
    QVERIFY(!child(auditEvents, QStringLiteral("open"))->overridden);
}

void SingleEventsParserTest::auditTablesWithoutDefaultAccounts_data()
{
    QTest::addColumn<bool>("missing");
    QTest::newRow("getent missing") << true;
    QTest::newRow("getent printing garbage") << false;
}

void SingleEventsParserTest::auditTablesWithoutDefaultAccounts()
{
    QFETCH(bool, missing);
    const FakeGetent garbled;
    if (missing) {
        garbled.hideGetent();
    } else {
        garbled.setListing(QStringLiteral("passwd"), QByteArray("\x01\x02\x03 nonsense\n::::\nalice\n", 25));
        garbled.setListing(QStringLiteral("group"), "staff:x\n");
    }

    CatalogueRoot catalogue;
    QVERIFY(catalogue.addEvent(G1,
                               QStringLiteral("e1"),
                               eventOf(QStringLiteral("e1"),
                                       {{QStringLiteral("message-audit-events"),
                                         QJsonObject{{QStringLiteral("exec"),
                                                      QJsonObject{{QStringLiteral("users"), QJsonObject{{QStringLiteral("dave"), QJsonObject()}}},
                                                                  {QStringLiteral("groups"), QJsonObject()}}}}}})));
    const SingleEventsParser parser;
    QVERIFY(parser.defaultUsers().isEmpty());
    QVERIFY(parser.defaultGroups().isEmpty());
    const Tree tree(parser.parse());
    EventTreeItem *exec = TreeDump::at(tree.get(), {G1, QStringLiteral("e1"), QStringLiteral("message-audit-events"), QStringLiteral("exec")});
    QCOMPARE(text(child(exec, QStringLiteral("users")), 1), QStringLiteral("dave"));
    QCOMPARE(text(child(exec, QStringLiteral("groups")), 1), QString());
    QCOMPARE(text(child(exec, QStringLiteral("groups")), 2), QStringLiteral("{}"));
}

void SingleEventsParserTest::dictionaryDecidesVisibilityAndEditing()
{
    CatalogueRoot catalogue;
    const QJsonObject children{{QStringLiteral("child-listed"), QStringLiteral("1")},
                               {QStringLiteral("child-free"), QStringLiteral("1")},
                               {QStringLiteral("child-hidden"), QStringLiteral("1")},
                               {QStringLiteral("child-editable"), QStringLiteral("1")}};
    QVERIFY(catalogue.addEvent(G1,
                               QStringLiteral("dictionary-event"),
                               eventOf(QStringLiteral("dictionary-event"),
                                       {{QStringLiteral("hidden-editable"), QStringLiteral("1")},
                                        {QStringLiteral("boolean-hidden"), QStringLiteral("1")},
                                        {QStringLiteral("plain"), QStringLiteral("1")},
                                        {QStringLiteral("locked"), QStringLiteral("1")},
                                        {QStringLiteral("editable-one"), QStringLiteral("1")},
                                        {QStringLiteral("box"), children},
                                        {QStringLiteral("hidden-box"), children},
                                        {QStringLiteral("child-listed"), QStringLiteral("1")}})));

    const Tree tree = parseCatalogue();
    EventTreeItem *event = TreeDump::at(tree.get(), {G1, QStringLiteral("dictionary-event")});
    QVERIFY(event);
    // Events are no parameters: an entry under an event's identifier does
    // not hide it.
    QVERIFY(event->visible);

    struct Expected {
        QStringList path;
        bool visible;
        bool editable;
    };
    const QList<Expected> expectations{
        {{QStringLiteral("hidden-editable")}, false, false},
        {{QStringLiteral("boolean-hidden")}, true, false},
        {{QStringLiteral("plain")}, true, true},
        {{QStringLiteral("locked")}, true, false},
        {{QStringLiteral("editable-one")}, true, true},
        {{QStringLiteral("child-listed")}, true, false},
        {{QStringLiteral("box")}, true, false},
        {{QStringLiteral("box"), QStringLiteral("child-listed")}, true, true},
        {{QStringLiteral("box"), QStringLiteral("child-free")}, true, true},
        {{QStringLiteral("box"), QStringLiteral("child-hidden")}, false, false},
        {{QStringLiteral("box"), QStringLiteral("child-editable")}, true, true},
        {{QStringLiteral("hidden-box")}, false, false},
        {{QStringLiteral("hidden-box"), QStringLiteral("child-listed")}, true, true},
    };
    for (const Expected &expected : expectations) {
        const EventTreeItem *node = TreeDump::at(event, expected.path);
        const QByteArray where = expected.path.join(QLatin1Char('/')).toUtf8();
        QVERIFY2(node, where.constData());
        QVERIFY2(node->visible == expected.visible, where.constData());
        QVERIFY2(node->editable == expected.editable, where.constData());
        QCOMPARE(node->nativeName, expected.path.last());
    }
    QVERIFY(child(event, QStringLiteral("box"))->childrenEditable);
    QVERIFY(!child(event, QStringLiteral("plain"))->childrenEditable);
}

void SingleEventsParserTest::parametersShowNamesAndTypes_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QJsonValue>("value");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QPair<int, int>>("range");

    const QPair<int, int> anyInt{std::numeric_limits<int>::min(), std::numeric_limits<int>::max()};
    const auto row = [&anyInt](const char *tag, const char *key, const QJsonValue &value, const char *shown, int kind, QPair<int, int> range = {}) {
        QTest::newRow(tag) << QString::fromUtf8(key) << value << QString::fromUtf8(shown) << kind << (range == QPair<int, int>() ? anyInt : range);
    };
    row("English name", "named", QStringLiteral("x"), "Given name", ParameterType::Text);
    row("no entry", "extend-message-params", QStringLiteral("x"), "Extend message params", ParameterType::Text);
    row("dotted key", ".auditd.key", QStringLiteral("x"), "Auditd key", ParameterType::Text);
    row("entry without a name", "locked", QStringLiteral("x"), "Locked", ParameterType::Text);
    row("hidden keeps its key", "hidden-editable", QStringLiteral("x"), "hidden-editable", ParameterType::Text);
    row("dictionary priority", "typed-priority", QStringLiteral("warning"), "Typed priority", ParameterType::Priority);
    row("dictionary integer", "typed-count", QStringLiteral("5"), "Typed count", ParameterType::Integer, {1, 9});
    row("JSON integer", "json_number", 5, "Json number", ParameterType::Integer);
    row("JSON fraction", "json-fraction", 2.5, "Json fraction", ParameterType::Text);
    row("JSON boolean", "json-bool", true, "Json bool", ParameterType::Switch);
    row("unknown type: JSON", "typed-unknown", 5, "Typed unknown", ParameterType::Integer);
    row("numeric string", "count-text", QStringLiteral("5"), "Count text", ParameterType::Text);
}

void SingleEventsParserTest::parametersShowNamesAndTypes()
{
    QFETCH(QString, key);
    QFETCH(QJsonValue, value);
    CatalogueRoot catalogue;
    QVERIFY(catalogue.addEvent(G1, QStringLiteral("e1"), eventOf(QStringLiteral("e1"), {{key, value}})));
    const Tree tree = parseCatalogue();
    const EventTreeItem *node = child(TreeDump::at(tree.get(), {G1, QStringLiteral("e1")}), key);
    QVERIFY(node);
    QCOMPARE(node->nativeName, key);
    QTEST(text(node, 0), "shown");
    QTEST(int(node->valueType), "kind");
    const ParameterType type = SingleEventsParser::parameterType(*node);
    QTEST(qMakePair(type.minimum(), type.maximum()), "range");
}

void SingleEventsParserTest::dependenciesLinkEvents()
{
    CatalogueRoot catalogue;
    const QString g2 = QStringLiteral("g2");
    const auto depends = [](const QJsonValue &value) {
        return QJsonObject{{QStringLiteral("message-depends"), value}};
    };
    // e0 comes first in pre-order and has a parameter named like event e9.
    QVERIFY(catalogue.addEvent(G1, QStringLiteral("e0"), eventOf(QStringLiteral("e0"), {{QStringLiteral("e9"), QStringLiteral("x")}})));
    QVERIFY(catalogue.addEvent(G1, QStringLiteral("e1"), eventOf(QStringLiteral("e1"), depends(QStringLiteral("e2, e3")))));
    QVERIFY(catalogue.addEvent(G1, QStringLiteral("e2"), eventOf(QStringLiteral("e2"))));
    QVERIFY(catalogue.addEvent(G1, QStringLiteral("e3"), eventOf(QStringLiteral("e3"))));
    QVERIFY(catalogue.addEvent(G1, QStringLiteral("e4"), eventOf(QStringLiteral("e4"), depends(QJsonArray{QStringLiteral("e3"), QStringLiteral("e2")}))));
    QVERIFY(catalogue.addEvent(G1, QStringLiteral("e5"), eventOf(QStringLiteral("e5"), depends(QStringLiteral(" missing ,,  e1  ")))));
    QVERIFY(catalogue.addEvent(G1, QStringLiteral("e6"), eventOf(QStringLiteral("e6"), depends(QStringLiteral("e6")))));
    QVERIFY(catalogue.addEvent(G1, QStringLiteral("e8"), eventOf(QStringLiteral("e8"), depends(QStringLiteral("e9")))));
    QVERIFY(catalogue.addEvent(g2, QStringLiteral("e9"), eventOf(QStringLiteral("e9"), {}, g2)));
    // Below a parameter, the depending node would be the parameter.
    QJsonObject nested = eventOf(QStringLiteral("e7"));
    QJsonObject params = nested.value(QLatin1String("message-params")).toObject();
    params.insert(QStringLiteral("message-depends"), QStringLiteral("e1"));
    nested.insert(QStringLiteral("message-params"), params);
    QVERIFY(catalogue.addEvent(G1, QStringLiteral("e7"), nested));

    const Tree tree = parseCatalogue();
    const auto event = [&tree](const QString &id) {
        EventTreeItem *node = TreeDump::at(tree.get(), {G1, id});
        return node ? node : TreeDump::at(tree.get(), {QStringLiteral("g2"), id});
    };
    QCOMPARE(nativeNames(event(QStringLiteral("e1"))->dependencies), (QStringList{QStringLiteral("e2"), QStringLiteral("e3")}));
    QCOMPARE(nativeNames(event(QStringLiteral("e4"))->dependencies), (QStringList{QStringLiteral("e3"), QStringLiteral("e2")}));
    QCOMPARE(nativeNames(event(QStringLiteral("e2"))->dependents), (QStringList{QStringLiteral("e1"), QStringLiteral("e4")}));
    QCOMPARE(nativeNames(event(QStringLiteral("e3"))->dependents), (QStringList{QStringLiteral("e1"), QStringLiteral("e4")}));
    QCOMPARE(nativeNames(event(QStringLiteral("e5"))->dependencies), QStringList{QStringLiteral("e1")});
    QCOMPARE(nativeNames(event(QStringLiteral("e1"))->dependents), QStringList{QStringLiteral("e5")});
    QVERIFY(event(QStringLiteral("e6"))->dependencies.empty());
    QVERIFY(event(QStringLiteral("e6"))->dependents.empty());

    EventTreeItem *e9 = event(QStringLiteral("e9"));
    QCOMPARE(event(QStringLiteral("e8"))->dependencies, std::vector<EventTreeItem *>{e9});
    QCOMPARE(e9->dependents, std::vector<EventTreeItem *>{event(QStringLiteral("e8"))});
    QVERIFY(child(event(QStringLiteral("e0")), QStringLiteral("e9"))->dependents.empty());

    QVERIFY(event(QStringLiteral("e7"))->dependencies.empty());
    QVERIFY(child(event(QStringLiteral("e0")), QStringLiteral("message-params"))->dependencies.empty());

    // A second parse starts from an empty list of pairs.
    const SingleEventsParser parser;
    const Tree first(parser.parse());
    const Tree second(parser.parse());
    QCOMPARE(TreeDump::at(second.get(), {G1, QStringLiteral("e2")})->dependents.size(), size_t(2));
}

void SingleEventsParserTest::groupCheckStateRollsUp()
{
    CatalogueRoot catalogue;
    const auto addGroup = [&catalogue](const QString &group, const QList<bool> &switches) {
        QVERIFY(catalogue.addGroup(group, R"({"group-params": {}})"));
        for (int i = 0; i < switches.size(); ++i) {
            const QString id = group + QStringLiteral("-e") + QString::number(i);
            QVERIFY(
                catalogue.addEvent(group, id, eventOf(id, {{QStringLiteral("enabled"), switches.at(i) ? QStringLiteral("1") : QStringLiteral("0")}}, group)));
        }
    };
    addGroup(QStringLiteral("partial"), {true, false, true});
    addGroup(QStringLiteral("full"), {true, true, true});
    addGroup(QStringLiteral("none"), {false, false, false});
    addGroup(QStringLiteral("empty"), {});

    const Tree tree = parseCatalogue();
    QCOMPARE(child(tree.get(), QStringLiteral("partial"))->checkState, int(Qt::PartiallyChecked));
    QCOMPARE(child(tree.get(), QStringLiteral("full"))->checkState, int(Qt::Checked));
    QCOMPARE(child(tree.get(), QStringLiteral("none"))->checkState, int(Qt::Unchecked));
    QCOMPARE(child(tree.get(), QStringLiteral("empty"))->checkState, int(Qt::Unchecked));
    QCOMPARE(child(tree.get(), QStringLiteral("empty"))->childCount(), 0);
}

void SingleEventsParserTest::eventOptions()
{
    CatalogueRoot catalogue;
    const auto add = [&catalogue](const QString &id, const QJsonObject &members) {
        QVERIFY(catalogue.addEvent(G1, id, eventOf(id, members)));
    };
    add(QStringLiteral("load-1"), {{QStringLiteral("generates-load"), QStringLiteral("1")}, {QStringLiteral("is-not-redirected"), 2}});
    add(QStringLiteral("load-0"), {{QStringLiteral("generates-load"), QStringLiteral("0")}, {QStringLiteral("is-not-redirected"), QStringLiteral("0")}});
    add(QStringLiteral("load-true"), {{QStringLiteral("generates-load"), QStringLiteral("true")}, {QStringLiteral("is-not-redirected"), true}});
    add(QStringLiteral("no-options"), {});
    add(QStringLiteral("conflicts-blank"), {{QStringLiteral("conflicts-with"), QStringLiteral("a, b")}});
    add(QStringLiteral("conflicts-comma"), {{QStringLiteral("conflicts-with"), QStringLiteral("a,b")}});
    add(QStringLiteral("rules"),
        {{QStringLiteral("message-audit-rules"), QStringLiteral("-w /etc/passwd -p wa")},
         {QStringLiteral("a-files"), QJsonObject{{QStringLiteral(".auditd.key"), QStringLiteral("/etc/passwd")}}},
         {QStringLiteral(".auditd.key"), QStringLiteral("/etc/shadow")}});
    add(QStringLiteral("rules-nested"),
        {{QStringLiteral("watch"), QJsonObject{{QStringLiteral("message-audit-rules"), QStringLiteral("-w /x")}}},
         {QStringLiteral(".auditd.key"), QStringLiteral("/x")}});

    const Tree tree = parseCatalogue();
    const auto event = [&tree](const char *id) {
        return TreeDump::at(tree.get(), {G1, QString::fromUtf8(id)});
    };
    QVERIFY(event("load-1")->generatesLoad);
    QVERIFY(event("load-1")->notRedirected);
    QVERIFY(!event("load-0")->generatesLoad);
    QVERIFY(!event("load-0")->notRedirected);
    QVERIFY(!event("load-true")->generatesLoad);
    QVERIFY(!event("load-true")->notRedirected);
    QVERIFY(!event("no-options")->generatesLoad);
    QVERIFY(event("no-options")->conflicts.isEmpty());
    QCOMPARE(event("conflicts-blank")->conflicts, (QStringList{QStringLiteral("a"), QStringLiteral("b")}));
    QCOMPARE(event("conflicts-comma")->conflicts, QStringList{QStringLiteral("a,b")});

    // Only the first ".auditd.key" below the event, in key order.
    EventTreeItem *rules = event("rules");
    QVERIFY(rules->hasAuditRules());
    QVERIFY(child(rules, QStringLiteral(".auditd.key"))->hasAuditRules());
    QVERIFY(!TreeDump::at(rules, {QStringLiteral("a-files"), QStringLiteral(".auditd.key")})->hasAuditRules());

    EventTreeItem *nested = event("rules-nested");
    QVERIFY(!nested->hasAuditRules());
    QVERIFY(child(nested, QStringLiteral("watch"))->hasAuditRules());
    QVERIFY(!child(nested, QStringLiteral(".auditd.key"))->hasAuditRules());
}

void SingleEventsParserTest::notifyingEventsAreMarked()
{
    CatalogueRoot catalogue;
    QVERIFY(catalogue.addEvent(G1, QStringLiteral("ev-one"), eventOf(QStringLiteral("ev-one"))));
    QVERIFY(catalogue.addEvent(G1, QStringLiteral("ev-two"), eventOf(QStringLiteral("ev-two"))));
    QVERIFY(catalogue.addNotificationFile(QStringLiteral("mod-tarn-ev-one.conf")));
    DBusKeeper::Instance().init();

    const Tree tree = parseCatalogue();
    EventTreeItem *one = TreeDump::at(tree.get(), {G1, QStringLiteral("ev-one")});
    QCOMPARE(text(TreeDump::at(one, {QStringLiteral("message-params"), QStringLiteral("message_id")}), 1), QStringLiteral("ev_one"));
    QCOMPARE(one->notificationState, EventTreeItem::NotificationOn);
    QVERIFY(one->isNotificationOn());
    QCOMPARE(TreeDump::at(tree.get(), {G1, QStringLiteral("ev-two")})->notificationState, EventTreeItem::NotificationOff);

    // The registry is asked at parse time: after the file is gone and the
    // registry rebuilt, the next parse marks nothing.
    QVERIFY(QFile::remove(SystemPaths::notificationDestinationFile(QStringLiteral("ev-one"))));
    DBusKeeper::Instance().init();
    const Tree later = parseCatalogue();
    QCOMPARE(TreeDump::at(later.get(), {G1, QStringLiteral("ev-one")})->notificationState, EventTreeItem::NotificationOff);
}

void SingleEventsParserTest::eventsGoToTheirGroupOrTheRoot()
{
    CatalogueRoot catalogue;
    QVERIFY(catalogue.addGroup(G1, R"({"group-params": {"name_en": "Group one"}})"));
    QVERIFY(catalogue.addGroup(QStringLiteral("g2")));
    QVERIFY(catalogue.addGroup(QStringLiteral("g4"), "{ not json"));
    QVERIFY(catalogue.addGroup(QStringLiteral("g5"), R"({"name_en": "No params"})"));
    QVERIFY(catalogue.addGroup(QStringLiteral("custom-events")));
    QVERIFY(catalogue.addEvent(G1, QStringLiteral("e1"), eventOf(QStringLiteral("e1"))));
    QVERIFY(catalogue.addEvent(G1, QStringLiteral("e2"), eventOf(QStringLiteral("e2"), {}, QStringLiteral("nowhere"))));
    // Names that only parameters or events carry are no groups.
    QVERIFY(catalogue.addEvent(G1, QStringLiteral("e3"), eventOf(QStringLiteral("e3"), {}, QStringLiteral("enabled"))));
    QVERIFY(catalogue.addEvent(G1, QStringLiteral("e4"), eventOf(QStringLiteral("e4"), {}, QStringLiteral("e1"))));
    // A group named like a parameter of an event before it.
    QVERIFY(catalogue.addEvent(QStringLiteral("message-params"), QStringLiteral("e5"), eventOf(QStringLiteral("e5"), {}, QStringLiteral("message-params"))));
    // An event named in another directory than its group.
    QVERIFY(catalogue.addEvent(QStringLiteral("g2"), QStringLiteral("e6"), eventOf(QStringLiteral("e6"))));

    const Tree tree = parseCatalogue();
    QStringList topLevel;
    for (int row = 0; row < tree->childCount(); ++row) {
        topLevel.append(static_cast<EventTreeItem *>(tree->child(row))->nativeName);
    }
    QCOMPARE(topLevel,
             (QStringList{QStringLiteral("custom-events"),
                          G1,
                          QStringLiteral("g2"),
                          QStringLiteral("g4"),
                          QStringLiteral("g5"),
                          QStringLiteral("message-params"),
                          QStringLiteral("e2"),
                          QStringLiteral("e3"),
                          QStringLiteral("e4")}));
    QCOMPARE(text(child(tree.get(), QStringLiteral("custom-events")), 0), QStringLiteral("Custom events"));
    QCOMPARE(text(child(tree.get(), G1), 0), QStringLiteral("Group one"));
    QCOMPARE(text(child(tree.get(), QStringLiteral("g2")), 0), QStringLiteral("g2"));
    QCOMPARE(text(child(tree.get(), QStringLiteral("g4")), 0), QStringLiteral("g4"));
    QCOMPARE(text(child(tree.get(), QStringLiteral("g5")), 0), QStringLiteral("g5"));

    QStringList inGroupOne;
    for (int row = 0; row < child(tree.get(), G1)->childCount(); ++row) {
        inGroupOne.append(static_cast<EventTreeItem *>(child(tree.get(), G1)->child(row))->nativeName);
    }
    QCOMPARE(inGroupOne, (QStringList{QStringLiteral("e1"), QStringLiteral("e6")}));
    QCOMPARE(TreeDump::at(tree.get(), {QStringLiteral("message-params"), QStringLiteral("e5")})->kind, int(EventTreeItem::Event));
    QCOMPARE(child(tree.get(), QStringLiteral("e2"))->kind, int(EventTreeItem::Event));
    QCOMPARE(text(child(tree.get(), QStringLiteral("e2")), 0), QStringLiteral("Name of e2"));
}

void SingleEventsParserTest::eventsWithoutDescriptionAreLeftOut()
{
    CatalogueRoot catalogue;
    QVERIFY(catalogue.addEvent(G1, QStringLiteral("empty"), QByteArray("{}")));
    QVERIFY(catalogue.addEvent(G1, QStringLiteral("nameless"), R"({"event-group": "g1", "enabled": "0"})"));

    const SingleEventsParser parser;
    QVERIFY(parser.isConfigCorrect());
    const Tree tree(parser.parse());
    QVERIFY(tree);
    EventTreeItem *group = child(tree.get(), G1);
    QCOMPARE(group->childCount(), 1);
    // Without a name entry the event shows its identifier.
    EventTreeItem *nameless = child(group, QStringLiteral("nameless"));
    QCOMPARE(text(nameless, 0), QStringLiteral("nameless"));
    QVERIFY(nameless->name.isEmpty());
    QCOMPARE(parser.createEventItem(QStringLiteral("empty"), SingleEventsParser::DefaultEvent, nullptr), nullptr);
    QCOMPARE(parser.createEventItem(QStringLiteral("unknown"), SingleEventsParser::CurrentEvent, nullptr), nullptr);
}

void SingleEventsParserTest::incorrectCatalogueGivesNoTree_data()
{
    QTest::addColumn<bool>("duplicate");
    QTest::newRow("one event id in two groups") << true;
    QTest::newRow("no event directory") << false;
}

void SingleEventsParserTest::incorrectCatalogueGivesNoTree()
{
    QFETCH(bool, duplicate);
    CatalogueRoot catalogue;
    if (duplicate) {
        QVERIFY(catalogue.addEvent(G1, QStringLiteral("e1"), eventOf(QStringLiteral("e1"))));
        QVERIFY(catalogue.addEvent(QStringLiteral("g2"), QStringLiteral("e1"), eventOf(QStringLiteral("e1"), {}, QStringLiteral("g2"))));
    } else {
        QVERIFY(QDir(catalogue.root().filePath(QString::fromUtf8(SystemPaths::EventSettingsDir))).removeRecursively());
    }

    const SingleEventsParser parser;
    QVERIFY(!parser.isConfigCorrect());
    QCOMPARE(parser.parse(), nullptr);
    QCOMPARE(parser.createEventItem(QStringLiteral("e1"), SingleEventsParser::DefaultEvent, nullptr), nullptr);
}

void SingleEventsParserTest::eventDefaultsAreBuiltApart()
{
    CatalogueRoot catalogue;
    QVERIFY(catalogue.addEvent(G1, QStringLiteral("e1"), eventOf(QStringLiteral("e1"))));
    QVERIFY(catalogue.setOverrides({{QStringLiteral("e1"), QJsonObject{{QStringLiteral("enabled"), QStringLiteral("0")}}}}));

    const SingleEventsParser parser;
    const Tree defaults(parser.createEventItem(QStringLiteral("e1"), SingleEventsParser::DefaultEvent, nullptr));
    QVERIFY(defaults);
    QCOMPARE(defaults->parentItem(), nullptr);
    QCOMPARE(defaults->kind, int(EventTreeItem::Event));
    QCOMPARE(defaults->nativeName, QStringLiteral("e1"));
    QCOMPARE(text(defaults.get(), 0), QStringLiteral("Name of e1"));
    QCOMPARE(text(child(defaults.get(), QStringLiteral("enabled")), 1), QStringLiteral("1"));
    QVERIFY(!child(defaults.get(), QStringLiteral("overlay0")));
    QVERIFY(!defaults->overridden);

    const Tree current(parser.createEventItem(QStringLiteral("e1"), SingleEventsParser::CurrentEvent, nullptr));
    QCOMPARE(text(child(current.get(), QStringLiteral("enabled")), 1), QStringLiteral("0"));
    QVERIFY(current->overridden);

    // With a parent, the event goes to its group below that parent.
    const Tree tree(parser.parse());
    EventTreeItem *group = child(tree.get(), G1);
    QCOMPARE(group->childCount(), 1);
    EventTreeItem *added = parser.createEventItem(QStringLiteral("e1"), SingleEventsParser::DefaultEvent, tree.get());
    QCOMPARE(added->parentItem(), group);
    QCOMPARE(group->childCount(), 2);
    QCOMPARE(group->child(1), added);
}

void SingleEventsParserTest::repeatedParsesGiveEqualTrees()
{
    CatalogueRoot catalogue;
    QVERIFY(catalogue.addEvent(G1, QStringLiteral("e1"), eventOf(QStringLiteral("e1"), {{QStringLiteral("message-depends"), QStringLiteral("e2")}})));
    QVERIFY(catalogue.addEvent(G1, QStringLiteral("e2"), eventOf(QStringLiteral("e2"), {{QStringLiteral("list"), QJsonArray{QStringLiteral("a")}}})));
    QVERIFY(catalogue.setOverrides({{QStringLiteral("e2"), QJsonObject{{QStringLiteral("list"), QJsonArray{QStringLiteral("b")}}}}}));

    Tree first;
    Tree second;
    {
        const SingleEventsParser parser;
        first.reset(parser.parse());
        second.reset(parser.parse());
    }
    // The trees outlive their parser.
    QVERIFY(first && second);
    QCOMPARE(TreeDump::dump(second.get()), TreeDump::dump(first.get()));
    QVERIFY(TreeDump::dump(first.get()).contains(QStringLiteral("->e2")));
}

void SingleEventsParserTest::hostileValuesAreBuiltWithoutHarm()
{
    CatalogueRoot catalogue;
    QJsonValue deep = QStringLiteral("bottom");
    for (int level = 0; level < 100; ++level) {
        deep = QJsonObject{{QStringLiteral("level"), deep}};
    }
    const QString big(1024 * 1024, QLatin1Char('x'));
    QVERIFY(catalogue.addEvent(G1,
                               QStringLiteral("e1"),
                               QJsonObject{{QStringLiteral("event-group"), G1},
                                           {QStringLiteral("message-params"), QJsonValue::Null},
                                           {QStringLiteral("enabled"), QJsonValue::Null},
                                           {QStringLiteral("nothing"), QJsonValue::Null},
                                           {QStringLiteral("list"), QJsonArray{QJsonValue::Null, QJsonArray{QJsonArray{}}}},
                                           {QStringLiteral("deep"), deep},
                                           {QStringLiteral("big"), big}}));
    QVERIFY(catalogue.setOverrides({{QStringLiteral("e1"), QJsonObject{{QStringLiteral("deep"), QJsonValue::Null}, {QStringLiteral("nothing"), deep}}}}));

    const Tree tree = parseCatalogue();
    QVERIFY(tree);
    EventTreeItem *event = TreeDump::at(tree.get(), {G1, QStringLiteral("e1")});
    QVERIFY(event);
    QCOMPARE(text(event, 0), QStringLiteral("e1"));
    QCOMPARE(event->checkState, int(Qt::Unchecked));
    QCOMPARE(text(child(event, QStringLiteral("message-params")), 1), QString());
    QCOMPARE(text(child(event, QStringLiteral("big")), 1).size(), big.size());
    QCOMPARE(text(child(event, QStringLiteral("list")), 1), QString());

    const EventTreeItem *node = child(event, QStringLiteral("deep"));
    int depth = 0;
    while (EventTreeItem *next = child(node, QStringLiteral("level"))) {
        node = next;
        ++depth;
    }
    QCOMPARE(depth, 100);
    QCOMPARE(text(node, 1), QStringLiteral("bottom"));
    // An object replaced by a value keeps the object; a value replaced by an
    // object becomes that object.
    QCOMPARE(child(event, QStringLiteral("nothing"))->childCount(), 1);
    QVERIFY(child(event, QStringLiteral("nothing"))->overridden);
}

QTEST_GUILESS_MAIN(SingleEventsParserTest)

#include "singleeventsparsertest.moc"
