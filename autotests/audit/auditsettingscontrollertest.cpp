/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "auditsettingscontroller.h"
#include "actionids.h"
#include "auditsettings.h"
#include "audittestenvironment.h"
#include "checkabletreemodel.h"
#include "eventconfigstorage.h"
#include "eventtreeitem.h"
#include "fakeauditservice.h"
#include "singleeventsparser.h"
#include "systempaths.h"
#include "tarnevents.h"

#include <QDialogButtonBox>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPushButton>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QTableView>
#include <QTest>
#include <QTreeView>

#include <memory>

using SubjectTable = QHash<QPair<QString, QString>, int>;

// What a save tells: the system changed, or already held every value.
const std::expected<bool, QString> Changed = true;
const std::expected<bool, QString> Unchanged = false;
// A write that failed for `reason`.
std::expected<bool, QString> failedWith(const QString &reason)
{
    return std::unexpected(reason);
}

namespace
{
QPair<QString, QString> key(const QString &auditId, const QString &subject)
{
    return qMakePair(auditId, subject);
}

EventTreeItem *addNode(EventTreeItem *parent, const QString &name, const QVariant &value = QVariant(), const QVariant &table = QVariant())
{
    auto *node = new EventTreeItem({name, value, table}, parent);
    node->nativeName = name;
    node->kind = EventTreeItem::Value;
    parent->appendChild(node);
    return node;
}

QJsonObject entry(const char *succ, const char *fail)
{
    return {{QStringLiteral("succ"), QString::fromLatin1(succ)}, {QStringLiteral("fail"), QString::fromLatin1(fail)}};
}

QString compact(const QJsonObject &object)
{
    return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
}

// A tree of one group with events added by the tests, shaped as the parser
// builds it.
class Tree
{
public:
    Tree()
        : root(new EventTreeItem({QStringLiteral("Parameter"), QStringLiteral("Value")}))
    {
        group = addNode(root.get(), QStringLiteral("audit"));
        group->kind = EventTreeItem::Group;
    }

    EventTreeItem *addEvent(const QString &name, Qt::CheckState state)
    {
        EventTreeItem *event = addNode(group, name);
        event->kind = EventTreeItem::Event;
        event->checkable = true;
        event->checkState = state;
        return event;
    }

    // An event with an audit-event node `auditId`: "other" with the two
    // switches, and the tables `users` and `groups`.
    EventTreeItem *addAuditEvent(const QString &name,
                                 Qt::CheckState state,
                                 const QString &auditId,
                                 const char *succ,
                                 const char *fail,
                                 const QJsonObject &users = {},
                                 const QJsonObject &groups = {})
    {
        EventTreeItem *event = addEvent(name, state);
        addNode(event, QStringLiteral("enabled"), state == Qt::Checked ? QStringLiteral("1") : QStringLiteral("0"));
        EventTreeItem *auditEvents = addNode(event, QStringLiteral("message-audit-events"));
        EventTreeItem *auditEvent = addNode(auditEvents, auditId);
        EventTreeItem *other = addNode(auditEvent, QStringLiteral("other"));
        other->checkable = true;
        for (const auto &[switchName, value] : {std::pair{"succ", succ}, std::pair{"fail", fail}}) {
            EventTreeItem *item = addNode(other, QString::fromLatin1(switchName), QString::fromLatin1(value));
            item->checkable = true;
            item->checkState = QLatin1String(value) == QLatin1String("1") ? Qt::Checked : Qt::Unchecked;
        }
        addNode(auditEvent, QStringLiteral("users"), QStringList(users.keys()).join(QLatin1String(", ")), compact(users))->kind = EventTreeItem::Compound;
        addNode(auditEvent, QStringLiteral("groups"), QStringList(groups.keys()).join(QLatin1String(", ")), compact(groups))->kind = EventTreeItem::Compound;
        return event;
    }

    EventTreeItem *addOldFormatEvent(const QString &name, Qt::CheckState state, const QString &auditId)
    {
        EventTreeItem *event = addEvent(name, state);
        addNode(event, QStringLiteral("message-audit-events"), auditId);
        return event;
    }

    std::unique_ptr<EventTreeItem> root;
    EventTreeItem *group;
};

EventTreeItem *find(const EventTreeItem *below, const QString &name)
{
    return below->findChildByNativeName(name);
}

// The switch `name` ("succ" or "fail") of the "other" node of `event`.
const EventTreeItem *otherSwitch(const EventTreeItem *event, const char *name)
{
    return find(find(event, QStringLiteral("other")), QString::fromLatin1(name));
}

QJsonObject tableOf(const EventTreeItem *event, const char *name)
{
    return QJsonDocument::fromJson(find(event, QString::fromLatin1(name))->data(2).toString().toUtf8()).object();
}
}

// The module's audit settings: what the tree asks for after an edit, what the
// system's settings make of the trees at the first load, and what is sent on
// save.
class AuditSettingsControllerTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // ---- recomputing the wanted state from the working tree ----

    void aCheckedEventSwitchesItsSettingsOn()
    {
        Tree tree;
        tree.addAuditEvent(QStringLiteral("audit-chmod"),
                           Qt::Checked,
                           QStringLiteral("chmod"),
                           "1",
                           "0",
                           {{QStringLiteral("alice"), entry("1", "1")}, {QStringLiteral("bob"), entry("0", "0")}},
                           {{QStringLiteral("wheel"), entry("0", "1")}});
        FakeAuditService service;
        AuditSettingsController controller(&service, nullptr);
        controller.checkAuditSettings(tree.root.get());

        const AuditSettings *settings = controller.settings();
        QCOMPARE(settings->otherSettings, (QHash<QString, int>{{QStringLiteral("chmod"), 1}}));
        QCOMPARE(settings->userSettings,
                 (SubjectTable{{key(QStringLiteral("chmod"), QStringLiteral("alice")), 3}, {key(QStringLiteral("chmod"), QStringLiteral("bob")), 0}}));
        QCOMPARE(settings->groupSettings, (SubjectTable{{key(QStringLiteral("chmod"), QStringLiteral("wheel")), 2}}));
    }

    void anUncheckedEventCannotSwitchOffWhatACheckedOneWants()
    {
        Tree tree;
        // The unchecked event comes first and would switch everything off.
        tree.addAuditEvent(QStringLiteral("chmod-copy"), Qt::Unchecked, QStringLiteral("chmod"), "1", "1", {{QStringLiteral("alice"), entry("1", "1")}});
        tree.addAuditEvent(QStringLiteral("audit-chmod"), Qt::Checked, QStringLiteral("chmod"), "1", "0", {{QStringLiteral("alice"), entry("1", "0")}});
        FakeAuditService service;
        AuditSettingsController controller(&service, nullptr);
        controller.checkAuditSettings(tree.root.get());

        QCOMPARE(controller.settings()->otherSettings.value(QStringLiteral("chmod")), 1);
        QCOMPARE(controller.settings()->userSettings.value(key(QStringLiteral("chmod"), QStringLiteral("alice"))), 1);
    }

    void twoCheckedEventsOfOneIdentifierMerge()
    {
        Tree tree;
        tree.addAuditEvent(QStringLiteral("exec-success"), Qt::Checked, QStringLiteral("exec"), "1", "0", {}, {{QStringLiteral("wheel"), entry("1", "0")}});
        tree.addAuditEvent(QStringLiteral("exec-failure"), Qt::Checked, QStringLiteral("exec"), "0", "1", {}, {{QStringLiteral("wheel"), entry("0", "1")}});
        FakeAuditService service;
        AuditSettingsController controller(&service, nullptr);
        controller.checkAuditSettings(tree.root.get());

        QCOMPARE(controller.settings()->otherSettings.value(QStringLiteral("exec")), 3);
        QCOMPARE(controller.settings()->groupSettings.value(key(QStringLiteral("exec"), QStringLiteral("wheel"))), 3);
    }

    void anUncheckedEventSendsZeroForAllItsKeys_data()
    {
        QTest::addColumn<int>("state");
        QTest::newRow("unchecked") << int(Qt::Unchecked);
        QTest::newRow("partially checked") << int(Qt::PartiallyChecked);
    }

    void anUncheckedEventSendsZeroForAllItsKeys()
    {
        QFETCH(int, state);
        Tree tree;
        tree.addAuditEvent(QStringLiteral("audit-net"),
                           static_cast<Qt::CheckState>(state),
                           QStringLiteral("net"),
                           "1",
                           "1",
                           {{QStringLiteral("alice"), entry("1", "1")}, {QStringLiteral("bob"), entry("0", "1")}},
                           {{QStringLiteral("users"), entry("1", "0")}});
        FakeAuditService service;
        AuditSettingsController controller(&service, nullptr);
        controller.checkAuditSettings(tree.root.get());

        QCOMPARE(controller.settings()->otherSettings, (QHash<QString, int>{{QStringLiteral("net"), 0}}));
        QCOMPARE(controller.settings()->userSettings,
                 (SubjectTable{{key(QStringLiteral("net"), QStringLiteral("alice")), 0}, {key(QStringLiteral("net"), QStringLiteral("bob")), 0}}));
        QCOMPARE(controller.settings()->groupSettings, (SubjectTable{{key(QStringLiteral("net"), QStringLiteral("users")), 0}}));
    }

    void anEventThatCannotBeCheckedCountsAsUnchecked()
    {
        Tree tree;
        EventTreeItem *event = tree.addAuditEvent(QStringLiteral("audit-mount"), Qt::Checked, QStringLiteral("mount"), "1", "1");
        event->checkable = false;
        FakeAuditService service;
        AuditSettingsController controller(&service, nullptr);
        controller.checkAuditSettings(tree.root.get());
        QCOMPARE(controller.settings()->otherSettings.value(QStringLiteral("mount"), -1), 0);
    }

    void oldFormatEventsApplyToEverySubject_data()
    {
        QTest::addColumn<int>("state");
        QTest::addColumn<int>("expected");
        QTest::newRow("checked") << int(Qt::Checked) << 3;
        QTest::newRow("unchecked") << int(Qt::Unchecked) << 0;
    }

    void oldFormatEventsApplyToEverySubject()
    {
        QFETCH(int, state);
        QFETCH(int, expected);
        Tree tree;
        tree.addOldFormatEvent(QStringLiteral("audit-exec-old"), static_cast<Qt::CheckState>(state), QStringLiteral("exec"));
        FakeAuditService service;
        AuditSettingsController controller(&service, nullptr);
        controller.setSubjects({QStringLiteral("alice"), QStringLiteral("bob")}, {QStringLiteral("wheel")});
        controller.checkAuditSettings(tree.root.get());

        QCOMPARE(controller.settings()->otherSettings, (QHash<QString, int>{{QStringLiteral("exec"), expected}}));
        QCOMPARE(
            controller.settings()->userSettings,
            (SubjectTable{{key(QStringLiteral("exec"), QStringLiteral("alice")), expected}, {key(QStringLiteral("exec"), QStringLiteral("bob")), expected}}));
        QCOMPARE(controller.settings()->groupSettings, (SubjectTable{{key(QStringLiteral("exec"), QStringLiteral("wheel")), expected}}));
    }

    void anOldFormatEventWithoutIdentifierNamesNothing()
    {
        Tree tree;
        tree.addOldFormatEvent(QStringLiteral("audit-nothing"), Qt::Checked, QString());
        FakeAuditService service;
        AuditSettingsController controller(&service, nullptr);
        controller.setSubjects({QStringLiteral("alice")}, {QStringLiteral("wheel")});
        controller.checkAuditSettings(tree.root.get());
        QVERIFY(controller.settings()->otherSettings.isEmpty());
        QVERIFY(controller.settings()->userSettings.isEmpty());
        QVERIFY(controller.settings()->groupSettings.isEmpty());
    }

    void recomputingStartsAfresh()
    {
        Tree tree;
        EventTreeItem *event =
            tree.addAuditEvent(QStringLiteral("audit-chmod"), Qt::Checked, QStringLiteral("chmod"), "1", "1", {{QStringLiteral("alice"), entry("1", "1")}});
        tree.addEvent(QStringLiteral("no-audit"), Qt::Checked);
        FakeAuditService service;
        AuditSettingsController controller(&service, nullptr);
        controller.checkAuditSettings(tree.root.get());
        QCOMPARE(controller.settings()->otherSettings.value(QStringLiteral("chmod")), 3);

        // Unchecking switches off what the earlier pass switched on.
        event->checkState = Qt::Unchecked;
        controller.checkAuditSettings(tree.root.get());
        QCOMPARE(controller.settings()->otherSettings.value(QStringLiteral("chmod"), -1), 0);
        QCOMPARE(controller.settings()->userSettings.value(key(QStringLiteral("chmod"), QStringLiteral("alice")), -1), 0);
    }

    void switchesAsTheModelWritesThem()
    {
        // A click stores the integers 1 and 0 in the switches' value cells.
        Tree tree;
        EventTreeItem *event = tree.addAuditEvent(QStringLiteral("audit-uid"), Qt::Checked, QStringLiteral("uid"), "0", "0");
        find(find(event, QStringLiteral("other")), QStringLiteral("fail"))->setData(1, 1);
        find(find(event, QStringLiteral("other")), QStringLiteral("succ"))->setData(1, 0);
        FakeAuditService service;
        AuditSettingsController controller(&service, nullptr);
        controller.checkAuditSettings(tree.root.get());
        QCOMPARE(controller.settings()->otherSettings.value(QStringLiteral("uid")), 2);
    }

    void incompleteAuditEventsAreReadAsFarAsTheyGo()
    {
        Tree tree;
        EventTreeItem *event = tree.addAuditEvent(QStringLiteral("audit-cap"),
                                                  Qt::Checked,
                                                  QStringLiteral("cap"),
                                                  "1",
                                                  "1",
                                                  {{QStringLiteral("alice"), entry("0", "1")}},
                                                  {{QStringLiteral("wheel"), entry("1", "0")}});
        EventTreeItem *auditEvent = find(event, QStringLiteral("cap"));
        auditEvent->deleteChild(find(event, QStringLiteral("other"))->row());
        auditEvent->deleteChild(find(event, QStringLiteral("groups"))->row());
        // A table whose text is no JSON object has no names.
        EventTreeItem *broken = tree.addAuditEvent(QStringLiteral("audit-acl"), Qt::Unchecked, QStringLiteral("acl"), "1", "1");
        find(broken, QStringLiteral("users"))->setData(2, QStringLiteral("alice, bob"));

        FakeAuditService service;
        AuditSettingsController controller(&service, nullptr);
        controller.checkAuditSettings(tree.root.get());
        QCOMPARE(controller.settings()->otherSettings, (QHash<QString, int>{{QStringLiteral("acl"), 0}}));
        QCOMPARE(controller.settings()->userSettings, (SubjectTable{{key(QStringLiteral("cap"), QStringLiteral("alice")), 2}}));
        QVERIFY(controller.settings()->groupSettings.isEmpty());

        // Writing the system's state into such a tree changes nothing else.
        controller.getAuditSettings();
        controller.synchronizeAuditSettings(tree.root.get());
        QCOMPARE(find(broken, QStringLiteral("users"))->data(2).toString(), QStringLiteral("{}"));
        QCOMPARE(find(broken, QStringLiteral("users"))->data(1).toString(), QString());
    }

    // ---- the first load: reading and writing into the trees ----

    void readsEveryIdentifierForEverySubject()
    {
        FakeAuditService service;
        AuditSettingsController controller(&service, nullptr);
        controller.setSubjects({QStringLiteral("alice"), QStringLiteral("bob"), QStringLiteral("alice")}, {QStringLiteral("wheel")});
        QCOMPARE(controller.users(), QStringList({QStringLiteral("alice"), QStringLiteral("bob")}));
        service.setValue(QStringLiteral("net"), 1, QStringLiteral("bob"), 2);
        service.setValue(QStringLiteral("net"), 2, QStringLiteral("wheel"), 1);
        service.setValue(QStringLiteral("net"), 4, QString(), 3);

        controller.getAuditSettings();

        QCOMPARE(service.requests.size(), 3);
        const QStringList ids = controller.settings()->auditIDs;
        QCOMPARE(service.requests.at(0).arguments,
                 (QVariantMap{{QStringLiteral("list"), controller.users()}, {QStringLiteral("auditType"), 1}, {QStringLiteral("auditIDs"), ids}}));
        QCOMPARE(
            service.requests.at(1).arguments,
            (QVariantMap{{QStringLiteral("list"), QStringList{QStringLiteral("wheel")}}, {QStringLiteral("auditType"), 2}, {QStringLiteral("auditIDs"), ids}}));
        QCOMPARE(service.requests.at(2).arguments.value(QStringLiteral("auditType")), QVariant(4));

        QCOMPARE(controller.settings()->userSettings.size(), 17 * 2);
        QCOMPARE(controller.settings()->groupSettings.size(), 17);
        QCOMPARE(controller.settings()->otherSettings.size(), 17);
        QCOMPARE(controller.settings()->userSettings.value(key(QStringLiteral("net"), QStringLiteral("bob"))), 2);
        QCOMPARE(controller.settings()->groupSettings.value(key(QStringLiteral("net"), QStringLiteral("wheel"))), 1);
        QCOMPARE(controller.settings()->otherSettings.value(QStringLiteral("net")), 3);
        QVERIFY(controller.usersRead() && controller.groupsRead() && controller.otherRead());
    }

    void synchronisingWritesTheSystemIntoTheTree()
    {
        Tree tree;
        EventTreeItem *chmod = tree.addAuditEvent(QStringLiteral("audit-chmod"),
                                                  Qt::Checked,
                                                  QStringLiteral("chmod"),
                                                  "1",
                                                  "0",
                                                  {{QStringLiteral("alice"), entry("1", "1")}, {QStringLiteral("bob"), entry("0", "0")}},
                                                  {{QStringLiteral("wheel"), entry("0", "0")}});
        EventTreeItem *old = tree.addOldFormatEvent(QStringLiteral("audit-delete"), Qt::Checked, QStringLiteral("delete"));
        FakeAuditService service;
        service.setValue(QStringLiteral("chmod"), 4, QString(), 2);
        service.setValue(QStringLiteral("chmod"), 1, QStringLiteral("bob"), 1);
        service.setValue(QStringLiteral("chmod"), 2, QStringLiteral("wheel"), 3);
        AuditSettingsController controller(&service, nullptr);
        controller.setSubjects({QStringLiteral("alice"), QStringLiteral("bob")}, {QStringLiteral("wheel")});
        controller.getAuditSettings();
        controller.synchronizeAuditSettings(tree.root.get());

        QCOMPARE(otherSwitch(chmod, "succ")->data(1), QVariant(QStringLiteral("0")));
        QCOMPARE(otherSwitch(chmod, "succ")->checkState, int(Qt::Unchecked));
        QCOMPARE(otherSwitch(chmod, "fail")->data(1), QVariant(QStringLiteral("1")));
        QCOMPARE(otherSwitch(chmod, "fail")->checkState, int(Qt::Checked));
        QCOMPARE(tableOf(chmod, "users"), (QJsonObject{{QStringLiteral("alice"), entry("0", "0")}, {QStringLiteral("bob"), entry("1", "0")}}));
        QCOMPARE(tableOf(chmod, "groups"), (QJsonObject{{QStringLiteral("wheel"), entry("1", "1")}}));
        // The names shown stay as they were.
        QCOMPARE(find(chmod, QStringLiteral("users"))->data(1), QVariant(QStringLiteral("alice, bob")));
        // Old-format events have nothing to show.
        QCOMPARE(find(old, QStringLiteral("message-audit-events"))->data(1), QVariant(QStringLiteral("delete")));
        QCOMPARE(find(old, QStringLiteral("message-audit-events"))->childCount(), 0);
    }

    void synchronisingAnEmptyReadShowsZeros()
    {
        Tree tree;
        EventTreeItem *net = tree.addAuditEvent(
            QStringLiteral("audit-net"),
            Qt::Checked,
            QStringLiteral("net"),
            "1",
            "1",
            {{QStringLiteral("alice"), QJsonObject{{QStringLiteral("succ"), QStringLiteral("1")}, {QStringLiteral("note"), QStringLiteral("kept")}}}});
        FakeAuditService service;
        AuditSettingsController controller(&service, nullptr);
        // No subjects: the system is read, but holds nothing for alice.
        controller.getAuditSettings();
        QVERIFY(controller.settings()->userSettings.isEmpty());
        controller.synchronizeAuditSettings(tree.root.get());

        QCOMPARE(tableOf(net, "users"),
                 (QJsonObject{{QStringLiteral("alice"),
                               QJsonObject{{QStringLiteral("succ"), QStringLiteral("0")},
                                           {QStringLiteral("fail"), QStringLiteral("0")},
                                           {QStringLiteral("note"), QStringLiteral("kept")}}}}));
        QCOMPARE(otherSwitch(net, "succ")->data(1), QVariant(QStringLiteral("0")));
        QCOMPARE(otherSwitch(net, "fail")->checkState, int(Qt::Unchecked));
        // The names shown are entered with 0.
        QCOMPARE(controller.settings()->otherSettings.value(QStringLiteral("net"), -1), 0);
        QCOMPARE(controller.settings()->userSettings, (SubjectTable{{key(QStringLiteral("net"), QStringLiteral("alice")), 0}}));
    }

    void bothTreesOfTheSampleCatalogueShowTheSystem()
    {
        AuditTestEnvironment environment;
        QVERIFY(environment.isValid());
        const SingleEventsParser parser;
        QVERIFY(parser.isConfigCorrect());
        const std::unique_ptr<EventTreeItem> working(parser.parse());
        const std::unique_ptr<EventTreeItem> reference(parser.parse());
        QVERIFY(working && reference);

        FakeAuditService service;
        service.setValue(QStringLiteral("chmod"), 4, QString(), 1);
        service.setValue(QStringLiteral("chmod"), 1, QStringLiteral("bob"), 2);
        service.setValue(QStringLiteral("mount"), 2, QStringLiteral("tarn-admin"), 3);
        // The switched-on old-format event audits "delete" for everybody.
        service.setValue(QStringLiteral("delete"), 4, QString(), 3);
        for (const char *user : {"alice", "bob"}) {
            service.setValue(QStringLiteral("delete"), 1, QString::fromLatin1(user), 3);
        }
        for (const char *group : {"alice", "bob", "auditors", "tarn-admin", "users"}) {
            service.setValue(QStringLiteral("delete"), 2, QString::fromLatin1(group), 3);
        }
        AuditSettingsController controller(&service, nullptr);
        controller.updateSubjects(parser.defaultUsers(), parser.defaultGroups(), working.get());
        QCOMPARE(controller.users(), QStringList({QStringLiteral("alice"), QStringLiteral("bob")}));
        QCOMPARE(
            controller.groups(),
            QStringList({QStringLiteral("alice"), QStringLiteral("bob"), QStringLiteral("auditors"), QStringLiteral("tarn-admin"), QStringLiteral("users")}));

        controller.getAuditSettings();
        controller.synchronizeAuditSettings(working.get());
        controller.synchronizeAuditSettings(reference.get());

        for (const EventTreeItem *root : {working.get(), reference.get()}) {
            const EventTreeItem *chmod = find(root, QStringLiteral("audit-chmod"));
            QCOMPARE(otherSwitch(chmod, "succ")->data(1), QVariant(QStringLiteral("1")));
            QCOMPARE(otherSwitch(chmod, "fail")->data(1), QVariant(QStringLiteral("0")));
            QCOMPARE(tableOf(chmod, "users"), (QJsonObject{{QStringLiteral("alice"), entry("0", "0")}, {QStringLiteral("bob"), entry("0", "1")}}));
            const EventTreeItem *mount = find(root, QStringLiteral("audit-mount"));
            QCOMPARE(tableOf(mount, "groups").value(QStringLiteral("tarn-admin")).toObject(), entry("1", "1"));
            QCOMPARE(tableOf(mount, "groups").value(QStringLiteral("auditors")).toObject(), entry("0", "0"));
        }

        // Loading makes no difference between the trees, and what the
        // working tree asks for is what the system holds.
        QCOMPARE(compact(tableOf(find(working.get(), QStringLiteral("audit-chmod")), "users")),
                 compact(tableOf(find(reference.get(), QStringLiteral("audit-chmod")), "users")));
        service.requests.clear();
        QCOMPARE(controller.saveAuditSettings(), Unchanged);
        controller.checkAuditSettings(working.get());
        QCOMPARE(controller.saveAuditSettings(), Unchanged);
        QCOMPARE(service.value(QStringLiteral("chmod"), 1, QStringLiteral("bob")), 2);
    }

    void theSampleStoreHoldsWhatTheCatalogueAsksFor()
    {
        // So that the demo starts with nothing to write to the system.
        AuditTestEnvironment environment;
        QVERIFY(environment.isValid());
        const SingleEventsParser parser;
        const std::unique_ptr<EventTreeItem> tree(parser.parse());
        QVERIFY(tree);
        AuditSettingsController controller(nullptr, nullptr);
        controller.updateSubjects(parser.defaultUsers(), parser.defaultGroups(), tree.get());
        controller.checkAuditSettings(tree.get());

        const AuditSettings *wanted = controller.settings();
        QJsonObject store;
        QStringList differences;
        const auto compare = [&](const QString &auditId, int auditType, const QString &subject, int value) {
            QJsonObject byType = store.value(auditId).toObject();
            QJsonObject bySubject = byType.value(QString::number(auditType)).toObject();
            bySubject.insert(subject, value);
            byType.insert(QString::number(auditType), bySubject);
            store.insert(auditId, byType);
            if (tnevas_get_audit_event(auditId.toUtf8().constData(), auditType, subject.toUtf8().constData()) != value) {
                differences << QStringLiteral("%1/%2/%3").arg(auditId).arg(auditType).arg(subject);
            }
        };
        for (auto it = wanted->otherSettings.cbegin(); it != wanted->otherSettings.cend(); ++it) {
            compare(it.key(), AuditSettings::OtherType, QString(), it.value());
        }
        for (const auto &[table, auditType] :
             {std::pair{&wanted->userSettings, AuditSettings::UserType}, std::pair{&wanted->groupSettings, AuditSettings::GroupType}}) {
            for (auto it = table->cbegin(); it != table->cend(); ++it) {
                compare(it.key().first, auditType, it.key().second, it.value());
            }
        }
        QVERIFY2(differences.isEmpty(),
                 qPrintable(differences.join(QLatin1Char(' ')) + QStringLiteral("\nThe catalogue asks for:\n")
                            + QString::fromUtf8(QJsonDocument(store).toJson(QJsonDocument::Indented))));
    }

    // ---- saving ----

    void savingTellsWhetherTheSystemChanged()
    {
        FakeAuditService service;
        service.setValue(QStringLiteral("open"), 4, QString(), 1);
        service.setValue(QStringLiteral("open"), 1, QStringLiteral("alice"), 3);
        AuditSettingsController controller(&service, nullptr);
        controller.setSubjects({QStringLiteral("alice")}, {});
        controller.getAuditSettings();
        service.requests.clear();

        // As read: nothing to change, nothing sent.
        QCOMPARE(controller.saveAuditSettings(), Unchanged);
        QVERIFY(service.writes().isEmpty());

        // Only the "other" table differs: only it is sent.
        controller.settings()->otherSettings[QStringLiteral("open")] = 3;
        QCOMPARE(controller.saveAuditSettings(), Changed);
        QCOMPARE(service.writes().size(), 1);
        QCOMPARE(service.writes().at(0).value(QStringLiteral("AUDIT_TYPE")), QVariant(4));
        QCOMPARE(service.value(QStringLiteral("open"), 4, QString()), 3);

        // Only the user table differs.
        controller.settings()->userSettings[key(QStringLiteral("open"), QStringLiteral("alice"))] = 0;
        QCOMPARE(controller.saveAuditSettings(), Changed);
        QCOMPARE(service.value(QStringLiteral("open"), 1, QStringLiteral("alice")), 0);
        // What was written is what the system holds now.
        service.requests.clear();
        QCOMPARE(controller.saveAuditSettings(), Unchanged);
        QVERIFY(service.writes().isEmpty());

        // A name that was not read is left to the helper to compare.
        controller.settings()->userSettings[key(QStringLiteral("open"), QStringLiteral("carol"))] = 0;
        QCOMPARE(controller.saveAuditSettings(), Unchanged);
        QCOMPARE(service.writes().size(), 1);
    }

    void laterLoadsShowWhatTheSystemHolds()
    {
        // The tree of a later load comes from the catalogue, not the system.
        const auto catalogueTree = [](Tree &tree) {
            return tree
                .addAuditEvent(QStringLiteral("audit-chmod"), Qt::Checked, QStringLiteral("chmod"), "0", "1", {{QStringLiteral("alice"), entry("1", "1")}});
        };
        FakeAuditService service;
        service.setValue(QStringLiteral("chmod"), 4, QString(), 1);
        AuditSettingsController controller(&service, nullptr);
        controller.setSubjects({QStringLiteral("alice")}, {});
        controller.getAuditSettings();
        Tree first;
        EventTreeItem *chmod = catalogueTree(first);
        controller.synchronizeAuditSettings(first.root.get());
        // The administrator audits alice's successes; the apply writes it.
        find(chmod, QStringLiteral("users"))->setData(2, compact({{QStringLiteral("alice"), entry("1", "0")}}));
        controller.checkAuditSettings(first.root.get());
        QCOMPARE(controller.saveAuditSettings(), Changed);

        Tree reloaded;
        chmod = catalogueTree(reloaded);
        controller.synchronizeAuditSettings(reloaded.root.get());
        QCOMPARE(otherSwitch(chmod, "succ")->data(1), QVariant(QStringLiteral("1")));
        QCOMPARE(otherSwitch(chmod, "fail")->checkState, int(Qt::Unchecked));
        QCOMPARE(tableOf(chmod, "users"), (QJsonObject{{QStringLiteral("alice"), entry("1", "0")}}));
        // An unrelated edit then asks the system for nothing.
        service.requests.clear();
        controller.checkAuditSettings(reloaded.root.get());
        QCOMPARE(controller.saveAuditSettings(), Unchanged);
        QVERIFY(service.writes().isEmpty());
    }

    void aFailedWriteStopsTheSave()
    {
        FakeAuditService service;
        AuditSettingsController controller(&service, nullptr);
        controller.setSubjects({QStringLiteral("alice")}, {QStringLiteral("wheel")});
        controller.getAuditSettings();
        controller.settings()->groupSettings[key(QStringLiteral("open"), QStringLiteral("wheel"))] = 3;
        controller.settings()->otherSettings[QStringLiteral("open")] = 3;
        service.requests.clear();

        // The helper wrote some values and not "open/wheel".
        const QString failure = QString::fromLatin1(ActionIds::AuditWriteFailedError) + QStringLiteral(": open/wheel");
        service.setFailure(failure);
        QCOMPARE(controller.saveAuditSettings(), failedWith(failure));
        // The group table failed: nothing more is sent.
        QCOMPARE(service.writes().size(), 1);
        QCOMPARE(service.writes().first().value(QStringLiteral("AUDIT_TYPE")), QVariant(2));
    }

    void aFailedReadCannotWipeTheSystem()
    {
        Tree tree;
        EventTreeItem *chmod = tree.addAuditEvent(QStringLiteral("audit-chmod"),
                                                  Qt::Checked,
                                                  QStringLiteral("chmod"),
                                                  "1",
                                                  "1",
                                                  {{QStringLiteral("alice"), entry("1", "1")}, {QStringLiteral("bob"), entry("1", "1")}});
        FakeAuditService service;
        service.setValue(QStringLiteral("chmod"), 4, QString(), 3);
        service.setValue(QStringLiteral("chmod"), 1, QStringLiteral("alice"), 3);
        service.setValue(QStringLiteral("chmod"), 1, QStringLiteral("bob"), 1);
        AuditSettingsController controller(&service, nullptr);
        controller.setSubjects({QStringLiteral("alice"), QStringLiteral("bob")}, {});

        service.setFailure(QStringLiteral("Authorization cancelled"));
        controller.getAuditSettings();
        QVERIFY(!controller.usersRead() && !controller.groupsRead() && !controller.otherRead());
        controller.synchronizeAuditSettings(tree.root.get());
        service.setFailure(QString());
        service.requests.clear();

        // The tree keeps what the catalogue says instead of a made-up 0.
        QCOMPARE(otherSwitch(chmod, "succ")->data(1), QVariant(QStringLiteral("1")));
        QCOMPARE(otherSwitch(chmod, "fail")->checkState, int(Qt::Checked));
        QCOMPARE(tableOf(chmod, "users").value(QStringLiteral("bob")).toObject(), entry("1", "1"));

        // Not changed: nothing is sent.
        controller.checkAuditSettings(tree.root.get());
        QCOMPARE(controller.saveAuditSettings(), Unchanged);
        QVERIFY(service.writes().isEmpty());

        // What the administrator changes is sent, and only that.
        QJsonObject users = tableOf(chmod, "users");
        users.insert(QStringLiteral("bob"), entry("0", "1"));
        find(chmod, QStringLiteral("users"))->setData(2, compact(users));
        controller.checkAuditSettings(tree.root.get());
        QCOMPARE(controller.saveAuditSettings(), Changed);
        QCOMPARE(service.writes(), (QList<QVariantMap>{{{QStringLiteral("AUDIT_TYPE"), 1}, {QStringLiteral("chmod/bob"), 2}}}));
        QCOMPARE(service.value(QStringLiteral("chmod"), 1, QStringLiteral("alice")), 3);
        QCOMPARE(service.value(QStringLiteral("chmod"), 4, QString()), 3);
    }

    // ---- the audit dialog in the event view ----

    void editingATableOpensTheDialogOnIt()
    {
        QStandardItemModel model;
        model.appendRow({new QStandardItem(QStringLiteral("users")),
                         new QStandardItem(QStringLiteral("alice")),
                         new QStandardItem(compact({{QStringLiteral("alice"), entry("1", "0")}}))});
        AuditDialog dialog(nullptr);
        AuditSettingsController::editTable(&dialog, model.index(0, 1), AuditDialog::Groups);

        QVERIFY(dialog.isVisible());
        QCOMPARE(dialog.windowTitle(), QStringLiteral("users"));
        const QAbstractItemModel *table = dialog.findChild<QTableView *>(QStringLiteral("tableView"))->model();
        QCOMPARE(table->rowCount(), 1);
        QCOMPARE(table->index(0, 1).data(Qt::CheckStateRole).toInt(), int(Qt::Checked));

        QSignalSpy edited(&dialog, &AuditDialog::auditSettingsEdited);
        dialog.findChild<QDialogButtonBox *>(QStringLiteral("buttonBox"))->button(QDialogButtonBox::Ok)->click();
        QCOMPARE(edited.first().first().value<QList<QVariant>>().at(2), QVariant(int(AuditDialog::Groups)));
    }

    void anAcceptedTableReplacesTheCurrentRow()
    {
        AuditTestEnvironment environment;
        QVERIFY(environment.isValid());
        const SingleEventsParser parser;
        const EventConfigStorage storage(SystemPaths::resolve(SystemPaths::EventSettingsDir));
        CheckableTreeModel model(storage);
        model.setRootItem(parser.parse());
        QTreeView view;
        view.setModel(&model);
        QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);

        // Nothing selected: nothing written.
        const QList<QVariant> values{QStringLiteral("alice"), QStringLiteral(R"({ "alice" : { "succ": "0", "fail": "1" } })"), int(AuditDialog::Users)};
        QVERIFY(!AuditSettingsController::acceptTable(&view, values));
        QCOMPARE(changed.count(), 0);

        EventTreeItem *chmod = find(model.rootItem(), QStringLiteral("audit-chmod"));
        const QModelIndex event = model.findChildByNativeName(model.index(chmod->parentItem()->row(), 0), QStringLiteral("audit-chmod"));
        const QModelIndex users = model.findChildByNativeName(event, QStringLiteral("users"));
        QVERIFY(users.isValid());
        view.setCurrentIndex(users.siblingAtColumn(1));
        QVERIFY(AuditSettingsController::acceptTable(&view, values));

        const EventTreeItem *table = find(chmod, QStringLiteral("users"));
        QCOMPARE(table->data(1), QVariant(QStringLiteral("alice")));
        QCOMPARE(tableOf(chmod, "users"), (QJsonObject{{QStringLiteral("alice"), entry("0", "1")}}));
        QCOMPARE(changed.count(), 2);
        QCOMPARE(changed.at(0).at(0).toModelIndex(), users.siblingAtColumn(1));
        QCOMPARE(changed.at(1).at(0).toModelIndex(), users.siblingAtColumn(2));
    }
};

QTEST_MAIN(AuditSettingsControllerTest)

#include "auditsettingscontrollertest.moc"
