/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "checkabletreemodel.h"

#include "eventconfigstorage.h"
#include "eventtreeitem.h"
#include "modeltestenvironment.h"
#include "parametertype.h"
#include "systempaths.h"

#include <QAbstractItemModelTester>
#include <QPixmap>
#include <QSignalSpy>
#include <QSortFilterProxyModel>
#include <QTest>

#include <functional>
#include <memory>

// The model over the whole sample catalogue as the parser builds it, watched
// by Qt's model tester (directly and through a filter proxy like the
// module's) while it is clicked, edited and given notification states.
class CheckableTreeCatalogueTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<ModelTestEnvironment> m_env;
    std::unique_ptr<EventConfigStorage> m_storage;
    std::unique_ptr<CheckableTreeModel> m_model;

    void forEachIndex(const QModelIndex &parent, const std::function<void(const QModelIndex &)> &visit) const
    {
        for (int row = 0; row < m_model->rowCount(parent); ++row) {
            const QModelIndex child = m_model->index(row, 0, parent);
            visit(child);
            forEachIndex(child, visit);
        }
    }

    QModelIndex event(const QString &id) const
    {
        QModelIndex found;
        forEachIndex(QModelIndex(), [&](const QModelIndex &index) {
            if (!found.isValid() && m_model->itemFromIndex(index)->kind == EventTreeItem::Event
                && m_model->data(index, CheckableTreeModel::NativeNameRole).toString() == id) {
                found = index;
            }
        });
        return found;
    }

    QModelIndex parameter(const QString &eventId, const QString &name) const
    {
        return m_model->findChildByNativeName(event(eventId), name);
    }

    EventTreeItem *item(const QModelIndex &index) const
    {
        return m_model->itemFromIndex(index);
    }

    bool click(const QModelIndex &index)
    {
        return m_model->setData(index, Qt::Checked, Qt::CheckStateRole);
    }

private Q_SLOTS:
    void initTestCase()
    {
        m_env = std::make_unique<ModelTestEnvironment>();
        QVERIFY(m_env->isValid());
        m_storage = std::make_unique<EventConfigStorage>(SystemPaths::resolve(SystemPaths::EventSettingsDir));
    }

    void init()
    {
        m_model = std::make_unique<CheckableTreeModel>(*m_storage);
        EventTreeItem *root = m_env->parseCatalogue();
        QVERIFY(root);
        m_model->setRootItem(root);
        QVERIFY(m_model->rowCount() > 5);
    }

    void cleanup()
    {
        m_model.reset();
    }

    void testModelContractWhileEditing()
    {
        QAbstractItemModelTester tester(m_model.get(), QAbstractItemModelTester::FailureReportingMode::Fatal);
        QSortFilterProxyModel proxy;
        proxy.setFilterRole(CheckableTreeModel::VisibleRole);
        proxy.setFilterFixedString(QStringLiteral("1"));
        proxy.setSourceModel(m_model.get());
        QAbstractItemModelTester proxyTester(&proxy, QAbstractItemModelTester::FailureReportingMode::Fatal);

        QList<QPersistentModelIndex> groups;
        QList<QPersistentModelIndex> events;
        QList<QPersistentModelIndex> switches;
        QList<QPersistentModelIndex> editable;
        QList<QPersistentModelIndex> auditRules;
        forEachIndex(QModelIndex(), [&](const QModelIndex &index) {
            const EventTreeItem *node = item(index);
            if (node->kind == EventTreeItem::Group) {
                groups << index;
            } else if (node->kind == EventTreeItem::Event) {
                events << index;
            }
            const QModelIndex value = index.siblingAtColumn(1);
            if (m_model->flags(value) & Qt::ItemIsUserCheckable) {
                switches << value;
            }
            if (m_model->flags(value) & Qt::ItemIsEditable) {
                editable << value;
            }
            const auto rules = m_model->data(index, CheckableTreeModel::AuditRulesIndexRole).value<QModelIndex>();
            if (rules.isValid() && m_model->data(index, CheckableTreeModel::FileArrayRole).toInt() != 0) {
                auditRules << rules;
            }
        });
        QVERIFY(groups.size() >= 8);
        QVERIFY(events.size() > 40);
        QVERIFY(switches.size() > 40);
        QVERIFY(!editable.isEmpty());
        QCOMPARE(auditRules.size(), 2); // modifying-file, file-opened

        QSignalSpy changed(m_model.get(), &QAbstractItemModel::dataChanged);
        const auto clickOnce = [&](const QModelIndex &index) {
            changed.clear();
            QVERIFY(click(index));
            QCOMPARE(changed.count(), 1);
        };

        for (const QPersistentModelIndex &group : std::as_const(groups)) {
            const bool wasChecked = m_model->data(group, Qt::CheckStateRole).toInt() == Qt::Checked;
            clickOnce(group);
            QCOMPARE(m_model->data(group, Qt::CheckStateRole).toInt(), int(wasChecked ? Qt::Unchecked : Qt::Checked));
            clickOnce(group);
            QCOMPARE(m_model->data(group, Qt::CheckStateRole).toInt(), int(wasChecked ? Qt::Checked : Qt::Unchecked));
        }
        for (const QPersistentModelIndex &event : std::as_const(events)) {
            clickOnce(event);
        }
        for (const QPersistentModelIndex &value : std::as_const(switches)) {
            clickOnce(value);
            clickOnce(value);
        }
        for (const QPersistentModelIndex &value : std::as_const(editable)) {
            // Typed values take only what fits: their own value does.
            const QString current = m_model->data(value, Qt::EditRole).toString();
            const bool typed = m_model->data(value, CheckableTreeModel::ParameterTypeRole).value<ParameterType>().kind() != ParameterType::Text;
            QVERIFY(m_model->setData(value, typed ? current : QString(current + QStringLiteral("0")), Qt::EditRole));
        }
        int state = 0;
        for (const QPersistentModelIndex &event : std::as_const(events)) {
            QVERIFY(m_model->setData(event, QVariant::fromValue(EventTreeItem::NotificationState(state++ % 3)), Qt::DecorationRole));
            QVERIFY(m_model->data(event, Qt::ToolTipRole).isValid());
        }
        for (const QPersistentModelIndex &rules : std::as_const(auditRules)) {
            QVERIFY(m_model->setAuditFileRules(rules, QStringLiteral("/etc/hosts, /etc/fstab")));
        }
        // Every cell answers every role without upsetting anybody.
        forEachIndex(QModelIndex(), [&](const QModelIndex &index) {
            for (int column = 0; column < m_model->columnCount(index.parent()); ++column) {
                for (int role = 0; role <= CheckableTreeModel::ParameterTypeRole + 1; ++role) {
                    m_model->data(index.siblingAtColumn(column), role);
                }
            }
        });
        // A fresh load resets both.
        m_model->setRootItem(m_env->parseCatalogue());
        QCOMPARE(proxy.rowCount(), m_model->rowCount());
    }

    void testCheckingFollowsTheCatalogue()
    {
        // account-locked depends on user-login-failed and remote-login-failed.
        const QModelIndex locked = event(QStringLiteral("account-locked"));
        const QModelIndex loginFailed = event(QStringLiteral("user-login-failed"));
        const QModelIndex remoteFailed = event(QStringLiteral("remote-login-failed"));
        QVERIFY(locked.isValid() && loginFailed.isValid() && remoteFailed.isValid());
        if (item(locked)->checkState == Qt::Checked) {
            QVERIFY(click(locked));
        }
        if (item(loginFailed)->checkState == Qt::Checked) {
            QVERIFY(click(loginFailed));
        }
        QCOMPARE(item(locked)->checkState, int(Qt::Unchecked));
        QCOMPARE(item(loginFailed)->checkState, int(Qt::Unchecked));

        QVERIFY(click(locked));
        QCOMPARE(item(loginFailed)->checkState, int(Qt::Checked));
        QCOMPARE(item(remoteFailed)->checkState, int(Qt::Checked));
        QCOMPARE(item(parameter(QStringLiteral("user-login-failed"), QStringLiteral("enabled")))->data(1).toString(), QStringLiteral("1"));
        QCOMPARE(item(parameter(QStringLiteral("account-locked"), QStringLiteral("enabled")))->data(1).toString(), QStringLiteral("1"));

        QVERIFY(click(loginFailed));
        QCOMPARE(item(locked)->checkState, int(Qt::Unchecked));
        QCOMPARE(item(parameter(QStringLiteral("account-locked"), QStringLiteral("enabled")))->data(1).toString(), QStringLiteral("0"));
        QCOMPARE(item(remoteFailed)->checkState, int(Qt::Checked));

        // The audit switches of audit-exec: "other" success on, failure off.
        const QModelIndex succ = parameter(QStringLiteral("audit-exec"), QStringLiteral("succ")).siblingAtColumn(1);
        QVERIFY(succ.isValid());
        QVERIFY(m_model->flags(succ) & Qt::ItemIsUserCheckable);
        const QString before = m_model->data(succ).toString();
        QVERIFY(click(succ));
        QVERIFY(m_model->data(succ).toString() != before);
        QCOMPARE(item(succ)->data(1).toString(), before == QLatin1String("On") ? QStringLiteral("0") : QStringLiteral("1"));
    }

    void testTypedValuesTakeOnlyWhatFits_data()
    {
        QTest::addColumn<QString>("eventId");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<QString>("stored"); // empty: refused

        const auto row = [](const char *tag, const char *eventId, const char *name, const QVariant &value, const char *stored) {
            QTest::newRow(tag) << QString::fromUtf8(eventId) << QString::fromUtf8(name) << value << QString::fromUtf8(stored);
        };
        row("priority", "user-login-failed", "priority", QStringLiteral("err"), "err");
        row("priority: banana", "user-login-failed", "priority", QStringLiteral("banana"), "");
        row("priority: capitals", "user-login-failed", "priority", QStringLiteral("WARNING"), "");
        row("integer", "account-locked", "max-attempts", QStringLiteral("7"), "7");
        row("integer as a number", "account-locked", "max-attempts", 8, "8");
        row("integer: leading zeros", "account-locked", "max-attempts", QStringLiteral("007"), "7");
        row("integer: -3abc", "account-locked", "max-attempts", QStringLiteral("-3abc"), "");
        row("integer: blank", "account-locked", "max-attempts", QStringLiteral(" 7"), "");
        row("integer: below the range", "account-locked", "max-attempts", QStringLiteral("0"), "");
        row("integer: above the range", "account-locked", "max-attempts", QStringLiteral("101"), "");
        row("integer: negative", "account-locked", "lock-time", QStringLiteral("-1"), "");
        row("switch", "audit-exec", "succ", QStringLiteral("0"), "0");
        row("switch: 2", "audit-exec", "succ", QStringLiteral("2"), "");
        row("text", "custom-ssh-invalid-user", "pattern", QStringLiteral("anything -3abc"), "anything -3abc");
    }

    void testTypedValuesTakeOnlyWhatFits()
    {
        QFETCH(QString, eventId);
        QFETCH(QString, name);
        QFETCH(QVariant, value);
        QFETCH(QString, stored);
        const QModelIndex cell = parameter(eventId, name).siblingAtColumn(1);
        QVERIFY(cell.isValid());
        const QVariant before = m_model->data(cell, Qt::EditRole);
        QSignalSpy changed(m_model.get(), &CheckableTreeModel::dataChanged);
        QCOMPARE(m_model->setData(cell, value, Qt::EditRole), !stored.isEmpty());
        const QVariant after = m_model->data(cell, Qt::EditRole);
        // Values stay texts, as the stored files have them.
        QCOMPARE(after.userType(), int(QMetaType::QString));
        QCOMPARE(after.toString(), stored.isEmpty() ? before.toString() : stored);
        QCOMPARE(changed.count(), stored.isEmpty() ? 0 : 1);
    }

    void testSwitchesDoNotLookDisabled_data()
    {
        QTest::addColumn<QString>("eventId");
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("grey");
        QTest::newRow("switched object") << QStringLiteral("user-login-failed") << QStringLiteral("user") << false;
        QTest::newRow("audit switch") << QStringLiteral("audit-exec") << QStringLiteral("succ") << false;
        QTest::newRow("read-only list") << QStringLiteral("integrity-check-failed") << QStringLiteral("files") << true;
    }

    void testSwitchesDoNotLookDisabled()
    {
        QFETCH(QString, eventId);
        QFETCH(QString, name);
        const QModelIndex cell = parameter(eventId, name).siblingAtColumn(1);
        QVERIFY(cell.isValid());
        QVERIFY(!item(cell)->editable);
        QTEST(m_model->data(cell, Qt::ForegroundRole).isValid(), "grey");
    }

    void testRolesOnTheCatalogue()
    {
        // Notifications of the sample root: user-login-failed notifies.
        const QModelIndex loginFailed = event(QStringLiteral("user-login-failed"));
        QVERIFY(item(loginFailed)->isNotificationOn());
        QCOMPARE(m_model->data(loginFailed, Qt::DecorationRole).value<QIcon>().name(), QStringLiteral("wisp-notifications"));
        QCOMPARE(m_model->data(loginFailed, Qt::ToolTipRole).toString(), QStringLiteral("Notifications are enabled for this event"));

        // file-opened generates load; with notifications it shows both icons.
        const QModelIndex fileOpened = event(QStringLiteral("file-opened"));
        QVERIFY(item(fileOpened)->generatesLoad);
        QCOMPARE(m_model->data(fileOpened, Qt::DecorationRole).value<QIcon>().name(), QStringLiteral("dialog-information"));
        QVERIFY(m_model->setData(fileOpened, QVariant::fromValue(EventTreeItem::NotificationOnConfigured), Qt::DecorationRole));
        const QPixmap both = m_model->data(fileOpened, Qt::DecorationRole).value<QPixmap>();
        QCOMPARE(both.size(), QSize(32, 16));
        QCOMPARE(m_model->data(fileOpened, Qt::ToolTipRole).toString(), QStringLiteral("This event generates a large volume of records in the logs"));

        // The file list of modifying-file leads to its audit rules.
        const QModelIndex key = parameter(QStringLiteral("modifying-file"), QStringLiteral(".auditd.key")).siblingAtColumn(1);
        QCOMPARE(m_model->data(key, CheckableTreeModel::FileArrayRole).toInt(), 1);
        QVERIFY(!(m_model->flags(key) & Qt::ItemIsEditable));
        const auto rules = m_model->data(key, CheckableTreeModel::AuditRulesIndexRole).value<QModelIndex>();
        QCOMPARE(rules, parameter(QStringLiteral("modifying-file"), QStringLiteral("message-audit-rules")).siblingAtColumn(1));
        QVERIFY(m_model->setAuditFileRules(rules, QStringLiteral("/etc/hosts")));
        QCOMPARE(m_model->data(rules).toString(), QStringLiteral("-w /etc/hosts -p wa -k /etc/hosts"));

        const QModelIndex directoryKey = parameter(QStringLiteral("modifying-directory"), QStringLiteral(".auditd.key"));
        QCOMPARE(m_model->data(directoryKey, CheckableTreeModel::DirectoryArrayRole).toInt(), 1);
        QCOMPARE(m_model->data(directoryKey, CheckableTreeModel::FileArrayRole).toInt(), 0);
        const QModelIndex programs = parameter(QStringLiteral("privileged-program-run"), QStringLiteral(".auditd.msg.exe"));
        QCOMPARE(m_model->data(programs, CheckableTreeModel::FileArrayRole).toInt(), 1);
        QVERIFY(!m_model->data(programs, CheckableTreeModel::AuditRulesIndexRole).value<QModelIndex>().isValid());

        const QModelIndex directories = parameter(QStringLiteral("disk-space-low"), QStringLiteral("directories"));
        QCOMPARE(m_model->data(directories, CheckableTreeModel::DirectoriesRole).toInt(), 1);
        QVERIFY(item(directories)->editable);
        QVERIFY(!(m_model->flags(directories.siblingAtColumn(1)) & Qt::ItemIsEditable));

        // The users table of audit-exec lists bob and the local users.
        const QModelIndex users = parameter(QStringLiteral("audit-exec"), QStringLiteral("users"));
        QCOMPARE(m_model->data(users, CheckableTreeModel::UsersRole).toInt(), 1);
        QCOMPARE(m_model->data(users.siblingAtColumn(1)).toString(), QStringLiteral("bob, alice"));
        QVERIFY(!(m_model->flags(users.siblingAtColumn(1)) & Qt::ItemIsEditable));

        // Hidden parameters are marked for the filter; shown ones inline.
        QCOMPARE(m_model->data(parameter(QStringLiteral("modifying-file"), QStringLiteral("message_id")), CheckableTreeModel::VisibleRole).toInt(), 0);
        const QModelIndex priority = parameter(QStringLiteral("modifying-file"), QStringLiteral("priority")).siblingAtColumn(1);
        QCOMPARE(m_model->data(priority, CheckableTreeModel::VisibleRole).toInt(), 1);
        QVERIFY(m_model->flags(priority) & Qt::ItemIsEditable);
    }
};

QTEST_MAIN(CheckableTreeCatalogueTest)

#include "checkabletreecataloguetest.moc"
