/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "messageboxwatcher.h"
#include "moduletestenvironment.h"

#include "actionids.h"
#include "admineventsmodule.h"
#include "changesdialog.h"
#include "checkabletreemodel.h"
#include "configaccessservice.h"
#include "dbusdialog.h"
#include "diskspacemondialog.h"
#include "eventexample.h"
#include "eventfinder.h"
#include "eventsproxymodel.h"
#include "eventtreeitem.h"
#include "fakeauditservice.h"
#include "filesdialog.h"
#include "loggingservice.h"
#include "scriptedservice.h"

#include <statewidget.h>

#include <KMessageWidget>

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileSystemWatcher>
#include <QHeaderView>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QTableWidget>
#include <QTest>
#include <QTreeView>

#include <memory>

namespace
{
const QString SettingsFile = QStringLiteral("/etc/tarn-syslog.conf");

// The index of `item` of `model` in `column`.
QModelIndex indexOf(const CheckableTreeModel *model, const EventTreeItem *item, int column = 0)
{
    if (!item || item == model->rootItem()) {
        return {};
    }
    return model->index(item->row(), column, indexOf(model, item->parentItem()));
}

// Follows native names down from the root, each step a direct child.
EventTreeItem *itemAt(const CheckableTreeModel *model, const QStringList &path)
{
    EventTreeItem *item = model->rootItem();
    for (const QString &name : path) {
        item = item ? item->findChildTopLevelByNativeName(name) : nullptr;
    }
    return item;
}

EventTreeItem *eventOf(const CheckableTreeModel *model, const QString &eventId)
{
    return model->rootItem()->findChildByNativeName(eventId);
}

QStringList menuTexts(const QMenu *menu)
{
    QStringList texts;
    const QList<QAction *> actions = menu->actions();
    for (const QAction *action : actions) {
        texts << action->text();
    }
    return texts;
}

EventTreeItem *addNode(EventTreeItem *parent, const QString &nativeName, const QVariant &value = QVariant())
{
    auto *node = new EventTreeItem({nativeName, value, QVariant()}, parent);
    node->kind = EventTreeItem::Value;
    node->nativeName = nativeName;
    parent->appendChild(node);
    return node;
}

QAction *actionNamed(const QWidget *widget, const QString &text)
{
    const QList<QAction *> actions = widget->actions();
    for (QAction *action : actions) {
        if (action->text() == text) {
            return action;
        }
    }
    return nullptr;
}

// An event whose "user" field switch has siblings: a format and a merge marker.
EventTreeItem *buildExtendedEvent()
{
    auto *root = new EventTreeItem({QStringLiteral("Parameter"), QStringLiteral("Value")});
    auto *event = new EventTreeItem({QStringLiteral("Event"), QVariant(), QVariant()}, root);
    event->nativeName = QStringLiteral("event");
    root->appendChild(event);
    EventTreeItem *extend = addNode(event, QStringLiteral("extend-message-params"));
    EventTreeItem *user = addNode(extend, QStringLiteral("user"));
    addNode(user, QStringLiteral("enabled"), QStringLiteral("1"));
    addNode(user, QStringLiteral("format"), QStringLiteral("short"));
    addNode(user, QStringLiteral("overlay0"), QStringLiteral("format"));
    addNode(event, QStringLiteral("priority"), QStringLiteral("info"));
    return root;
}
}

class AdminEventsModuleTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init()
    {
        m_env = std::make_unique<ModuleTestEnvironment>();
        QVERIFY(m_env->isValid());
        m_boxes = std::make_unique<MessageBoxWatcher>();
    }

    void cleanup()
    {
        m_boxes.reset();
        m_env.reset();
    }

    void formAsBuilt()
    {
        AdminEventsModule module(nullptr, {});
        for (const char *name : {"singleEventsView", "commonSettingsButton", "sngStartStopButton", "showChangesButton", "sngStatusLabel"}) {
            QVERIFY2(module.findChild<QWidget *>(QString::fromLatin1(name)), name);
        }
        for (const char *name : {"verticalLayout_2", "verticalLayout", "searchLayout", "buttonLayout"}) {
            QVERIFY2(module.findChild<QLayout *>(QString::fromLatin1(name)), name);
        }
        QTreeView *view = module.eventsView();
        QCOMPARE(view->editTriggers(), QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed);
        QCOMPARE(view->header()->minimumSectionSize(), 170);
        QCOMPARE(view->header()->defaultSectionSize(), 250);
        QVERIFY(view->alternatingRowColors());
        QCOMPARE(view->contextMenuPolicy(), Qt::CustomContextMenu);
        QCOMPARE(view->model(), module.proxyModel());
        QCOMPARE(module.proxyModel()->sourceModel(), module.workingModel());
        QCOMPARE(module.proxyModel()->filterRole(), int(CheckableTreeModel::VisibleRole));

        auto *settings = module.findChild<QPushButton *>(QStringLiteral("commonSettingsButton"));
        QCOMPARE(settings->text(), QStringLiteral("Settings"));
        QCOMPARE(settings->styleSheet(), QStringLiteral("QPushButton { text-align: left; padding: 6px; }"));
        // The search bar sits in the search layout.
        auto *searchLayout = module.findChild<QLayout *>(QStringLiteral("searchLayout"));
        QVERIFY(searchLayout->indexOf(module.eventFinder()) >= 0);

        QCOMPARE(module.buttons(), KCModule::Help | KCModule::Apply);
        // The host's Reset is the only one.
        QVERIFY(!module.isResetButtonVisible());
        // Nothing is read from the catalogue before the module is shown.
        QCOMPARE(module.workingModel()->rowCount(), 0);
    }

    void firstShowLoadsTheCatalogue()
    {
        AdminEventsModule module(nullptr, {});
        QSignalSpy changed(&module, qOverload<bool>(&KCModule::changed));
        module.show();
        QCOMPARE(module.workingModel()->rowCount(), 9);
        QCOMPARE(module.referenceModel()->rowCount(), 9);
        QVERIFY(module.workingModel()->rootItem() != module.referenceModel()->rootItem());
        QVERIFY(module.compareModels());
        QVERIFY(!changed.isEmpty());
        QCOMPARE(changed.last().first().toBool(), false);

        // Only the groups are open.
        const QModelIndex group = module.proxyModel()->index(0, 0);
        QVERIFY(module.eventsView()->isExpanded(group));
        QVERIFY(!module.eventsView()->isExpanded(module.proxyModel()->index(0, 0, group)));

        auto *watcher = module.findChild<QFileSystemWatcher *>();
        QVERIFY(watcher);
        QCOMPARE(watcher->directories(), QStringList{m_env->root().filePath(QStringLiteral("/usr/share/syslog-ng-mod-tarn/event-settings"))});
        QCOMPARE(watcher->files(), QStringList{m_env->root().filePath(SettingsFile)});
        QVERIFY(m_boxes->shown().isEmpty());
    }

    void changeStateFollowsEditsAndTheirUndoing()
    {
        AdminEventsModule module(nullptr, {});
        module.show();
        CheckableTreeModel *model = module.workingModel();
        QSignalSpy changed(&module, qOverload<bool>(&KCModule::changed));

        // An event of the first group and a parameter of a later one. Checking
        // an event again does not check its dependents again, so the event
        // is one without.
        EventTreeItem *first = nullptr;
        const TreeItem *firstGroup = model->rootItem()->child(0);
        for (int row = 0; row < firstGroup->childCount() && !first; ++row) {
            auto *candidate = static_cast<EventTreeItem *>(firstGroup->child(row));
            if (candidate->dependents.empty() && candidate->checkState == Qt::Checked) {
                first = candidate;
            }
        }
        EventTreeItem *later = eventOf(model, QStringLiteral("user-login-failed"));
        QVERIFY(first && later);
        QVERIFY(first->parentItem() != later->parentItem());
        EventTreeItem *interval = later->findChildByNativeName(QStringLiteral("interval"));
        QVERIFY(interval);
        const QVariant oldInterval = interval->data(1);

        QVERIFY(model->setData(indexOf(model, first), QVariant(), Qt::CheckStateRole));
        QCOMPARE(changed.last().first().toBool(), true);
        QVERIFY(model->setData(indexOf(model, interval, 1), QStringLiteral("300"), Qt::EditRole));
        QCOMPARE(changed.last().first().toBool(), true);
        QCOMPARE(module.stateWidget()->text(), QStringLiteral("There are unsaved changes."));

        // Both events are marked for the writer, the earlier one too.
        QVERIFY(first->overridden);
        QVERIFY(first->findChildTopLevelByNativeName(QStringLiteral("enabled"))->overridden);
        QVERIFY(interval->overridden);

        // Undo the value: the unchecked event still differs.
        QVERIFY(model->setData(indexOf(model, interval, 1), oldInterval, Qt::EditRole));
        QCOMPARE(changed.last().first().toBool(), true);
        // Undo the check: nothing differs any more.
        QVERIFY(model->setData(indexOf(model, first), QVariant(), Qt::CheckStateRole));
        QCOMPARE(changed.last().first().toBool(), false);
        QVERIFY(module.compareModels());
        QVERIFY(module.stateWidget()->text().isEmpty());
    }

    void auditSwitchMarksItsWholeAuditEvent()
    {
        AdminEventsModule module(nullptr, {});
        module.show();
        CheckableTreeModel *model = module.workingModel();
        const QStringList exec{QStringLiteral("audit"), QStringLiteral("audit-exec"), QStringLiteral("message-audit-events"), QStringLiteral("exec")};
        EventTreeItem *succ = itemAt(model, exec + QStringList{QStringLiteral("other"), QStringLiteral("succ")});
        QVERIFY(succ);
        QVERIFY(model->setData(indexOf(model, succ, 1), QVariant(), Qt::CheckStateRole));

        for (const QStringList &path : {QStringList{QStringLiteral("other"), QStringLiteral("succ")},
                                        QStringList{QStringLiteral("other"), QStringLiteral("fail")},
                                        QStringList{QStringLiteral("other")},
                                        QStringList{},
                                        QStringList{QStringLiteral("users")},
                                        QStringList{QStringLiteral("groups")}}) {
            QVERIFY2(itemAt(model, exec + path)->overridden, qPrintable(path.join(QLatin1Char('/'))));
        }
        QVERIFY(itemAt(model, exec.mid(0, 3))->overridden); // message-audit-events
        QVERIFY(!itemAt(model, exec.mid(0, 2))->overridden); // the event itself
        QVERIFY(!itemAt(model, exec.mid(0, 2) + QStringList{QStringLiteral("extend-message-params")})->overridden);
    }

    void auditTablesMarkTheirCounterparts_data()
    {
        QTest::addColumn<QString>("table");
        QTest::addColumn<QString>("counterpart");
        QTest::newRow("groups") << QStringLiteral("groups") << QStringLiteral("users");
        QTest::newRow("users") << QStringLiteral("users") << QStringLiteral("groups");
    }

    void auditTablesMarkTheirCounterparts()
    {
        QFETCH(QString, table);
        QFETCH(QString, counterpart);
        AdminEventsModule module(nullptr, {});
        module.show();
        CheckableTreeModel *model = module.workingModel();
        const QStringList exec{QStringLiteral("audit"), QStringLiteral("audit-exec"), QStringLiteral("message-audit-events"), QStringLiteral("exec")};
        EventTreeItem *tableItem = itemAt(model, exec + QStringList{table});
        QVERIFY(tableItem);
        QVERIFY(model->setData(indexOf(model, tableItem, 1), QStringLiteral("alice, bob, carol"), Qt::EditRole));

        QVERIFY(tableItem->overridden);
        QVERIFY(itemAt(model, exec + QStringList{counterpart})->overridden);
        QVERIFY(itemAt(model, exec)->overridden);
        QVERIFY(itemAt(model, exec.mid(0, 3))->overridden);
        QVERIFY(itemAt(model, exec + QStringList{QStringLiteral("other")})->overridden);
        QVERIFY(itemAt(model, exec + QStringList{QStringLiteral("other"), QStringLiteral("succ")})->overridden);
        QVERIFY(itemAt(model, exec + QStringList{QStringLiteral("other"), QStringLiteral("fail")})->overridden);
        QVERIFY(!itemAt(model, exec.mid(0, 2))->overridden);
    }

    void extendedFieldSwitchMarksItsSiblings()
    {
        AdminEventsModule module(nullptr, {});
        EventConfigStorage storage(QStringLiteral("/nonexistent"));
        CheckableTreeModel reference(storage);
        CheckableTreeModel working(storage);
        reference.setRootItem(buildExtendedEvent());
        working.setRootItem(buildExtendedEvent());
        QVERIFY(module.compareIndexes(reference.index(0, 0), working.index(0, 0)));

        const QStringList user{QStringLiteral("event"), QStringLiteral("extend-message-params"), QStringLiteral("user")};
        EventTreeItem *enabled = itemAt(&working, user + QStringList{QStringLiteral("enabled")});
        enabled->setData(1, QStringLiteral("0"));
        QVERIFY(!module.compareIndexes(reference.index(0, 0), working.index(0, 0)));
        QVERIFY(enabled->overridden);
        QVERIFY(itemAt(&working, user + QStringList{QStringLiteral("format")})->overridden);
        QVERIFY(!itemAt(&working, user + QStringList{QStringLiteral("overlay0")})->overridden);
        // The "user" row shows the switch too ("Off" against "On") and is marked for itself.
        QVERIFY(itemAt(&working, user)->overridden);
        QVERIFY(!itemAt(&working, {QStringLiteral("event"), QStringLiteral("priority")})->overridden);
    }

    void notificationStateCountsAsAChange()
    {
        AdminEventsModule module(nullptr, {});
        module.show();
        CheckableTreeModel *model = module.workingModel();
        QSignalSpy changed(&module, qOverload<bool>(&KCModule::changed));
        EventTreeItem *event = eventOf(model, QStringLiteral("service-started"));
        QVERIFY(event && !event->isNotificationOn());
        QVERIFY(model->setData(indexOf(model, event), QVariant::fromValue(EventTreeItem::NotificationOn), Qt::DecorationRole));
        QCOMPARE(changed.last().first().toBool(), true);
        QVERIFY(event->overridden);
    }

    void emptyValueEqualsNoValue()
    {
        AdminEventsModule module(nullptr, {});
        EventConfigStorage storage(QStringLiteral("/nonexistent"));
        CheckableTreeModel reference(storage);
        CheckableTreeModel working(storage);
        reference.setRootItem(buildExtendedEvent());
        working.setRootItem(buildExtendedEvent());
        EventTreeItem *priority = itemAt(&working, {QStringLiteral("event"), QStringLiteral("priority")});
        itemAt(&reference, {QStringLiteral("event"), QStringLiteral("priority")})->setData(1, QVariant());
        priority->setData(1, QString());
        QVERIFY(module.compareIndexes(reference.index(0, 0), working.index(0, 0)));
        priority->setData(1, QStringLiteral("x"));
        QVERIFY(!module.compareIndexes(reference.index(0, 0), working.index(0, 0)));
        QVERIFY(priority->overridden);
    }

    void resetBringsBackTheCatalogueDefaults()
    {
        AdminEventsModule module(nullptr, {});
        module.show();
        CheckableTreeModel *model = module.workingModel();
        QSignalSpy changed(&module, qOverload<bool>(&KCModule::changed));

        // Switched off by the local settings; on in the catalogue.
        EventTreeItem *stopped = eventOf(model, QStringLiteral("service-stopped"));
        QCOMPARE(stopped->checkState, int(Qt::Unchecked));
        module.resetEvent(stopped);
        QCOMPARE(stopped->checkState, int(Qt::Checked));
        QCOMPARE(stopped->findChildTopLevelByNativeName(QStringLiteral("enabled"))->data(1).toString(), QStringLiteral("1"));
        QCOMPARE(changed.last().first().toBool(), true);

        // The repetition switch and interval of the local settings go back too.
        EventTreeItem *failed = eventOf(model, QStringLiteral("user-login-failed"));
        EventTreeItem *repetition = failed->findChildTopLevelByNativeName(QStringLiteral("notification_repetition"));
        QCOMPARE(repetition->findChildTopLevelByNativeName(QStringLiteral("interval"))->data(1).toString(), QStringLiteral("120"));
        module.resetEvent(failed);
        QCOMPARE(repetition->findChildTopLevelByNativeName(QStringLiteral("interval"))->data(1).toString(), QStringLiteral("60"));
        QCOMPARE(repetition->findChildTopLevelByNativeName(QStringLiteral("enabled"))->data(1).toString(), QStringLiteral("0"));
        QCOMPARE(repetition->checkState, int(Qt::Unchecked));
        QVERIFY(repetition->overridden);
    }

    void resetOfAnAuditEventTakesTheSwitchStates()
    {
        AdminEventsModule module(nullptr, {});
        module.show();
        CheckableTreeModel *model = module.workingModel();
        const QStringList other{QStringLiteral("audit"),
                                QStringLiteral("audit-exec"),
                                QStringLiteral("message-audit-events"),
                                QStringLiteral("exec"),
                                QStringLiteral("other")};
        EventTreeItem *succ = itemAt(model, other + QStringList{QStringLiteral("succ")});
        EventTreeItem *fail = itemAt(model, other + QStringList{QStringLiteral("fail")});
        QVERIFY(model->setData(indexOf(model, succ, 1), QVariant(), Qt::CheckStateRole));
        QVERIFY(model->setData(indexOf(model, fail, 1), QVariant(), Qt::CheckStateRole));
        QCOMPARE(succ->checkState, int(Qt::Unchecked));
        QCOMPARE(fail->checkState, int(Qt::Checked));
        module.resetEvent(eventOf(model, QStringLiteral("audit-exec")));
        QCOMPARE(succ->checkState, int(Qt::Checked));
        QCOMPARE(fail->checkState, int(Qt::Unchecked));
        QVERIFY(module.compareModels());
    }

    void contextMenuEntries()
    {
        AdminEventsModule module(nullptr, {});
        module.show();
        QTreeView *view = module.eventsView();
        EventsProxyModel *proxy = module.proxyModel();
        const QStringList expandEntries{QStringLiteral("Collapse all"), QStringLiteral("Expand all")};

        QCOMPARE(menuTexts(requestMenu(module)), expandEntries);

        const QModelIndex group = proxy->index(0, 0);
        view->selectionModel()->select(group, QItemSelectionModel::ClearAndSelect);
        QCOMPARE(menuTexts(requestMenu(module)), expandEntries);

        const QModelIndex event = proxy->index(0, 0, group);
        module.editSelection(event);
        QMenu *menu = requestMenu(module);
        // The notification entries follow (notificationMenuEntries).
        QCOMPARE(menuTexts(menu).mid(0, 4),
                 expandEntries + QStringList({QStringLiteral("Show example of an event"), QStringLiteral("Reset to the default state")}));
        // The example is ready before the entry is chosen.
        const EventTreeItem *shown = static_cast<EventTreeItem *>(proxy->mapToSource(event).internalPointer());
        QCOMPARE(module.eventExample()->exampleModel()->item(0, 5)->text(), shown->data(0).toString());

        // A parameter gets the expand entries only.
        view->expand(event);
        module.editSelection(proxy->index(0, 0, event));
        QCOMPARE(menuTexts(requestMenu(module)), expandEntries);

        // "Expand all" opens the groups only.
        view->expandAll();
        menu = requestMenu(module);
        menu->actions().at(1)->trigger();
        QVERIFY(view->isExpanded(group));
        QVERIFY(!view->isExpanded(event));
        menu = requestMenu(module);
        menu->actions().at(0)->trigger();
        QVERIFY(!view->isExpanded(group));
    }

    void notificationMenuEntries_data()
    {
        QTest::addColumn<QString>("eventId");
        QTest::addColumn<bool>("withoutMessageId");
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<bool>("settingsEnabled");
        const QString settings = QStringLiteral("Notification settings");
        QTest::newRow("notifying") << QStringLiteral("user-login-failed") << false << QStringList{QStringLiteral("Disable notifications sending"), settings}
                                   << true;
        QTest::newRow("not notifying") << QStringLiteral("service-started") << false << QStringList{QStringLiteral("Enable notifications sending"), settings}
                                       << false;
        QTest::newRow("not redirected") << QStringLiteral("event-logging-stopped") << false << QStringList() << false;
        QTest::newRow("without message id") << QStringLiteral("service-started") << true << QStringList() << false;
    }

    void notificationMenuEntries()
    {
        QFETCH(QString, eventId);
        QFETCH(bool, withoutMessageId);
        QFETCH(QStringList, entries);
        QFETCH(bool, settingsEnabled);
        AdminEventsModule module(nullptr, {});
        module.show();
        EventTreeItem *event = eventOf(module.workingModel(), eventId);
        if (withoutMessageId) {
            event->findChildByNativeName(QStringLiteral("message_id"))->nativeName = QStringLiteral("other_id");
        }
        module.editSelection(module.proxyModel()->mapFromSource(indexOf(module.workingModel(), event)));
        QMenu *menu = requestMenu(module);
        QCOMPARE(menuTexts(menu).mid(4), entries);
        if (entries.isEmpty()) {
            return;
        }
        QCOMPARE(menu->actions().at(5)->isEnabled(), settingsEnabled);
        // The first entry switches: off at once, on through the dialog.
        menu->actions().at(4)->trigger();
        auto *dialog = module.findChild<DBusDialog *>();
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Notifications sending"));
        QCOMPARE(dialog->isVisible(), !settingsEnabled);
        QCOMPARE(module.disabledNotifications().size(), std::size_t(settingsEnabled ? 1 : 0));
        QVERIFY(!event->isNotificationOn());
    }

    // One event's notification, from its state at load, through the
    // administrator's steps: "off" switches it off, "on" switches it on and
    // accepts the dialog, "cancel" switches it on and cancels, "settings"
    // accepts changed settings.
    void notificationTransitions_data()
    {
        QTest::addColumn<QString>("eventId");
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QString>("table"); // "read", "enabled", "disabled" or ""
        QTest::addColumn<int>("state");
        const QString off = QStringLiteral("service-started");
        const QString on = QStringLiteral("user-login-failed");
        QTest::newRow("off, switched on") << off << QStringList{QStringLiteral("on")} << QStringLiteral("enabled") << int(EventTreeItem::NotificationOn);
        QTest::newRow("off, cancelled") << off << QStringList{QStringLiteral("cancel")} << QString() << int(EventTreeItem::NotificationOff);
        QTest::newRow("on, as loaded") << on << QStringList() << QStringLiteral("read") << int(EventTreeItem::NotificationOn);
        QTest::newRow("on, settings changed") << on << QStringList{QStringLiteral("settings")} << QStringLiteral("enabled")
                                              << int(EventTreeItem::NotificationOnConfigured);
        QTest::newRow("on, switched off") << on << QStringList{QStringLiteral("off")} << QStringLiteral("disabled") << int(EventTreeItem::NotificationOff);
        QTest::newRow("on, off and on again") << on << QStringList{QStringLiteral("off"), QStringLiteral("on")} << QStringLiteral("enabled")
                                              << int(EventTreeItem::NotificationOn);
        QTest::newRow("off, on and off again") << off << QStringList{QStringLiteral("on"), QStringLiteral("off")} << QStringLiteral("disabled")
                                               << int(EventTreeItem::NotificationOff);
    }

    void notificationTransitions()
    {
        QFETCH(QString, eventId);
        QFETCH(QStringList, steps);
        QFETCH(QString, table);
        QFETCH(int, state);
        AdminEventsModule module(nullptr, {});
        module.show();
        auto *dialog = module.findChild<DBusDialog *>();
        EventTreeItem *event = eventOf(module.workingModel(), eventId);
        const QString messageId = event->findChildByNativeName(QStringLiteral("message_id"))->data(1).toString();
        const QStringList lines{QStringLiteral("filter f {"), QStringLiteral("};"), QString()};
        QSignalSpy changed(&module, qOverload<bool>(&KCModule::changed));
        for (const QString &step : steps) {
            const bool accepted = step != QLatin1String("cancel");
            if (step == QLatin1String("settings")) {
                Q_EMIT dialog->notificationOn(QString(messageId).replace(QLatin1Char('_'), QLatin1Char('-')),
                                              event->data(0).toString(),
                                              lines,
                                              NotificationSettings);
                continue;
            }
            module.switchDbus(event, step != QLatin1String("off"));
            if (step != QLatin1String("off")) {
                QCOMPARE(dialog->currentEvent(), event);
                QCOMPARE(dialog->dialogType(), EnableNotifications);
                dialog->hide();
                if (accepted) {
                    Q_EMIT dialog->notificationOn(QString(messageId).replace(QLatin1Char('_'), QLatin1Char('-')),
                                                  event->data(0).toString(),
                                                  lines,
                                                  EnableNotifications);
                }
            }
        }
        QCOMPARE(module.readNotifications().count(messageId) > 0, table == QLatin1String("read"));
        QCOMPARE(module.enabledNotifications().count(messageId) > 0, table == QLatin1String("enabled"));
        QCOMPARE(module.disabledNotifications().count(messageId) > 0, table == QLatin1String("disabled"));
        if (table == QLatin1String("enabled")) {
            QCOMPARE(module.enabledNotifications().at(messageId), lines);
        } else if (table == QLatin1String("disabled")) {
            QCOMPARE(module.disabledNotifications().at(messageId),
                     m_env->root().filePath(
                         QStringLiteral("/etc/syslog-ng/conf.d/mod-tarn-%1.conf").arg(QString(messageId).replace(QLatin1Char('_'), QLatin1Char('-')))));
        }
        QCOMPARE(int(event->notificationState), state);
        // Apply is offered while anything waits to be deployed, also after
        // switching off and on again.
        const bool pending = table == QLatin1String("enabled") || table == QLatin1String("disabled");
        QCOMPARE(!changed.isEmpty() && changed.last().first().toBool(), pending);
        // A load forgets the changes.
        module.load_p();
        QVERIFY(module.enabledNotifications().empty() && module.disabledNotifications().empty());
    }

    void notificationFilesAreReadByName()
    {
        const QString dir = QStringLiteral("/etc/syslog-ng/conf.d/");
        QVERIFY(m_env->root().writeFile(dir + QStringLiteral("mod-tarn-x.conf.bak"), "old\n"));
        QVERIFY(m_env->root().writeFile(dir + QStringLiteral("mod-tarn-a-b.conf"), "первая\n\nlast"));
        AdminEventsModule module(nullptr, {});
        QStringList keys;
        for (const auto &[key, lines] : module.readNotifications()) {
            keys << key;
        }
        keys.sort();
        QCOMPARE(
            keys,
            QStringList({QStringLiteral("a_b"), QStringLiteral("removable_media_attached"), QStringLiteral("user_login_failed"), QStringLiteral("x.bak")}));
        QCOMPARE(module.readNotifications().at(QStringLiteral("a_b")), QStringList({QStringLiteral("первая"), QString(), QStringLiteral("last")}));
        QCOMPARE(module.readNotifications().at(QStringLiteral("user_login_failed")).size(), 27);
    }

    void viewerRequest_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("opened");
        QTest::newRow("switch on") << QStringLiteral("enableNotifications") << QStringLiteral("Service_started") << true;
        QTest::newRow("unknown action") << QStringLiteral("open") << QStringLiteral("Service_started") << false;
        QTest::newRow("unknown event") << QStringLiteral("enableNotifications") << QStringLiteral("No_such_event") << false;
    }

    void viewerRequest()
    {
        QFETCH(QString, action);
        QFETCH(QString, name);
        QFETCH(bool, opened);
        AdminEventsModule module(nullptr, {action, name, QString()});
        module.show();
        auto *dialog = module.findChild<DBusDialog *>();
        QCOMPARE(dialog->isVisible(), opened);
        QCOMPARE(dialog->currentEvent(), opened ? eventOf(module.workingModel(), QStringLiteral("service-started")) : nullptr);
        QVERIFY(m_boxes->shown().isEmpty());
    }

    // Apply after switching one notification off and another on.
    void applyDeploysTheNotificationChanges_data()
    {
        QTest::addColumn<bool>("switched");
        QTest::addColumn<int>("failingAction"); // -1: none
        QTest::addColumn<QString>("message");
        QTest::newRow("nothing switched") << false << -1 << QString();
        QTest::newRow("deployed") << true << -1 << QString();
        QTest::newRow("removal fails") << true << 0 << QStringLiteral("Error|The changes were not saved:\nThe notifications switched off: denied");
        QTest::newRow("writing fails") << true << 1 << QStringLiteral("Error|The changes were not saved:\nThe notifications switched on or changed: denied");
    }

    void applyDeploysTheNotificationChanges()
    {
        QFETCH(bool, switched);
        QFETCH(int, failingAction);
        QFETCH(QString, message);
        auto *config = new ScriptedService<ConfigAccessService>;
        auto *logging = new ScriptedService<LoggingService>;
        AdminEventsModule module(nullptr, {}, {config, logging, new FakeAuditService});
        module.show();
        QCoreApplication::processEvents();
        CheckableTreeModel *model = module.workingModel();
        if (switched) {
            module.switchDbus(eventOf(model, QStringLiteral("user-login-failed")), false);
            Q_EMIT module.findChild<DBusDialog *>()->notificationOn(QStringLiteral("service-started"),
                                                                    QStringLiteral("Service started"),
                                                                    {QStringLiteral("log {"), QStringLiteral("};"), QString()},
                                                                    EnableNotifications);
        }
        for (int i = 0; i <= failingAction; ++i) {
            config->outcomes.append({i == failingAction ? -1 : 0, i == failingAction ? QStringLiteral("denied") : QString(), {}});
        }
        module.save();
        QTest::qWait(50);

        QStringList ids;
        for (const KAuth::Action &action : std::as_const(config->actions)) {
            ids << action.name();
        }
        if (!switched) {
            QVERIFY(!ids.contains(QLatin1String(ActionIds::RemoveNotificationConfigs)));
            QVERIFY(!ids.contains(QLatin1String(ActionIds::WriteNotificationConfigs)));
            return;
        }
        QCOMPARE(ids.mid(0, 2),
                 QStringList({QLatin1String(ActionIds::RemoveNotificationConfigs), QLatin1String(ActionIds::WriteNotificationConfigs)})
                     .mid(0, failingAction < 0 ? 2 : failingAction + 1));
        QCOMPARE(config->actions.first().arguments().value(QStringLiteral("paths")).toStringList(),
                 QStringList{m_env->root().filePath(QStringLiteral("/etc/syslog-ng/conf.d/mod-tarn-user-login-failed.conf"))});
        if (failingAction != 0) {
            const QVariantHash written = config->actions.at(1).arguments().value(QStringLiteral("notifications")).toHash();
            QCOMPARE(written.keys(), QStringList{m_env->root().filePath(QStringLiteral("/etc/syslog-ng/conf.d/mod-tarn-service-started.conf"))});
            QCOMPARE(written.cbegin().value().toByteArray(), QByteArray("log {\n};\n\n"));
        }
        if (failingAction < 0) {
            QVERIFY2(m_boxes->shown().filter(QRegularExpression(QStringLiteral("^(?!Reboot\\|)"))).isEmpty(),
                     qPrintable(m_boxes->shown().join(QLatin1Char('\n'))));
            QVERIFY(ids.size() > 2); // then the event settings
            return;
        }
        // The save stops there: no event settings, no restart, the changes kept.
        QCOMPARE(m_boxes->shown(), QStringList{message});
        QCOMPARE(ids.size(), failingAction + 1);
        QVERIFY(logging->actions.isEmpty());
        QCOMPARE(module.disabledNotifications().size(), std::size_t(1));
        QCOMPARE(module.enabledNotifications().size(), std::size_t(1));
    }

    void resetFromTheMenuSurvivesAReload()
    {
        AdminEventsModule module(nullptr, {});
        module.show();
        EventsProxyModel *proxy = module.proxyModel();
        EventTreeItem *stopped = eventOf(module.workingModel(), QStringLiteral("service-stopped"));
        const QModelIndex event = proxy->mapFromSource(indexOf(module.workingModel(), stopped));
        module.editSelection(event);
        QMenu *menu = requestMenu(module);
        // The tree is replaced while the menu is open.
        module.load_p();
        menu->actions().at(3)->trigger();
        EventTreeItem *reloaded = eventOf(module.workingModel(), QStringLiteral("service-stopped"));
        QCOMPARE(reloaded->checkState, int(Qt::Checked));
    }

    void valueEditors()
    {
        AdminEventsModule module(nullptr, {});
        module.show();
        CheckableTreeModel *model = module.workingModel();
        EventsProxyModel *proxy = module.proxyModel();
        const auto editorAt = [&](const QString &eventId, const QString &parameter, int column) {
            EventTreeItem *item = eventOf(model, eventId)->findChildTopLevelByNativeName(parameter);
            return module.valueEditorFor(proxy->mapFromSource(indexOf(model, item, column)));
        };
        using Editor = AdminEventsModule::ValueEditor;
        QCOMPARE(editorAt(QStringLiteral("modifying-file"), QStringLiteral(".auditd.key"), 1), Editor::FileList);
        QCOMPARE(editorAt(QStringLiteral("modifying-file"), QStringLiteral(".auditd.key"), 0), Editor::None);
        QCOMPARE(editorAt(QStringLiteral("modifying-directory"), QStringLiteral(".auditd.key"), 1), Editor::DirectoryList);
        QCOMPARE(editorAt(QStringLiteral("service-stopped"), QStringLiteral("services"), 1), Editor::None);
        EventTreeItem *users = itemAt(
            model,
            {QStringLiteral("audit"), QStringLiteral("audit-exec"), QStringLiteral("message-audit-events"), QStringLiteral("exec"), QStringLiteral("users")});
        QCOMPARE(module.valueEditorFor(indexOf(model, users, 1)), Editor::Users);
        QCOMPARE(module.valueEditorFor(indexOf(model, users->parentItem()->findChildTopLevelByNativeName(QStringLiteral("groups")), 1)), Editor::Groups);
    }

    // A file list and a disk-space table edited through their dialogs reach
    // the saved settings and the audit rules exactly, quotes and Cyrillic
    // included.
    void dialogsReachTheSavedSettings()
    {
        auto *config = new ScriptedService<ConfigAccessService>;
        AdminEventsModule module(nullptr, {}, {config, new ScriptedService<LoggingService>, new FakeAuditService});
        module.show();
        QCoreApplication::processEvents();
        CheckableTreeModel *model = module.workingModel();
        const auto openValue = [&](const QString &eventId, const QString &parameter) {
            EventTreeItem *item = eventOf(model, eventId)->findChildTopLevelByNativeName(parameter);
            const QModelIndex value = module.proxyModel()->mapFromSource(indexOf(model, item, 1));
            module.eventsView()->setCurrentIndex(value);
            module.editSelection(value);
            module.editEvent(value);
        };
        const auto accept = [](QDialog *dialog) {
            QVERIFY(dialog->isVisible());
            dialog->findChild<QDialogButtonBox *>(QStringLiteral("buttonBox"))->button(QDialogButtonBox::Ok)->click();
        };
        const QString quoted = QStringLiteral("/etc/\"q\"\\x");
        const QString cyrillic = QStringLiteral("/srv/журнал");

        openValue(QStringLiteral("modifying-file"), QStringLiteral(".auditd.key"));
        FilesDialog *files = module.filesDialog();
        QCOMPARE(files->windowTitle(),
                 eventOf(model, QStringLiteral("modifying-file"))->findChildTopLevelByNativeName(QStringLiteral(".auditd.key"))->data(0).toString());
        QCOMPARE(files->paths().size(), 5);
        QVERIFY(files->appendPath(quoted));
        QVERIFY(files->appendPath(cyrillic));
        accept(files);

        openValue(QStringLiteral("disk-space-low"), QStringLiteral("directories"));
        DiskSpaceMonDialog *directories = module.diskSpaceMonDialog();
        QVERIFY(directories->findChild<QTableWidget *>(QStringLiteral("directoriesTable"))->rowCount() == 3);
        directories->appendDirectory(cyrillic + QLatin1Char('"'));
        accept(directories);

        module.save();
        QTRY_VERIFY(config->actions.size() >= 2);
        const QJsonObject saved = QJsonDocument::fromJson(config->actions.at(0).arguments().value(QStringLiteral("content")).toByteArray()).object();
        const QStringList list =
            saved.value(QStringLiteral("modifying-file")).toObject().value(QStringLiteral(".auditd.key")).toString().split(QStringLiteral(", "));
        QCOMPARE(list.mid(5), QStringList({quoted, cyrillic}));
        const QJsonArray table = saved.value(QStringLiteral("disk-space-low")).toObject().value(QStringLiteral("directories")).toArray();
        QCOMPARE(table.size(), 4);
        QCOMPARE(table.at(3).toObject().value(QStringLiteral("path")).toString(), cyrillic + QLatin1Char('"'));
        QCOMPARE(table.at(3).toObject().value(QStringLiteral("limit_bytes")).toString(), QStringLiteral("104857600"));
        const QString rules = QString::fromUtf8(config->actions.at(1).arguments().value(QStringLiteral("content")).toByteArray());
        QVERIFY2(rules.contains(QStringLiteral("-w /srv/журнал -p wa -k /srv/журнал\n")), qPrintable(rules));
    }

    void arrowKeysSelectTheValueCellToo()
    {
        AdminEventsModule module(nullptr, {});
        module.show();
        QTreeView *view = module.eventsView();
        const QModelIndex event = module.proxyModel()->index(1, 0, module.proxyModel()->index(0, 0));
        view->setCurrentIndex(event);
        view->selectionModel()->clearSelection();
        QTest::keyRelease(&module, Qt::Key_Down);
        QVERIFY(view->selectionModel()->isSelected(event));
        QVERIFY(view->selectionModel()->isSelected(event.siblingAtColumn(1)));
        // Other keys leave the selection alone.
        view->selectionModel()->clearSelection();
        QTest::keyRelease(&module, Qt::Key_A);
        QVERIFY(!view->selectionModel()->hasSelection());
    }

    void returnKey()
    {
        AdminEventsModule module(nullptr, {});
        module.show();
        QVERIFY(QTest::qWaitForWindowActive(&module));
        auto *start = module.findChild<QPushButton *>(QStringLiteral("sngStartStopButton"));
        auto *settings = module.findChild<QPushButton *>(QStringLiteral("commonSettingsButton"));
        auto *search = module.eventFinder()->findChild<QLineEdit *>(QStringLiteral("eventSearch"));
        QSignalSpy startClicks(start, &QPushButton::clicked);
        QSignalSpy settingsClicks(settings, &QPushButton::clicked);

        search->setFocus();
        QTest::keyClick(search, Qt::Key_Return);
        QTest::keyClick(search, Qt::Key_Enter);
        QCOMPARE(startClicks.count(), 0);
        QCOMPARE(settingsClicks.count(), 0);

        settings->setFocus();
        QTest::keyClick(settings, Qt::Key_Return);
        QCOMPARE(settingsClicks.count(), 1);
        QCOMPARE(startClicks.count(), 0);

        start->setFocus();
        // Stopping goes to the helper, which is not reachable here.
        QTest::keyClick(start, Qt::Key_Enter);
        QCOMPARE(startClicks.count(), 1);
        QCOMPARE(settingsClicks.count(), 1);
    }

    void serviceStatus_data()
    {
        QTest::addColumn<bool>("syslogNg");
        QTest::addColumn<bool>("auditd");
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("toolTip");
        QTest::newRow("both") << true << true << QStringLiteral("Logging service is running.") << QStringLiteral("Stop logging service")
                              << QStringLiteral("auditd: on, syslog-ng: on");
        QTest::newRow("syslog-ng only") << true << false << QStringLiteral("Logging service stopped.") << QStringLiteral("Start logging service")
                                        << QStringLiteral("auditd: off, syslog-ng: on");
        QTest::newRow("none") << false << false << QStringLiteral("Logging service stopped.") << QStringLiteral("Start logging service")
                              << QStringLiteral("auditd: off, syslog-ng: off");
    }

    void serviceStatus()
    {
        QFETCH(bool, syslogNg);
        QFETCH(bool, auditd);
        QFETCH(QString, label);
        QFETCH(QString, button);
        QFETCH(QString, toolTip);
        m_env->setServiceActive(QStringLiteral("syslog-ng"), syslogNg);
        m_env->setServiceActive(QStringLiteral("auditd"), auditd);
        AdminEventsModule module(nullptr, {});
        auto *status = module.findChild<QLabel *>(QStringLiteral("sngStatusLabel"));
        auto *start = module.findChild<QPushButton *>(QStringLiteral("sngStartStopButton"));
        QCOMPARE(status->text(), label);
        QCOMPARE(status->toolTip(), toolTip);
        QCOMPARE(start->text(), button);
        QCOMPARE(start->styleSheet(), QStringLiteral("QPushButton { text-align: left; padding: 6px; }"));
        QVERIFY(start->isEnabled());
    }

    void unchangedStatusAfterAccessChangesNothing()
    {
        AdminEventsModule module(nullptr, {});
        module.show();
        auto *status = module.findChild<QLabel *>(QStringLiteral("sngStatusLabel"));
        status->setToolTip(QStringLiteral("untouched"));
        module.switchSngStatus();
        QCOMPARE(status->toolTip(), QStringLiteral("untouched"));
        m_env->setServiceActive(QStringLiteral("auditd"), false);
        module.switchSngStatus();
        QCOMPARE(status->text(), QStringLiteral("Logging service stopped."));
        QCOMPARE(status->toolTip(), QStringLiteral("auditd: off, syslog-ng: on"));
    }

    void startStopButtonRunsOneAction()
    {
        AdminEventsModule module(nullptr, {});
        module.show();
        auto *start = module.findChild<QPushButton *>(QStringLiteral("sngStartStopButton"));
        auto *service = module.findChild<LoggingService *>();
        QVERIFY(service);
        QSignalSpy failures(service, &AccessService::error);

        for (int round = 0; round < 3; ++round) {
            m_env->setServiceActive(QStringLiteral("auditd"), false);
            module.switchSngStatus();
            m_env->setServiceActive(QStringLiteral("auditd"), true);
            module.switchSngStatus();
        }
        QCOMPARE(start->text(), QStringLiteral("Stop logging service"));
        start->click();
        // No helper is reachable here: the action fails, once, and says so.
        QTRY_COMPARE(failures.count(), 1);
        QTRY_VERIFY(start->isEnabled());
        QTest::qWait(200);
        QCOMPARE(failures.count(), 1);
        // Said inline, not in a box.
        QVERIFY(m_boxes->shown().isEmpty());
        QVERIFY(module.serviceMessage()->isVisible());
        QVERIFY(module.serviceMessage()->text().contains(QLatin1String("The logging service could not be stopped.")));
    }

    void startWithoutEffectIsReported()
    {
        m_env->setServiceActive(QStringLiteral("auditd"), false);
        auto *logging = new ScriptedService<LoggingService>;
        AdminEventsModule module(nullptr, {}, {new ScriptedService<ConfigAccessService>, logging, new FakeAuditService});
        module.show();
        auto *start = module.findChild<QPushButton *>(QStringLiteral("sngStartStopButton"));
        QCOMPARE(start->text(), QStringLiteral("Start logging service"));
        // The helper succeeds, but auditd stays off.
        start->click();
        QVERIFY(!start->isEnabled());
        QTRY_VERIFY(start->isEnabled());
        QCOMPARE(logging->actions.size(), 1);
        QVERIFY(module.serviceMessage()->isVisible());
        QCOMPARE(module.serviceMessage()->text(), QStringLiteral("The logging service is still stopped (auditd: off, syslog-ng: on)."));
    }

    void brokenCatalogueIsShownInTheModule_data()
    {
        QTest::addColumn<bool>("emptyRoot");
        QTest::addColumn<QString>("text");
        QTest::newRow("missing") << true << QStringLiteral("<b>No event configuration detected</b><br/>The directory &quot;");
        QTest::newRow("duplicate event") << false
                                         << QStringLiteral(
                                                "<b>Event configuration is incorrect.</b><br/>Check if there are no duplicate event_id in event "
                                                "configuration(even in different groups).");
    }

    void brokenCatalogueIsShownInTheModule()
    {
        QFETCH(bool, emptyRoot);
        QFETCH(QString, text);
        std::unique_ptr<ModuleTestEnvironment> empty;
        if (emptyRoot) {
            empty = std::make_unique<ModuleTestEnvironment>(SampleRoot::Empty);
            QVERIFY(empty->isValid());
        } else {
            const QString dir = QStringLiteral("/usr/share/syslog-ng-mod-tarn/event-settings/");
            QVERIFY(m_env->root().writeFile(dir + QStringLiteral("system/service-stopped.json"),
                                            m_env->root().readFile(dir + QStringLiteral("services/service-stopped.json"))));
        }
        auto *config = new ScriptedService<ConfigAccessService>;
        auto *logging = new ScriptedService<LoggingService>;
        AdminEventsModule module(nullptr, {}, {config, logging, new FakeAuditService});
        QSignalSpy changed(&module, qOverload<bool>(&KCModule::changed));
        module.show();
        QCoreApplication::processEvents();

        QVERIFY(module.catalogueMessage()->isVisible());
        QVERIFY2(module.catalogueMessage()->text().startsWith(text), qPrintable(module.catalogueMessage()->text()));
        QVERIFY(!module.catalogueMessage()->text().contains(QLatin1String("terminated")));
        QVERIFY(!module.eventsView()->isEnabled());
        QCOMPARE(module.workingModel()->rowCount(), 0);
        QVERIFY(m_boxes->shown().isEmpty());
        // Nothing to apply, and an apply writes nothing.
        QCOMPARE(changed.last().first().toBool(), false);
        module.save();
        QTest::qWait(50);
        QVERIFY(config->actions.isEmpty());
        QVERIFY(logging->actions.isEmpty());
    }

    void applyStopsAtTheFirstFailedStep_data()
    {
        QTest::addColumn<QString>("writeFailure");
        QTest::addColumn<QString>("auditFailure");
        QTest::addColumn<QString>("message");
        const QString notWritten = QString::fromLatin1(ActionIds::AuditWriteFailedError) + QStringLiteral(": chmod/alice");
        QTest::newRow("everything written") << QString() << QString() << QString();
        QTest::newRow("event settings not written") << QStringLiteral("Permission denied") << QString()
                                                    << QStringLiteral(
                                                           "Error|The changes were not saved:\nThe file \"<settings file>\" was not saved: Permission denied");
        QTest::newRow("audit settings not written") << QString() << notWritten
                                                    << QStringLiteral("Error|The changes were not saved:\nThe audit settings: ") + notWritten;
        QTest::newRow("audit helper unreachable") << QString() << QStringLiteral("The helper does not answer")
                                                  << QStringLiteral("Error|The changes were not saved:\nThe audit settings: The helper does not answer");
    }

    void applyStopsAtTheFirstFailedStep()
    {
        QFETCH(QString, writeFailure);
        QFETCH(QString, auditFailure);
        QFETCH(QString, message);
        message.replace(QLatin1String("<settings file>"), m_env->root().filePath(SettingsFile));
        auto *config = new ScriptedService<ConfigAccessService>;
        auto *logging = new ScriptedService<LoggingService>;
        auto *audit = new FakeAuditService;
        AdminEventsModule module(nullptr, {}, {config, logging, audit});
        module.show();
        QCoreApplication::processEvents(); // KCModule's own load() after the first show
        CheckableTreeModel *model = module.workingModel();
        EventTreeItem *started = eventOf(model, QStringLiteral("service-started"));
        QVERIFY(started && started->checkState == Qt::Checked && started->dependents.empty());
        QVERIFY(model->setData(indexOf(model, started), QVariant(), Qt::CheckStateRole));
        if (!writeFailure.isEmpty()) {
            config->outcomes = {{-1, writeFailure, {}}};
        }
        audit->setFailure(auditFailure);
        audit->requests.clear();
        QSignalSpy changed(&module, qOverload<bool>(&KCModule::changed));

        module.save();
        QTest::qWait(50); // the host's own handling of apply, and the queued replies

        // Answered No, the reboot question lets the restart go on.
        const QStringList boxes = m_boxes->shown().filter(QRegularExpression(QStringLiteral("^(?!Reboot\\|)")));
        QCOMPARE(config->actions.size(), 2); // the event settings and the audit rules
        if (message.isEmpty()) {
            // Saved, restarted and reloaded.
            QVERIFY2(boxes.isEmpty(), qPrintable(boxes.join(QLatin1Char('\n'))));
            QCOMPARE(audit->writes().size(), 3);
            QCOMPARE(logging->actions.size(), 1);
            QCOMPARE(logging->actions.first().arguments().value(QStringLiteral("cmd")), QVariant(QStringLiteral("restart")));
            QCOMPARE(module.stateWidget()->text(), QStringLiteral("Changes applied."));
            QCOMPARE(changed.last().first().toBool(), false);
            return;
        }
        // One message, no reboot question, no restart, and the edit is still
        // there to be applied again.
        QCOMPARE(m_boxes->shown(), QStringList{message});
        QCOMPARE(audit->writes().size(), writeFailure.isEmpty() ? 1 : 0);
        QVERIFY(logging->actions.isEmpty());
        QCOMPARE(eventOf(model, QStringLiteral("service-started")), started);
        QCOMPARE(started->checkState, int(Qt::Unchecked));
        QVERIFY(!module.compareModels());
        QCOMPARE(changed.last().first().toBool(), true);
        QCOMPARE(module.stateWidget()->text(), QStringLiteral("Changes were not applied."));
    }

    // Show changes renders what apply is about to write, against the files
    // on disk, and runs no action; an apply that fails offers the same view
    // with the reason above it.
    void showChangesShowsWhatApplyWrites()
    {
        auto *config = new ScriptedService<ConfigAccessService>;
        AdminEventsModule module(nullptr, {}, {config, new ScriptedService<LoggingService>, new FakeAuditService});
        module.show();
        QCoreApplication::processEvents();
        auto *button = module.findChild<QPushButton *>(QStringLiteral("showChangesButton"));
        QVERIFY(!button->isEnabled());
        CheckableTreeModel *model = module.workingModel();
        QVERIFY(model->setData(indexOf(model, eventOf(model, QStringLiteral("service-started"))), QVariant(), Qt::CheckStateRole));
        QVERIFY(button->isEnabled());

        button->click();
        ChangesDialog *dialog = module.changesDialog();
        QVERIFY(dialog->isVisible());
        const QString settings = m_env->root().filePath(SettingsFile);
        const QString shown = dialog->text();
        QVERIFY2(shown.startsWith(QStringLiteral("Replaced: %1\n").arg(settings)), qPrintable(shown));
        QVERIFY2(shown.contains(
                     QRegularExpression(QStringLiteral("^\\+\\s+\"service-started\": \\{\n\\+\\s+\"enabled\": \"0\"$"), QRegularExpression::MultilineOption)),
                 qPrintable(shown));
        QVERIFY(config->actions.isEmpty());
        dialog->close();

        const QString rejection = QString::fromLatin1(ActionIds::ConfigRejectedError) + QStringLiteral("\nauditctl rejects rules of the file");
        config->outcomes = {{-1, rejection, {}}};
        m_boxes->answerWith(QStringLiteral("Show changes…"));
        module.save();
        QCOMPARE(m_boxes->shown().size(), 1);
        QVERIFY2(m_boxes->shown().first().endsWith(QStringLiteral("nothing was installed.\nauditctl rejects rules of the file")),
                 qPrintable(m_boxes->shown().first()));
        QVERIFY(dialog->isVisible());
        QCOMPARE(dialog->text(), shown);
        QVERIFY(dialog->findChild<KMessageWidget *>()->text().contains(QLatin1String("auditctl rejects rules of the file")));
    }

    void hostResetRevertsToTheLoadedState()
    {
        auto *audit = new FakeAuditService;
        // The system audits failed runs only; the catalogue asks for successful ones.
        audit->setValue(QStringLiteral("exec"), 4, QString(), 2);
        AdminEventsModule module(nullptr, {}, {new ScriptedService<ConfigAccessService>, new ScriptedService<LoggingService>, audit});
        module.show();
        QCoreApplication::processEvents(); // the host's own load after the first show
        CheckableTreeModel *model = module.workingModel();
        const QStringList other{QStringLiteral("audit"),
                                QStringLiteral("audit-exec"),
                                QStringLiteral("message-audit-events"),
                                QStringLiteral("exec"),
                                QStringLiteral("other")};
        QCOMPARE(itemAt(model, other + QStringList{QStringLiteral("fail")})->data(1).toString(), QStringLiteral("1"));
        const qsizetype reads = audit->requests.size();

        EventTreeItem *started = eventOf(model, QStringLiteral("service-started"));
        QVERIFY(model->setData(indexOf(model, started), QVariant(), Qt::CheckStateRole));
        EventTreeItem *interval = eventOf(model, QStringLiteral("user-login-failed"))->findChildByNativeName(QStringLiteral("interval"));
        QVERIFY(model->setData(indexOf(model, interval, 1), QStringLiteral("300"), Qt::EditRole));
        QVERIFY(model->setData(indexOf(model, itemAt(model, other + QStringList{QStringLiteral("fail")}), 1), QVariant(), Qt::CheckStateRole));
        QCOMPARE(module.stateWidget()->text(), QStringLiteral("There are unsaved changes."));
        QSignalSpy changed(&module, qOverload<bool>(&KCModule::changed));

        module.load(); // the host's Reset
        QVERIFY(module.compareModels());
        QCOMPARE(changed.last().first().toBool(), false);
        QVERIFY(module.stateWidget()->text().isEmpty());
        QCOMPARE(eventOf(model, QStringLiteral("service-started"))->checkState, int(Qt::Checked));
        QCOMPARE(eventOf(model, QStringLiteral("user-login-failed"))->findChildByNativeName(QStringLiteral("interval"))->data(1).toString(),
                 QStringLiteral("120"));
        // The audit switches are back to what the system holds, not read again.
        QCOMPARE(itemAt(model, other + QStringList{QStringLiteral("fail")})->data(1).toString(), QStringLiteral("1"));
        QCOMPARE(itemAt(model, other + QStringList{QStringLiteral("succ")})->data(1).toString(), QStringLiteral("0"));
        QCOMPARE(audit->requests.size(), reads);
    }

    void changeOnDiskUnderEditsAsks_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::newRow("reload") << QStringLiteral("Reload");
        QTest::newRow("keep") << QStringLiteral("Keep my changes");
    }

    void changeOnDiskUnderEditsAsks()
    {
        QFETCH(QString, answer);
        AdminEventsModule module(nullptr, {});
        module.show();
        QCoreApplication::processEvents(); // the host's own load after the first show
        CheckableTreeModel *model = module.workingModel();
        const auto interval = [model]() {
            return eventOf(model, QStringLiteral("user-login-failed"))->findChildByNativeName(QStringLiteral("interval"));
        };
        QVERIFY(model->setData(indexOf(model, interval(), 1), QStringLiteral("300"), Qt::EditRole));
        QSignalSpy resets(model, &QAbstractItemModel::modelReset);
        QByteArray content = m_env->root().readFile(SettingsFile);
        QVERIFY(m_env->replaceFile(SettingsFile, content.replace("\"120\"", "\"240\"")));
        QTRY_VERIFY(module.configChangedMessage()->isVisible());
        QCOMPARE(resets.count(), 0);
        QCOMPARE(interval()->data(1).toString(), QStringLiteral("300"));

        QAction *action = actionNamed(module.configChangedMessage(), answer);
        QVERIFY(action);
        action->trigger();
        QVERIFY(!module.configChangedMessage()->isVisible());
        const bool reload = answer == QLatin1String("Reload");
        QCOMPARE(resets.count(), reload ? 1 : 0);
        QCOMPARE(interval()->data(1).toString(), reload ? QStringLiteral("240") : QStringLiteral("300"));
        QCOMPARE(module.compareModels(), reload);
    }

    void editingKeys_data()
    {
        QTest::addColumn<int>("key");
        QTest::newRow("F2") << int(Qt::Key_F2);
        QTest::newRow("Return") << int(Qt::Key_Return);
        QTest::newRow("Enter") << int(Qt::Key_Enter);
    }

    void editingKeys()
    {
        QFETCH(int, key);
        AdminEventsModule module(nullptr, {});
        module.show();
        QTreeView *view = module.eventsView();
        EventTreeItem *priority = eventOf(module.workingModel(), QStringLiteral("service-stopped"))->findChildByNativeName(QStringLiteral("priority"));
        QVERIFY(priority);
        const QModelIndex name = module.proxyModel()->mapFromSource(indexOf(module.workingModel(), priority));
        view->expandAll();
        view->setCurrentIndex(name);
        QTest::keyClick(view, Qt::Key(key));
        QVERIFY(view->indexWidget(name.siblingAtColumn(1)));
    }

    void reloadKeepsExpansionAndCurrentRow()
    {
        AdminEventsModule module(nullptr, {});
        module.show();
        QTreeView *view = module.eventsView();
        EventsProxyModel *proxy = module.proxyModel();
        const auto rowOf = [&](const QString &eventId, const QString &parameter = QString()) {
            EventTreeItem *item = eventOf(module.workingModel(), eventId);
            if (!parameter.isEmpty()) {
                item = item->findChildTopLevelByNativeName(parameter);
            }
            return proxy->mapFromSource(indexOf(module.workingModel(), item));
        };
        const QModelIndex event = rowOf(QStringLiteral("service-stopped"));
        view->expand(event);
        // A group closed by the administrator stays closed.
        const QModelIndex closed = proxy->index(0, 0);
        QVERIFY(closed != event.parent());
        view->collapse(closed);
        view->setCurrentIndex(rowOf(QStringLiteral("service-stopped"), QStringLiteral("services")).siblingAtColumn(1));

        module.load_p(); // as after an apply
        QVERIFY(view->isExpanded(rowOf(QStringLiteral("service-stopped"))));
        QVERIFY(view->isExpanded(rowOf(QStringLiteral("service-stopped")).parent()));
        QVERIFY(!view->isExpanded(proxy->index(0, 0)));
        const QModelIndex current = rowOf(QStringLiteral("service-stopped"), QStringLiteral("services")).siblingAtColumn(1);
        QCOMPARE(view->currentIndex(), current);
        QVERIFY(view->selectionModel()->isSelected(current.siblingAtColumn(0)));

        // The search selects its match without making it current.
        view->selectionModel()->select(rowOf(QStringLiteral("service-stopped")), QItemSelectionModel::ClearAndSelect);
        module.load_p();
        QVERIFY(view->selectionModel()->isSelected(rowOf(QStringLiteral("service-stopped"))));
        QCOMPARE(view->currentIndex(), rowOf(QStringLiteral("service-stopped"), QStringLiteral("services")).siblingAtColumn(1));
    }

    void anotherProgramsChangeReloads()
    {
        AdminEventsModule module(nullptr, {});
        module.show();
        QSignalSpy resets(module.workingModel(), &QAbstractItemModel::modelReset);
        QByteArray content = m_env->root().readFile(SettingsFile);
        QVERIFY(m_env->replaceFile(SettingsFile, content.replace("\"120\"", "\"240\"")));
        QTRY_VERIFY(resets.count() >= 1);
        EventTreeItem *failed = eventOf(module.workingModel(), QStringLiteral("user-login-failed"));
        QCOMPARE(failed->findChildByNativeName(QStringLiteral("interval"))->data(1).toString(), QStringLiteral("240"));

        // The replaced file is watched again, so a second change is noticed too.
        auto *watcher = module.findChild<QFileSystemWatcher *>();
        QCOMPARE(watcher->files(), QStringList{m_env->root().filePath(SettingsFile)});
        resets.clear();
        QVERIFY(m_env->replaceFile(SettingsFile, content.replace("\"240\"", "\"360\"")));
        QTRY_VERIFY(resets.count() >= 1);
    }

    void ownWritesDoNotReloadAndTheFileStaysWatched()
    {
        AdminEventsModule module(nullptr, {});
        module.show();
        auto *watcher = module.findChild<QFileSystemWatcher *>();
        QSignalSpy resets(module.workingModel(), &QAbstractItemModel::modelReset);
        const QByteArray content = m_env->root().readFile(SettingsFile);

        // What save_p() does around the helper's write.
        for (int save = 0; save < 2; ++save) {
            module.stopWatchConfigs();
            QVERIFY(m_env->replaceFile(SettingsFile, content + QByteArray(save + 1, '\n')));
            module.startWatchConfigs();
            QTest::qWait(300);
            QCOMPARE(resets.count(), 0);
            QCOMPARE(watcher->files(), QStringList{m_env->root().filePath(SettingsFile)});
        }

        // Another program's change after the saves is noticed.
        QVERIFY(m_env->replaceFile(SettingsFile, content));
        QTRY_COMPARE(resets.count(), 1);
    }

    void settingsFileCreatedLaterIsWatched()
    {
        QVERIFY(QFile::remove(m_env->root().filePath(SettingsFile)));
        AdminEventsModule module(nullptr, {});
        module.show();
        auto *watcher = module.findChild<QFileSystemWatcher *>();
        QVERIFY(watcher->files().isEmpty());
        QCOMPARE(watcher->directories().size(), 1);

        module.stopWatchConfigs();
        QVERIFY(m_env->root().writeFile(SettingsFile, "{}\n"));
        module.startWatchConfigs();
        QCOMPARE(watcher->files(), QStringList{m_env->root().filePath(SettingsFile)});
        QCOMPARE(module.findChildren<QFileSystemWatcher *>().size(), 1);
    }

    void catalogueDirectoryChangeReloads()
    {
        AdminEventsModule module(nullptr, {});
        module.show();
        QSignalSpy resets(module.workingModel(), &QAbstractItemModel::modelReset);
        QVERIFY(m_env->root().writeFile(QStringLiteral("/usr/share/syslog-ng-mod-tarn/event-settings/README"), "notes\n"));
        QTRY_VERIFY(resets.count() >= 1);
    }

private:
    QMenu *requestMenu(AdminEventsModule &module)
    {
        const QList<QMenu *> before = module.findChildren<QMenu *>();
        for (QMenu *menu : before) {
            menu->close();
        }
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        module.contextMenuRequested(QPoint(5, 5));
        const QList<QMenu *> menus = module.findChildren<QMenu *>();
        return menus.isEmpty() ? nullptr : menus.last();
    }

    std::unique_ptr<ModuleTestEnvironment> m_env;
    std::unique_ptr<MessageBoxWatcher> m_boxes;
};

QTEST_MAIN(AdminEventsModuleTest)

#include "admineventsmoduletest.moc"
