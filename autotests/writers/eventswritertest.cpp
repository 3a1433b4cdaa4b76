/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "eventswriter.h"
#include "abstractwriter.h"
#include "configaccessservice.h"
#include "eventtreeitem.h"

#include <KAuth/Action>
#include <KJob>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

#include <functional>
#include <memory>

using EventBuilder = std::function<void(EventTreeItem *event)>;
Q_DECLARE_METATYPE(EventBuilder)

namespace
{
const QString SettingsFile = QStringLiteral("/etc/tarn-syslog.conf");
const QString RulesFile = QStringLiteral("/etc/audit/rules.d/tarn-syslog.rules");

// A job that ends as soon as the event loop runs, failing when asked to.
class FinishedJob : public KJob
{
public:
    explicit FinishedJob(bool fail)
        : m_fail(fail)
    {
    }

    void start() override
    {
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (m_fail) {
                    setError(KJob::UserDefinedError);
                    setErrorText(QStringLiteral("Permission denied"));
                }
                emitResult();
            },
            Qt::QueuedConnection);
    }

private:
    bool m_fail;
};

// Stands in for the helper: records every write and fails those to the
// paths it is told to.
class RecordingService : public ConfigAccessService
{
public:
    RecordingService()
        : ConfigAccessService(nullptr)
    {
    }

    QStringList failingPaths;
    QList<QPair<QString, QByteArray>> writes;

protected:
    KJob *createJob(KAuth::Action &action) override
    {
        const QVariantMap arguments = action.arguments();
        const QString path = arguments.value(QStringLiteral("path")).toString();
        writes.append({path, arguments.value(QStringLiteral("content")).toByteArray()});
        return new FinishedJob(failingPaths.contains(path));
    }

    QVariantMap jobData(KJob *) const override
    {
        return {};
    }
};

// The smallest writer: fixed lines, to see what the base does with them.
class LinesWriter : public AbstractWriter
{
public:
    using AbstractWriter::AbstractWriter;

    QStringList createConfig(TreeItem *) override
    {
        return {QStringLiteral("a"), QStringLiteral("b")};
    }
};

std::unique_ptr<EventTreeItem> newRoot()
{
    return std::make_unique<EventTreeItem>(QVector<QVariant>{QStringLiteral("Parameter"), QStringLiteral("Value")});
}

EventTreeItem *add(EventTreeItem *parent, int kind, const QString &name, const QVariant &value = {}, const QVariant &json = {})
{
    auto *item = new EventTreeItem({name, value, json}, parent);
    item->kind = kind;
    item->nativeName = name;
    parent->appendChild(item);
    return item;
}

EventTreeItem *marked(EventTreeItem *item)
{
    item->overridden = true;
    return item;
}

EventTreeItem *addEvent(EventTreeItem *parent, const QString &id)
{
    EventTreeItem *event = add(parent, EventTreeItem::Event, id);
    event->checkable = true;
    event->checkState = Qt::Checked;
    return event;
}

// An event with its switch; the switch is marked when `changed`.
EventTreeItem *addSwitchedEvent(EventTreeItem *parent, const QString &id, bool on, bool changed)
{
    EventTreeItem *event = addEvent(parent, id);
    event->checkState = on ? Qt::Checked : Qt::Unchecked;
    EventTreeItem *enabled = add(event, EventTreeItem::Value, QStringLiteral("enabled"), on ? QStringLiteral("1") : QStringLiteral("0"));
    enabled->overridden = changed;
    return event;
}

QJsonObject parseObject(const QByteArray &text)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(text, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject()) {
        qWarning() << "not a JSON object:" << error.errorString() << text;
        return {};
    }
    return document.object();
}

QJsonObject parseLines(const QStringList &lines)
{
    return parseObject(lines.join(QLatin1Char('\n')).toUtf8());
}

// The written object of the one event "ev" built by `build`.
QJsonObject renderedEvent(const EventBuilder &build, QStringList *errors = nullptr)
{
    auto root = newRoot();
    EventTreeItem *event = addEvent(add(root.get(), EventTreeItem::Group, QStringLiteral("g")), QStringLiteral("ev"));
    build(event);
    RecordingService service;
    EventsWriter writer(service, SettingsFile, RulesFile);
    const QJsonObject document = parseObject(writer.renderEventSettings(root.get()));
    if (errors) {
        *errors = writer.errors();
    }
    return document.value(QStringLiteral("ev")).toObject();
}

QJsonObject json(const char *text)
{
    return parseObject(QByteArray(text));
}
}

class EventsWriterTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void memberShapes_data();
    void memberShapes();
    void invalidStoredJsonIsReportedNotWritten();
    void switchOfMarkedEvent_data();
    void switchOfMarkedEvent();
    void documentLayout();
    void nothingMarked();
    void escaping_data();
    void escaping();
    void auditRuleCollection();
    void noAuditRules();
    void writeConfigWritesBothFiles();
    void failedWritesAreReported_data();
    void failedWritesAreReported();
    void baseWritesRenderedLines();
};

void EventsWriterTest::memberShapes_data()
{
    QTest::addColumn<EventBuilder>("build");
    QTest::addColumn<QJsonObject>("expected");

    QTest::newRow("scalar") << EventBuilder([](EventTreeItem *e) {
        marked(add(e, EventTreeItem::Value, QStringLiteral("level"), QStringLiteral("3")));
        add(e, EventTreeItem::Value, QStringLiteral("other"), QStringLiteral("x"));
    }) << json(R"({"level": "3"})");

    QTest::newRow("number kept as string") << EventBuilder([](EventTreeItem *e) {
        marked(add(e, EventTreeItem::Value, QStringLiteral("count"), 5));
    }) << json(R"({"count": "5"})");

    QTest::newRow("string array, parts trimmed") << EventBuilder([](EventTreeItem *e) {
        marked(add(e, EventTreeItem::Array, QStringLiteral("classes"), QStringLiteral(" hid ,  usb   storage, printer"), QStringLiteral("[\"stale\"]")));
    }) << json(R"({"classes": ["hid", "usb storage", "printer"]})");

    QTest::newRow("empty string array") << EventBuilder([](EventTreeItem *e) {
        marked(add(e, EventTreeItem::Array, QStringLiteral("classes"), QString()));
    }) << json(R"({"classes": [""]})");

    QTest::newRow("file list") << EventBuilder([](EventTreeItem *e) {
        marked(
            add(e, EventTreeItem::Compound, QStringLiteral("directories"), QStringLiteral("/, /tmp"), QStringLiteral(R"([{"limit":"1","path":"/"},"/tmp"])")));
    }) << json(R"({"directories": [{"limit": "1", "path": "/"}, "/tmp"]})");

    QTest::newRow("audit table without merge markers") << EventBuilder([](EventTreeItem *e) {
        marked(add(e,
                   EventTreeItem::Compound,
                   QStringLiteral("users"),
                   QStringLiteral("bob"),
                   QStringLiteral(R"({"bob":{"fail":"1","overlay0":"fail","overlay12":"succ","overlay-note":"kept","succ":"0"},"overlay3":"bob"})")));
    }) << json(R"({"users": {"bob": {"fail": "1", "overlay-note": "kept", "succ": "0"}}})");

    QTest::newRow("nested object, marked parts only") << EventBuilder([](EventTreeItem *e) {
        EventTreeItem *params = marked(add(e, EventTreeItem::Value, QStringLiteral("params")));
        marked(add(params, EventTreeItem::Value, QStringLiteral("a"), QStringLiteral("1")));
        add(params, EventTreeItem::Value, QStringLiteral("b"), QStringLiteral("2"));
        EventTreeItem *sub = add(params, EventTreeItem::Value, QStringLiteral("sub"));
        marked(add(sub, EventTreeItem::Value, QStringLiteral("c"), QStringLiteral("x")));
        add(sub, EventTreeItem::Value, QStringLiteral("d"), QStringLiteral("y"));
    }) << json(R"({"params": {"a": "1", "sub": {"c": "x"}}})");

    QTest::newRow("nested array untrimmed, nested table") << EventBuilder([](EventTreeItem *e) {
        EventTreeItem *watch = add(e, EventTreeItem::Value, QStringLiteral("watch"));
        marked(add(watch, EventTreeItem::Array, QStringLiteral("list"), QStringLiteral(" a, b")));
        marked(add(watch, EventTreeItem::Compound, QStringLiteral("users"), QStringLiteral("u"), QStringLiteral(R"({"u":{"succ":"1"}})")));
    }) << json(R"({"watch": {"list": [" a", "b"], "users": {"u": {"succ": "1"}}}})");

    QTest::newRow("marked object without marked parameters left out") << EventBuilder([](EventTreeItem *e) {
        EventTreeItem *params = marked(add(e, EventTreeItem::Value, QStringLiteral("params")));
        add(params, EventTreeItem::Value, QStringLiteral("a"), QStringLiteral("1"));
        EventTreeItem *outer = add(e, EventTreeItem::Value, QStringLiteral("outer"));
        EventTreeItem *inner = marked(add(outer, EventTreeItem::Value, QStringLiteral("inner")));
        add(inner, EventTreeItem::Value, QStringLiteral("b"), QStringLiteral("2"));
        marked(add(outer, EventTreeItem::Value, QStringLiteral("c"), QStringLiteral("3")));
    }) << json(R"({"outer": {"c": "3"}})");

    QTest::newRow("unmarked parameters left out") << EventBuilder([](EventTreeItem *e) {
        add(e, EventTreeItem::Array, QStringLiteral("list"), QStringLiteral("a"));
        add(e, EventTreeItem::Compound, QStringLiteral("files"), QStringLiteral("/a"), QStringLiteral(R"(["/a"])"));
        add(e, EventTreeItem::Value, QStringLiteral("level"), QStringLiteral("3"));
        marked(add(e, EventTreeItem::Value, QStringLiteral("x"), QStringLiteral("1")));
    }) << json(R"({"x": "1"})");
}

void EventsWriterTest::memberShapes()
{
    QFETCH(EventBuilder, build);
    QFETCH(QJsonObject, expected);
    QStringList errors;
    QCOMPARE(renderedEvent(build, &errors), expected);
    QCOMPARE(errors, QStringList());
}

void EventsWriterTest::invalidStoredJsonIsReportedNotWritten()
{
    QStringList errors;
    const QJsonObject event = renderedEvent(
        [](EventTreeItem *e) {
            marked(add(e, EventTreeItem::Compound, QStringLiteral("directories"), QStringLiteral("/a"), QStringLiteral("[{\"path\": \"/a\"")));
            marked(add(e, EventTreeItem::Value, QStringLiteral("level"), QStringLiteral("3")));
        },
        &errors);
    QCOMPARE(event, json(R"({"level": "3"})"));
    QCOMPARE(errors.size(), 1);
    QVERIFY(errors.first().contains(QLatin1String("directories")));
    QVERIFY(errors.first().contains(QLatin1String("ev")));
}

void EventsWriterTest::switchOfMarkedEvent_data()
{
    QTest::addColumn<EventBuilder>("build");
    QTest::addColumn<QJsonObject>("expected");

    const QJsonObject off = json(R"({"enabled": "0"})");
    const QJsonObject on = json(R"({"enabled": "1"})");

    QTest::newRow("switched off by its enabled value") << EventBuilder([](EventTreeItem *e) {
        e->checkState = Qt::Unchecked;
        marked(add(e, EventTreeItem::Value, QStringLiteral("enabled"), QStringLiteral("0")));
        add(e, EventTreeItem::Value, QStringLiteral("level"), QStringLiteral("3"));
    }) << off;

    QTest::newRow("unchecked event marked alone") << EventBuilder([](EventTreeItem *e) {
        marked(e)->checkState = Qt::Unchecked;
        add(e, EventTreeItem::Value, QStringLiteral("level"), QStringLiteral("3"));
    }) << off;

    QTest::newRow("switch value set by the model") << EventBuilder([](EventTreeItem *e) {
        marked(e)->checkState = Qt::Unchecked;
        add(e, EventTreeItem::Value, QStringLiteral("enabled"), 0);
    }) << off;

    QTest::newRow("marked object contributing nothing") << EventBuilder([](EventTreeItem *e) {
        e->checkState = Qt::Unchecked;
        add(e, EventTreeItem::Value, QStringLiteral("enabled"), QStringLiteral("0"));
        EventTreeItem *params = marked(add(e, EventTreeItem::Value, QStringLiteral("params")));
        add(params, EventTreeItem::Value, QStringLiteral("a"), QStringLiteral("1"));
    }) << off;

    // Marked for a change of its notification only: it must stay on.
    QTest::newRow("switched-on event marked alone") << EventBuilder([](EventTreeItem *e) {
        marked(e);
        add(e, EventTreeItem::Value, QStringLiteral("enabled"), QStringLiteral("1"));
    }) << on;

    QTest::newRow("checked event without enabled value") << EventBuilder([](EventTreeItem *e) {
        marked(e)->checkState = Qt::Checked;
    }) << on;
}

void EventsWriterTest::switchOfMarkedEvent()
{
    QFETCH(EventBuilder, build);
    QFETCH(QJsonObject, expected);
    QCOMPARE(renderedEvent(build), expected);
}

void EventsWriterTest::documentLayout()
{
    auto root = newRoot();
    EventTreeItem *first = add(root.get(), EventTreeItem::Group, QStringLiteral("g1"));
    marked(add(addEvent(first, QStringLiteral("zeta")), EventTreeItem::Value, QStringLiteral("level"), QStringLiteral("3")));
    add(addEvent(first, QStringLiteral("beta")), EventTreeItem::Value, QStringLiteral("level"), QStringLiteral("3"));
    addSwitchedEvent(add(root.get(), EventTreeItem::Group, QStringLiteral("g2")), QStringLiteral("alpha"), false, true);
    // An event whose group is unknown hangs directly below the root.
    marked(add(addEvent(root.get(), QStringLiteral("loose")), EventTreeItem::Value, QStringLiteral("x"), QStringLiteral("y")));

    RecordingService service;
    EventsWriter writer(service, SettingsFile, RulesFile);

    const QStringList lines = writer.createConfig(root.get());
    const QStringList expectedLines{
        QStringLiteral("{"),
        QStringLiteral("\t\"zeta\" : {\"level\":\"3\"},"),
        QStringLiteral("\t\"alpha\" : {\"enabled\":\"0\"},"),
        QStringLiteral("\t\"loose\" : {\"x\":\"y\"}"),
        QStringLiteral("}"),
    };
    QCOMPARE(lines, expectedLines);
    QCOMPARE(writer.getConfig(root.get()), expectedLines);
    QCOMPARE(parseLines(lines), writer.createDocument(root.get()));

    const QByteArray expectedFile =
        "{\n"
        "    \"alpha\": {\n"
        "        \"enabled\": \"0\"\n"
        "    },\n"
        "    \"loose\": {\n"
        "        \"x\": \"y\"\n"
        "    },\n"
        "    \"zeta\": {\n"
        "        \"level\": \"3\"\n"
        "    }\n"
        "}\n";
    QCOMPARE(writer.renderEventSettings(root.get()), expectedFile);
}

void EventsWriterTest::nothingMarked()
{
    auto root = newRoot();
    EventTreeItem *event = addSwitchedEvent(add(root.get(), EventTreeItem::Group, QStringLiteral("g")), QStringLiteral("ev"), true, false);
    add(event, EventTreeItem::Value, QStringLiteral("message-audit-rules"), QStringLiteral("-w /a -p wa -k /a"));

    RecordingService service;
    EventsWriter writer(service, SettingsFile, RulesFile);
    for (TreeItem *tree : {static_cast<TreeItem *>(root.get()), static_cast<TreeItem *>(nullptr)}) {
        QCOMPARE(writer.createConfig(tree), QStringList({QStringLiteral("{"), QStringLiteral("}")}));
        QCOMPARE(writer.renderEventSettings(tree), QByteArray("{\n}\n"));
        QCOMPARE(writer.renderAuditRules(), QByteArray());
    }
}

void EventsWriterTest::escaping_data()
{
    QTest::addColumn<QString>("text");

    QTest::newRow("double quotes") << QStringLiteral("say \"hi\" to \"%1\"");
    QTest::newRow("backslashes") << QStringLiteral("C:\\Program Files\\tarn\\");
    QTest::newRow("line break and tab") << QStringLiteral("first line\nsecond\tcolumn\r");
    QTest::newRow("Cyrillic") << QStringLiteral("Журнал событий «вход»");
    QTest::newRow("outside the BMP") << QStringLiteral("ключ 🔑 e\u0301");
    QTest::newRow("control character") << QStringLiteral("bell\u0007 nul-free");
    QTest::newRow("text closing the document") << QStringLiteral("\"}}, \"evil\": {\"enabled\": \"1");
    QTest::newRow("escape sequence as text") << QStringLiteral("\\u0041\\n");
}

// Values, keys and event identifiers holding characters that JSON must escape
// come back unchanged, and the file is never empty or malformed.
void EventsWriterTest::escaping()
{
    QFETCH(QString, text);
    const QString eventId = QStringLiteral("ev ") + text;
    QString listItem = text;
    listItem.replace(QLatin1String(", "), QLatin1String(","));

    auto root = newRoot();
    EventTreeItem *event = addEvent(add(root.get(), EventTreeItem::Group, QStringLiteral("g")), eventId);
    marked(add(event, EventTreeItem::Value, QStringLiteral("title"), text));
    EventTreeItem *params = add(event, EventTreeItem::Value, QStringLiteral("params"));
    marked(add(params, EventTreeItem::Value, text, text));
    marked(add(params, EventTreeItem::Array, QStringLiteral("list"), QString(listItem + QStringLiteral(", b"))));
    const QString table = QString::fromUtf8(QJsonDocument(QJsonObject{{text, QJsonObject{{QStringLiteral("succ"), text}}}}).toJson(QJsonDocument::Compact));
    marked(add(event, EventTreeItem::Compound, QStringLiteral("users"), text, table));

    RecordingService service;
    EventsWriter writer(service, SettingsFile, RulesFile);
    const QByteArray file = writer.renderEventSettings(root.get());
    QVERIFY(file.startsWith("{\n    \""));
    const QJsonObject written = parseObject(file).value(eventId).toObject();

    QCOMPARE(written.value(QStringLiteral("title")).toString(), text);
    const QJsonObject writtenParams = written.value(QStringLiteral("params")).toObject();
    QCOMPARE(writtenParams.value(text).toString(), text);
    QCOMPARE(writtenParams.value(QStringLiteral("list")).toArray(), QJsonArray({listItem, QStringLiteral("b")}));
    QCOMPARE(written.value(QStringLiteral("users")).toObject().value(text).toObject().value(QStringLiteral("succ")).toString(), text);

    QCOMPARE(parseLines(writer.createConfig(root.get())), parseObject(file));
}

void EventsWriterTest::auditRuleCollection()
{
    auto root = newRoot();
    EventTreeItem *group = add(root.get(), EventTreeItem::Group, QStringLiteral("g"));
    const auto addRules = [](EventTreeItem *owner, const char *rules) {
        return add(owner, EventTreeItem::Value, QStringLiteral("message-audit-rules"), QString::fromUtf8(rules));
    };

    // Rendered and on: its top-level rules count even when not marked.
    EventTreeItem *a = addSwitchedEvent(group, QStringLiteral("a"), true, false);
    marked(add(a, EventTreeItem::Value, QStringLiteral("level"), QStringLiteral("3")));
    addRules(a, "-w /a -p wa -k /a, -w /b -p wa -k /b");
    // A rule already collected is written once.
    addRules(addSwitchedEvent(group, QStringLiteral("b"), true, true), "-w /b -p wa -k /b");
    // Not rendered: nothing marked.
    addRules(addSwitchedEvent(group, QStringLiteral("c"), true, false), "-w /c -p wa -k /c");
    // Rendered but switched off.
    addRules(addSwitchedEvent(group, QStringLiteral("d"), false, true), "-w /d -p wa -k /d");
    // Without a switch of its own it counts as on.
    EventTreeItem *e = addEvent(group, QStringLiteral("e"));
    marked(add(e, EventTreeItem::Value, QStringLiteral("level"), QStringLiteral("1")));
    addRules(e, "-w /e -p wa -k /e");
    // Nested rules count when marked, under their own object's switch.
    EventTreeItem *f = addEvent(group, QStringLiteral("f"));
    EventTreeItem *watch = add(f, EventTreeItem::Value, QStringLiteral("watch"));
    add(watch, EventTreeItem::Value, QStringLiteral("enabled"), QStringLiteral("1"));
    marked(addRules(watch, "-a always,exit -F arch=b64 -S mount -k mount"));
    EventTreeItem *off = add(f, EventTreeItem::Value, QStringLiteral("off"));
    add(off, EventTreeItem::Value, QStringLiteral("enabled"), QStringLiteral("0"));
    marked(addRules(off, "-w /g -p wa -k /g"));
    EventTreeItem *quiet = add(f, EventTreeItem::Value, QStringLiteral("quiet"));
    marked(add(quiet, EventTreeItem::Value, QStringLiteral("enabled"), QStringLiteral("1")));
    addRules(quiet, "-w /h -p wa -k /h");

    RecordingService service;
    EventsWriter writer(service, SettingsFile, RulesFile);
    const QByteArray expected =
        "-w /a -p wa -k /a\n"
        "-w /b -p wa -k /b\n"
        "-w /e -p wa -k /e\n"
        "-a always,exit -F arch=b64 -S mount -k mount\n";
    writer.createConfig(root.get());
    QCOMPARE(writer.renderAuditRules(), expected);
    // Every rendering starts afresh instead of piling up.
    writer.renderEventSettings(root.get());
    QCOMPARE(writer.renderAuditRules(), expected);
}

void EventsWriterTest::noAuditRules()
{
    auto root = newRoot();
    EventTreeItem *group = add(root.get(), EventTreeItem::Group, QStringLiteral("g"));
    addSwitchedEvent(group, QStringLiteral("plain"), true, true);
    EventTreeItem *off = addSwitchedEvent(group, QStringLiteral("off"), false, true);
    add(off, EventTreeItem::Value, QStringLiteral("message-audit-rules"), QStringLiteral("-w /d -p wa -k /d"));

    RecordingService service;
    EventsWriter writer(service, SettingsFile, RulesFile);
    QVERIFY(writer.writeConfig(root.get()));
    QCOMPARE(service.writes.size(), 2);
    QCOMPARE(service.writes.at(1).first, RulesFile);
    QCOMPARE(service.writes.at(1).second, QByteArray());
}

void EventsWriterTest::writeConfigWritesBothFiles()
{
    auto root = newRoot();
    EventTreeItem *event = addSwitchedEvent(add(root.get(), EventTreeItem::Group, QStringLiteral("g")), QStringLiteral("ev"), true, false);
    marked(add(event, EventTreeItem::Value, QStringLiteral("path"), QStringLiteral("/var/log/\"quoted\"")));
    add(event, EventTreeItem::Value, QStringLiteral("message-audit-rules"), QStringLiteral("-w /x -p wa -k /x"));

    RecordingService service;
    EventsWriter writer(service, SettingsFile, RulesFile);
    QVERIFY(writer.writeConfig(root.get()));
    QCOMPARE(writer.errors(), QStringList());

    QCOMPARE(service.writes.size(), 2);
    QCOMPARE(service.writes.at(0).first, SettingsFile);
    QCOMPARE(service.writes.at(0).second, QByteArray("{\n    \"ev\": {\n        \"path\": \"/var/log/\\\"quoted\\\"\"\n    }\n}\n"));
    QCOMPARE(service.writes.at(1).first, RulesFile);
    QCOMPARE(service.writes.at(1).second, QByteArray("-w /x -p wa -k /x\n"));
}

void EventsWriterTest::failedWritesAreReported_data()
{
    QTest::addColumn<QStringList>("failing");
    QTest::newRow("settings file") << QStringList{SettingsFile};
    QTest::newRow("rules file") << QStringList{RulesFile};
    QTest::newRow("both") << QStringList{SettingsFile, RulesFile};
}

void EventsWriterTest::failedWritesAreReported()
{
    QFETCH(QStringList, failing);
    auto root = newRoot();
    addSwitchedEvent(add(root.get(), EventTreeItem::Group, QStringLiteral("g")), QStringLiteral("ev"), false, true);

    RecordingService service;
    service.failingPaths = failing;
    EventsWriter writer(service, SettingsFile, RulesFile);
    QVERIFY(!writer.writeConfig(root.get()));

    // One failure does not keep the other file from being written.
    QCOMPARE(service.writes.size(), 2);
    QCOMPARE(writer.errors().size(), failing.size());
    for (int i = 0; i < failing.size(); ++i) {
        QVERIFY2(writer.errors().at(i).contains(failing.at(i)), qPrintable(writer.errors().at(i)));
        QVERIFY(writer.errors().at(i).contains(QLatin1String("Permission denied")));
    }
}

void EventsWriterTest::baseWritesRenderedLines()
{
    RecordingService service;
    LinesWriter writer(service, QStringLiteral("/etc/x.conf"));
    QCOMPARE(writer.configFile(), QStringLiteral("/etc/x.conf"));
    QCOMPARE(&writer.configAccessService(), &service);
    QVERIFY(writer.writeConfig(nullptr));
    QCOMPARE(service.writes.size(), 1);
    QCOMPARE(service.writes.first().first, QStringLiteral("/etc/x.conf"));
    QCOMPARE(service.writes.first().second, QByteArray("a\nb\n"));

    service.failingPaths = QStringList{QStringLiteral("/etc/x.conf")};
    QVERIFY(!writer.writeConfig(nullptr));
    QCOMPARE(service.errorString(), QStringLiteral("Permission denied"));
}

QTEST_GUILESS_MAIN(EventsWriterTest)

#include "eventswritertest.moc"
