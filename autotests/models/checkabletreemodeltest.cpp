/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "checkabletreemodel.h"

#include "eventconfigstorage.h"
#include "eventtreeitem.h"
#include "modeltestenvironment.h"

#include <QAbstractItemModelTester>
#include <QColor>
#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <QSet>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

// The model over small trees built by hand in the shapes the catalogue parser
// produces (groups with two columns, events and parameters with three).
namespace
{
EventTreeItem *addNode(EventTreeItem *parent, const QVector<QVariant> &columns, const QString &nativeName, int kind)
{
    auto node = new EventTreeItem(columns, parent);
    node->nativeName = nativeName;
    node->kind = kind;
    parent->appendChild(node);
    return node;
}

EventTreeItem *addGroup(EventTreeItem *root, const QString &id)
{
    EventTreeItem *group = addNode(root, {id, QVariant()}, id, EventTreeItem::Group);
    group->checkable = true;
    return group;
}

EventTreeItem *addEvent(EventTreeItem *group, const QString &id, bool on)
{
    EventTreeItem *event = addNode(group, {id, QVariant(), QVariant()}, id, EventTreeItem::Event);
    event->checkable = true;
    event->checkState = on ? Qt::Checked : Qt::Unchecked;
    EventTreeItem *enabled = addNode(event,
                                     {QStringLiteral("enabled"), on ? QStringLiteral("1") : QStringLiteral("0"), QVariant()},
                                     QStringLiteral("enabled"),
                                     EventTreeItem::Value);
    enabled->visible = false;
    return event;
}

EventTreeItem *addValue(EventTreeItem *parent, const QString &key, const QVariant &value, bool editable = true, int kind = EventTreeItem::Value)
{
    EventTreeItem *node = addNode(parent, {key, value, QVariant()}, key, kind);
    node->editable = editable;
    return node;
}

// An object parameter switched by its own "enabled" child.
EventTreeItem *addSwitchedObject(EventTreeItem *parent, const QString &key, bool on)
{
    EventTreeItem *node = addNode(parent, {key, QVariant(), QVariant()}, key, EventTreeItem::Value);
    node->checkState = on ? Qt::Checked : Qt::Unchecked;
    addValue(node, QStringLiteral("enabled"), on ? QStringLiteral("1") : QStringLiteral("0"), false);
    return node;
}

EventTreeItem *addAuditItem(EventTreeItem *other, const QString &key, bool on)
{
    EventTreeItem *node = addValue(other, key, on ? QStringLiteral("1") : QStringLiteral("0"));
    node->checkState = on ? Qt::Checked : Qt::Unchecked;
    return node;
}

void dependOn(EventTreeItem *event, EventTreeItem *dependency)
{
    event->dependencies.push_back(dependency);
    dependency->dependents.push_back(event);
}

// Whether an "enabled" or audit value reads as on (the parser writes "1",
// a click writes 1).
int switchValue(const EventTreeItem *item)
{
    return item->data(1).toInt();
}
}

class CheckableTreeModelTest : public QObject
{
    Q_OBJECT

private:
    // root
    //   group "access"        (login on, logout on, lockout off)
    //     login               priority, extend-message-params{enabled, user{enabled}}
    //     logout
    //     lockout             extend-message-params{enabled}; depends on login-failed
    //   group "audit"         (login-failed off, audit-start off, exec on)
    //     login-failed        depends on audit-start
    //     audit-start
    //     exec                message-audit-events/exec/{other/{succ, fail}, users, groups}
    //   group "files"         (modifying-file, file-opened, modifying-directory, disk-space)
    //   group "empty"
    struct Tree {
        EventTreeItem *root = nullptr;
        EventTreeItem *access = nullptr;
        EventTreeItem *login = nullptr;
        EventTreeItem *priority = nullptr;
        EventTreeItem *extend = nullptr;
        EventTreeItem *extendUser = nullptr;
        EventTreeItem *logout = nullptr;
        EventTreeItem *lockout = nullptr;
        EventTreeItem *lockoutDetail = nullptr;
        EventTreeItem *audit = nullptr;
        EventTreeItem *loginFailed = nullptr;
        EventTreeItem *auditStart = nullptr;
        EventTreeItem *exec = nullptr;
        EventTreeItem *other = nullptr;
        EventTreeItem *succ = nullptr;
        EventTreeItem *fail = nullptr;
        EventTreeItem *users = nullptr;
        EventTreeItem *groups = nullptr;
        EventTreeItem *files = nullptr;
        EventTreeItem *modifyingFile = nullptr;
        EventTreeItem *modifyingFileKey = nullptr;
        EventTreeItem *modifyingFileRules = nullptr;
        EventTreeItem *fileOpened = nullptr;
        EventTreeItem *fileOpenedKey = nullptr;
        EventTreeItem *fileOpenedRules = nullptr;
        EventTreeItem *modifyingDirectory = nullptr;
        EventTreeItem *modifyingDirectoryKey = nullptr;
        EventTreeItem *modifyingDirectoryRules = nullptr;
        EventTreeItem *programs = nullptr;
        EventTreeItem *diskSpace = nullptr;
        EventTreeItem *directories = nullptr;
        EventTreeItem *empty = nullptr;
    };

    static Tree buildTree()
    {
        Tree t;
        t.root = new EventTreeItem({QStringLiteral("Parameter"), QStringLiteral("Value")});

        t.access = addGroup(t.root, QStringLiteral("access"));
        t.access->checkState = Qt::PartiallyChecked;
        t.login = addEvent(t.access, QStringLiteral("login"), true);
        t.priority = addValue(t.login, QStringLiteral("priority"), QStringLiteral("info"));
        t.extend = addSwitchedObject(t.login, QStringLiteral("extend-message-params"), true);
        t.extendUser = addSwitchedObject(t.extend, QStringLiteral("user"), true);
        t.logout = addEvent(t.access, QStringLiteral("logout"), true);
        t.lockout = addEvent(t.access, QStringLiteral("lockout"), false);
        t.lockoutDetail = addSwitchedObject(t.lockout, QStringLiteral("extend-message-params"), false);

        t.audit = addGroup(t.root, QStringLiteral("audit"));
        t.audit->checkState = Qt::PartiallyChecked;
        t.loginFailed = addEvent(t.audit, QStringLiteral("login-failed"), false);
        t.auditStart = addEvent(t.audit, QStringLiteral("audit-start"), false);
        t.exec = addEvent(t.audit, QStringLiteral("exec"), true);
        EventTreeItem *auditEvents = addValue(t.exec, QStringLiteral("message-audit-events"), QVariant(), false);
        EventTreeItem *auditEvent = addValue(auditEvents, QStringLiteral("exec"), QVariant(), false);
        t.other = addValue(auditEvent, QStringLiteral("other"), QVariant(), false);
        t.other->checkState = Qt::Checked;
        t.succ = addAuditItem(t.other, QStringLiteral("succ"), true);
        t.fail = addAuditItem(t.other, QStringLiteral("fail"), false);
        t.users = addValue(auditEvent, QStringLiteral("users"), QStringLiteral("alice, bob"), true, EventTreeItem::Compound);
        t.users->setData(2, QStringLiteral("{\"alice\":{\"fail\":\"0\",\"succ\":\"0\"},\"bob\":{\"fail\":\"1\",\"succ\":\"1\"}}"));
        t.groups = addValue(auditEvent, QStringLiteral("groups"), QStringLiteral("alice, bob"), true, EventTreeItem::Compound);
        dependOn(t.lockout, t.loginFailed);
        dependOn(t.loginFailed, t.auditStart);

        t.files = addGroup(t.root, QStringLiteral("files"));
        t.files->checkState = Qt::Checked;
        t.modifyingFile = addEvent(t.files, QStringLiteral("modifying-file"), true);
        t.modifyingFileKey = addValue(t.modifyingFile, QStringLiteral(".auditd.key"), QStringLiteral("/etc/passwd"));
        t.modifyingFileRules = addValue(t.modifyingFile, QStringLiteral("message-audit-rules"), QStringLiteral("-w /etc/passwd -p wa -k /etc/passwd"), false);
        t.modifyingFile->setHasAuditRules(true);
        t.modifyingFileKey->setHasAuditRules(true);
        t.fileOpened = addEvent(t.files, QStringLiteral("file-opened"), true);
        t.fileOpenedKey = addValue(t.fileOpened, QStringLiteral(".auditd.key"), QStringLiteral("/etc/shadow"));
        t.fileOpenedRules = addValue(t.fileOpened, QStringLiteral("message-audit-rules"), QString(), false);
        t.fileOpened->setHasAuditRules(true);
        t.fileOpenedKey->setHasAuditRules(true);
        t.modifyingDirectory = addEvent(t.files, QStringLiteral("modifying-directory"), true);
        t.modifyingDirectoryKey = addValue(t.modifyingDirectory, QStringLiteral(".auditd.key"), QStringLiteral("/etc/pam.d"));
        t.modifyingDirectoryRules = addValue(t.modifyingDirectory, QStringLiteral("message-audit-rules"), QString(), false);
        t.modifyingDirectory->setHasAuditRules(true);
        t.modifyingDirectoryKey->setHasAuditRules(true);
        EventTreeItem *programRun = addEvent(t.files, QStringLiteral("program-run"), true);
        t.programs = addValue(programRun, QStringLiteral(".auditd.msg.exe"), QStringLiteral("/usr/bin/passwd"));
        t.diskSpace = addEvent(t.files, QStringLiteral("disk-space"), true);
        t.directories = addValue(t.diskSpace, QStringLiteral("directories"), QStringLiteral("/, /home"), true, EventTreeItem::Compound);

        t.empty = addGroup(t.root, QStringLiteral("empty"));
        return t;
    }

    // Index of `item` in `column`, found by walking up its parents.
    QModelIndex indexOf(const EventTreeItem *item, int column = 0) const
    {
        if (!item || item == m_model->rootItem()) {
            return {};
        }
        return m_model->index(item->row(), column, indexOf(item->parentItem()));
    }

    bool click(const EventTreeItem *item, int column = 0)
    {
        return m_model->setData(indexOf(item, column), Qt::Checked, Qt::CheckStateRole);
    }

    // First item with that native name, top-level rows included.
    QModelIndex indexByName(const QString &name) const
    {
        for (int row = 0; row < m_model->rowCount(); ++row) {
            const QModelIndex top = m_model->index(row, 0);
            if (m_model->data(top, CheckableTreeModel::NativeNameRole).toString() == name) {
                return top;
            }
            const QModelIndex found = m_model->findChildByNativeName(top, name);
            if (found.isValid()) {
                return found;
            }
        }
        return {};
    }

    // A fresh tree, changed before the model gets it.
    template<typename Change>
    void rebuild(Change change)
    {
        Tree tree = buildTree();
        change(tree);
        m_model->setRootItem(tree.root);
        m_tree = tree;
    }

    std::unique_ptr<EventConfigStorage> m_storage;
    std::unique_ptr<CheckableTreeModel> m_model;
    std::unique_ptr<QAbstractItemModelTester> m_tester;
    Tree m_tree;

private Q_SLOTS:
    void initTestCase()
    {
        ModelTestEnvironment::useIconThemes();
        QTemporaryDir emptyDir;
        m_storage = std::make_unique<EventConfigStorage>(emptyDir.path());
    }

    void init()
    {
        m_model = std::make_unique<CheckableTreeModel>(*m_storage);
        m_tester = std::make_unique<QAbstractItemModelTester>(m_model.get(), QAbstractItemModelTester::FailureReportingMode::Fatal);
        m_tree = buildTree();
        m_model->setRootItem(m_tree.root);
    }

    void cleanup()
    {
        m_tester.reset();
        m_model.reset();
    }

    void testStructureAndHeader()
    {
        CheckableTreeModel fresh(*m_storage);
        QCOMPARE(fresh.rowCount(), 0);
        QCOMPARE(fresh.columnCount(), 3);
        QCOMPARE(fresh.headerData(0, Qt::Horizontal).toString(), QStringLiteral("Type"));
        QCOMPARE(fresh.headerData(1, Qt::Horizontal).toString(), QStringLiteral("Name"));
        QCOMPARE(fresh.headerData(2, Qt::Horizontal).toString(), QStringLiteral("Value"));
        QVERIFY(!fresh.headerData(0, Qt::Vertical).isValid());
        QVERIFY(!fresh.headerData(0, Qt::Horizontal, Qt::ToolTipRole).isValid());

        // The tree's root gives the header and the top-level columns; the
        // parent's item decides how many columns its children have.
        QCOMPARE(m_model->columnCount(), 2);
        QCOMPARE(m_model->headerData(1, Qt::Horizontal).toString(), QStringLiteral("Value"));
        QVERIFY(!m_model->headerData(2, Qt::Horizontal).isValid());
        QCOMPARE(m_model->rowCount(), 4);
        QCOMPARE(m_model->columnCount(indexOf(m_tree.access)), 2);
        QCOMPARE(m_model->columnCount(indexOf(m_tree.login)), 3);
        QCOMPARE(m_model->rowCount(indexOf(m_tree.login, 1)), 0);
        QVERIFY(!m_model->index(0, 0, indexOf(m_tree.login, 1)).isValid());
        QVERIFY(!m_model->index(3, 0, indexOf(m_tree.access)).isValid());
        QCOMPARE(m_model->parent(indexOf(m_tree.priority, 2)), indexOf(m_tree.login));
        QVERIFY(!m_model->parent(indexOf(m_tree.access)).isValid());

        // A new tree resets the model; no tree at all leaves an empty model.
        QSignalSpy reset(m_model.get(), &QAbstractItemModel::modelReset);
        m_model->setRootItem(buildTree().root);
        QCOMPARE(reset.count(), 1);
        QCOMPARE(m_model->rowCount(), 4);
        m_model->setRootItem(nullptr);
        QCOMPARE(reset.count(), 2);
        QCOMPARE(m_model->rowCount(), 0);
        QCOMPARE(m_model->columnCount(), 3);
    }

    void testGroupClickChecksItsEvents()
    {
        // Partially checked: the click checks the group and every event.
        QVERIFY(click(m_tree.access));
        QCOMPARE(m_tree.access->checkState, int(Qt::Checked));
        for (const EventTreeItem *event : {m_tree.login, m_tree.logout, m_tree.lockout}) {
            QCOMPARE(event->checkState, int(Qt::Checked));
            QCOMPARE(switchValue(event->findChildTopLevelByNativeName(QStringLiteral("enabled"))), 1);
        }
        // Events only: the dependency of lockout and the parameters stay.
        QCOMPARE(m_tree.loginFailed->checkState, int(Qt::Unchecked));
        QCOMPARE(m_tree.extend->checkState, int(Qt::Checked));

        QVERIFY(click(m_tree.access));
        QCOMPARE(m_tree.access->checkState, int(Qt::Unchecked));
        for (const EventTreeItem *event : {m_tree.login, m_tree.logout, m_tree.lockout}) {
            QCOMPARE(event->checkState, int(Qt::Unchecked));
            QCOMPARE(switchValue(event->findChildTopLevelByNativeName(QStringLiteral("enabled"))), 0);
        }
        // A parameter switch keeps its own state when its event goes off.
        QCOMPARE(m_tree.extend->checkState, int(Qt::Checked));
        QCOMPARE(switchValue(m_tree.extend->findChildTopLevelByNativeName(QStringLiteral("enabled"))), 1);

        // An unchecked group goes to checked; a group without events too.
        QVERIFY(click(m_tree.access));
        QCOMPARE(m_tree.access->checkState, int(Qt::Checked));
        QVERIFY(click(m_tree.empty));
        QCOMPARE(m_tree.empty->checkState, int(Qt::Checked));
    }

    void testEventClickRecomputesItsGroup()
    {
        QVERIFY(click(m_tree.lockout));
        QCOMPARE(m_tree.lockout->checkState, int(Qt::Checked));
        QCOMPARE(m_tree.access->checkState, int(Qt::Checked));
        QCOMPARE(switchValue(m_tree.lockout->findChildTopLevelByNativeName(QStringLiteral("enabled"))), 1);

        QVERIFY(click(m_tree.login));
        QCOMPARE(m_tree.login->checkState, int(Qt::Unchecked));
        QCOMPARE(m_tree.access->checkState, int(Qt::PartiallyChecked));
        QCOMPARE(switchValue(m_tree.login->findChildTopLevelByNativeName(QStringLiteral("enabled"))), 0);

        QVERIFY(click(m_tree.logout));
        QVERIFY(click(m_tree.lockout));
        QCOMPARE(m_tree.access->checkState, int(Qt::Unchecked));

        // A partially checked event keeps its state and its value.
        m_tree.logout->checkState = Qt::PartiallyChecked;
        m_tree.logout->findChildTopLevelByNativeName(QStringLiteral("enabled"))->setData(1, QStringLiteral("kept"));
        QVERIFY(click(m_tree.logout));
        QCOMPARE(m_tree.logout->checkState, int(Qt::PartiallyChecked));
        QCOMPARE(m_tree.logout->findChildTopLevelByNativeName(QStringLiteral("enabled"))->data(1).toString(), QStringLiteral("kept"));
        // ... which makes its group partially checked after the next click.
        QVERIFY(click(m_tree.login));
        QCOMPARE(m_tree.access->checkState, int(Qt::PartiallyChecked));
        // Clicking the partially checked group checks it and its events.
        QVERIFY(click(m_tree.access));
        QCOMPARE(m_tree.logout->checkState, int(Qt::Checked));
        QCOMPARE(switchValue(m_tree.logout->findChildTopLevelByNativeName(QStringLiteral("enabled"))), 1);
    }

    void testDependenciesAndDependents()
    {
        // Checking lockout checks login-failed, which it depends on, but not
        // what login-failed depends on in turn.
        QVERIFY(click(m_tree.lockout));
        QCOMPARE(m_tree.loginFailed->checkState, int(Qt::Checked));
        QCOMPARE(switchValue(m_tree.loginFailed->findChildTopLevelByNativeName(QStringLiteral("enabled"))), 1);
        QCOMPARE(m_tree.auditStart->checkState, int(Qt::Unchecked));

        // Unchecking lockout leaves its dependency alone.
        QVERIFY(click(m_tree.lockout));
        QCOMPARE(m_tree.lockout->checkState, int(Qt::Unchecked));
        QCOMPARE(m_tree.loginFailed->checkState, int(Qt::Checked));

        // Unchecking login-failed unchecks lockout, which depends on it.
        QVERIFY(click(m_tree.lockout));
        QVERIFY(click(m_tree.loginFailed));
        QCOMPARE(m_tree.loginFailed->checkState, int(Qt::Unchecked));
        QCOMPARE(m_tree.lockout->checkState, int(Qt::Unchecked));
        QCOMPARE(switchValue(m_tree.lockout->findChildTopLevelByNativeName(QStringLiteral("enabled"))), 0);
        // Checking login-failed checks audit-start, not lockout.
        QVERIFY(click(m_tree.loginFailed));
        QCOMPARE(m_tree.auditStart->checkState, int(Qt::Checked));
        QCOMPARE(m_tree.lockout->checkState, int(Qt::Unchecked));
    }

    void testParameterSwitches()
    {
        // The value cell of an object with an "enabled" child is its switch.
        const QModelIndex extendValue = indexOf(m_tree.extend, 1);
        QCOMPARE(m_model->data(extendValue).toString(), QStringLiteral("On"));
        QVERIFY(click(m_tree.extend, 1));
        QCOMPARE(m_tree.extend->checkState, int(Qt::Unchecked));
        QCOMPARE(m_model->data(extendValue).toString(), QStringLiteral("Off"));
        QCOMPARE(m_model->data(extendValue, Qt::CheckStateRole).toInt(), int(Qt::Unchecked));
        // Only the direct "enabled" child is written; the nested switch keeps.
        QCOMPARE(switchValue(m_tree.extendUser->findChildTopLevelByNativeName(QStringLiteral("enabled"))), 1);

        // A parameter click updates its event, not the event's group (which
        // would now be checked as a whole).
        QVERIFY(click(m_tree.lockoutDetail, 1));
        QCOMPARE(m_tree.lockoutDetail->checkState, int(Qt::Checked));
        QCOMPARE(switchValue(m_tree.lockoutDetail->findChildTopLevelByNativeName(QStringLiteral("enabled"))), 1);
        QCOMPARE(m_tree.lockout->checkState, int(Qt::Checked));
        QCOMPARE(switchValue(m_tree.lockout->findChildTopLevelByNativeName(QStringLiteral("enabled"))), 1);
        QCOMPARE(m_tree.access->checkState, int(Qt::PartiallyChecked));

        // Cells without a check box take no click.
        QVERIFY(!click(m_tree.priority, 1));
        QVERIFY(!click(m_tree.priority, 0));
        QVERIFY(!click(m_tree.succ, 0));
        QVERIFY(!click(m_tree.fail, 2));
        QCOMPARE(m_tree.priority->checkState, int(Qt::Unchecked));
        QCOMPARE(m_tree.login->checkState, int(Qt::Checked));
    }

    void testAuditItemsWriteOneAndZero()
    {
        QCOMPARE(m_model->data(indexOf(m_tree.succ, 1)).toString(), QStringLiteral("On"));
        QCOMPARE(m_model->data(indexOf(m_tree.fail, 1)).toString(), QStringLiteral("Off"));

        QVERIFY(click(m_tree.succ, 1));
        QCOMPARE(m_tree.succ->checkState, int(Qt::Unchecked));
        QCOMPARE(m_tree.succ->data(1), QVariant(0));
        QCOMPARE(m_model->data(indexOf(m_tree.succ, 1)).toString(), QStringLiteral("Off"));
        QVERIFY(click(m_tree.fail, 1));
        QCOMPARE(m_tree.fail->data(1), QVariant(1));
        QCOMPARE(m_model->data(indexOf(m_tree.fail, 1)).toString(), QStringLiteral("On"));
        QCOMPARE(m_model->data(indexOf(m_tree.fail, 1), Qt::CheckStateRole).toInt(), int(Qt::Checked));
        // The written values read back as the catalogue's "1" and "0".
        QCOMPARE(m_tree.fail->data(1).toString(), QStringLiteral("1"));
        QCOMPARE(m_tree.succ->data(1).toString(), QStringLiteral("0"));

        // Any click brings every switch value in line with its check state,
        // in the whole tree; a partially checked switch is left alone.
        m_tree.succ->checkState = Qt::Checked;
        m_tree.fail->checkState = Qt::PartiallyChecked;
        m_tree.fail->setData(1, QStringLiteral("kept"));
        m_tree.logout->findChildTopLevelByNativeName(QStringLiteral("enabled"))->setData(1, QStringLiteral("0"));
        QVERIFY(click(m_tree.lockout));
        QCOMPARE(m_tree.succ->data(1), QVariant(1));
        QCOMPARE(m_tree.fail->data(1).toString(), QStringLiteral("kept"));
        QCOMPARE(switchValue(m_tree.logout->findChildTopLevelByNativeName(QStringLiteral("enabled"))), 1);
    }

    void testOneValidRangePerClick_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("column");
        QTest::newRow("group") << QStringLiteral("access") << 0;
        QTest::newRow("empty group") << QStringLiteral("empty") << 0;
        QTest::newRow("event with children") << QStringLiteral("login") << 0;
        QTest::newRow("event with dependencies") << QStringLiteral("lockout") << 0;
        QTest::newRow("parameter switch") << QStringLiteral("extend-message-params") << 1;
        QTest::newRow("audit item without children") << QStringLiteral("fail") << 1;
    }

    void testOneValidRangePerClick()
    {
        QFETCH(QString, path);
        QFETCH(int, column);
        const QModelIndex clicked = indexByName(path).siblingAtColumn(column);
        QVERIFY(clicked.isValid());

        QSignalSpy changed(m_model.get(), &QAbstractItemModel::dataChanged);
        QVERIFY(m_model->setData(clicked, Qt::Checked, Qt::CheckStateRole));
        QCOMPARE(changed.count(), 1);
        const auto topLeft = changed.at(0).at(0).value<QModelIndex>();
        const auto bottomRight = changed.at(0).at(1).value<QModelIndex>();
        QVERIFY(topLeft.isValid());
        QVERIFY(bottomRight.isValid());
        QCOMPARE(topLeft.parent(), bottomRight.parent());
        QCOMPARE(topLeft.parent(), clicked.parent());
        // The clicked cell lies inside, and the range is more than that cell,
        // so that a tree view repaints the rows the click changed elsewhere.
        QVERIFY(topLeft.row() <= clicked.row() && clicked.row() <= bottomRight.row());
        QVERIFY(topLeft.column() <= clicked.column() && clicked.column() <= bottomRight.column());
        QVERIFY(topLeft != bottomRight);
        QVERIFY(bottomRight.column() < m_model->columnCount(bottomRight.parent()));
        QVERIFY(changed.at(0).at(2).value<QVector<int>>().isEmpty());
    }

    void testDisplayRole_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QVariant>("enabledValue"); // invalid: no "enabled" child
        QTest::addColumn<QVariant>("ownValue");
        QTest::addColumn<QVariant>("expected");
        const QVariant none;
        const QString on = QStringLiteral("On");
        const QString off = QStringLiteral("Off");
        QTest::newRow("enabled 1") << int(EventTreeItem::Value) << QStringLiteral("extend") << QVariant(QStringLiteral("1")) << none << QVariant(on);
        QTest::newRow("enabled 0") << int(EventTreeItem::Value) << QStringLiteral("extend") << QVariant(QStringLiteral("0")) << none << QVariant(off);
        QTest::newRow("enabled 2") << int(EventTreeItem::Value) << QStringLiteral("extend") << QVariant(QStringLiteral("2")) << none << none;
        QTest::newRow("enabled text") << int(EventTreeItem::Value) << QStringLiteral("extend") << QVariant(QStringLiteral("yes")) << none << none;
        QTest::newRow("enabled written 1") << int(EventTreeItem::Value) << QStringLiteral("extend") << QVariant(1) << none << QVariant(on);
        QTest::newRow("enabled wins over own value") << int(EventTreeItem::Value) << QStringLiteral("succ") << QVariant(QStringLiteral("0"))
                                                     << QVariant(QStringLiteral("1")) << QVariant(off);
        QTest::newRow("succ 1") << int(EventTreeItem::Value) << QStringLiteral("succ") << none << QVariant(QStringLiteral("1")) << QVariant(on);
        QTest::newRow("fail 0") << int(EventTreeItem::Value) << QStringLiteral("fail") << none << QVariant(QStringLiteral("0")) << QVariant(off);
        QTest::newRow("plain value") << int(EventTreeItem::Value) << QStringLiteral("priority") << none << QVariant(QStringLiteral("1"))
                                     << QVariant(QStringLiteral("1"));
        QTest::newRow("array with enabled child") << int(EventTreeItem::Array) << QStringLiteral("paths") << QVariant(QStringLiteral("1"))
                                                  << QVariant(QStringLiteral("/a, /b")) << QVariant(QStringLiteral("/a, /b"));
        QTest::newRow("event with enabled child") << int(EventTreeItem::Event) << QStringLiteral("ev") << QVariant(QStringLiteral("1")) << none << none;
    }

    void testDisplayRole()
    {
        QFETCH(int, kind);
        QFETCH(QString, name);
        QFETCH(QVariant, enabledValue);
        QFETCH(QVariant, ownValue);
        QFETCH(QVariant, expected);

        EventTreeItem *item = nullptr;
        rebuild([&](Tree &tree) {
            item = addValue(tree.login, name, ownValue, true, kind);
            item->setData(2, QStringLiteral("raw"));
            if (enabledValue.isValid()) {
                addValue(item, QStringLiteral("enabled"), enabledValue);
            }
        });
        const QModelIndex nameCell = indexOf(item, 0);
        QCOMPARE(m_model->data(nameCell).toString(), name);
        QCOMPARE(m_model->data(nameCell.siblingAtColumn(1)), expected);
        QCOMPARE(m_model->data(nameCell.siblingAtColumn(2)).toString(), QStringLiteral("raw"));
        // The edit role always gives the stored value.
        QCOMPARE(m_model->data(nameCell.siblingAtColumn(1), Qt::EditRole), ownValue);
        QVERIFY(!m_model->data(nameCell, Qt::EditRole).isValid());
    }

    void testDecorationAndToolTip_data()
    {
        QTest::addColumn<bool>("generatesLoad");
        QTest::addColumn<int>("notification");
        QTest::addColumn<QString>("decoration"); // "pixmap", theme icon name, or empty
        QTest::addColumn<QString>("toolTip");
        const QString load = QStringLiteral("This event generates a large volume of records in the logs");
        const QString notifying = QStringLiteral("Notifications are enabled for this event");
        QTest::newRow("neither") << false << int(EventTreeItem::NotificationOff) << QString() << QString();
        QTest::newRow("large volume") << true << int(EventTreeItem::NotificationOff) << QStringLiteral("dialog-information") << load;
        QTest::newRow("notifying") << false << int(EventTreeItem::NotificationOn) << QStringLiteral("wisp-notifications") << notifying;
        QTest::newRow("notifying, configured") << false << int(EventTreeItem::NotificationOnConfigured) << QStringLiteral("wisp-notifications") << notifying;
        QTest::newRow("both") << true << int(EventTreeItem::NotificationOn) << QStringLiteral("pixmap") << load;
    }

    void testDecorationAndToolTip()
    {
        QFETCH(bool, generatesLoad);
        QFETCH(int, notification);
        QFETCH(QString, decoration);
        QFETCH(QString, toolTip);

        m_tree.login->generatesLoad = generatesLoad;
        m_tree.login->notificationState = static_cast<EventTreeItem::NotificationState>(notification);
        const QModelIndex nameCell = indexOf(m_tree.login);
        const QVariant shown = m_model->data(nameCell, Qt::DecorationRole);
        if (decoration.isEmpty()) {
            QVERIFY(!shown.isValid());
        } else if (decoration == QLatin1String("pixmap")) {
            QCOMPARE(shown.userType(), int(QMetaType::QPixmap));
            const QPixmap pixmap = shown.value<QPixmap>();
            QCOMPARE(pixmap.size(), QSize(32, 16));
        } else {
            QCOMPARE(shown.userType(), int(QMetaType::QIcon));
            const QIcon icon = shown.value<QIcon>();
            QVERIFY(!icon.isNull());
            QCOMPARE(icon.name(), decoration);
        }
        QVariant tip = m_model->data(nameCell, Qt::ToolTipRole);
        QVERIFY(tip.isValid());
        QCOMPARE(tip.toString(), toolTip);
        // Only the name cell carries them.
        QVERIFY(!m_model->data(nameCell.siblingAtColumn(1), Qt::DecorationRole).isValid());
        tip = m_model->data(nameCell.siblingAtColumn(1), Qt::ToolTipRole);
        QVERIFY(tip.isValid());
        QVERIFY(tip.toString().isEmpty());
    }

    void testForegroundAndCheckStates()
    {
        // Read-only values are grey, editable ones keep the palette.
        QCOMPARE(m_model->data(indexOf(m_tree.modifyingFileRules, 1), Qt::ForegroundRole).value<QColor>(), QColor(Qt::gray));
        QVERIFY(!m_model->data(indexOf(m_tree.priority, 1), Qt::ForegroundRole).isValid());
        QVERIFY(!m_model->data(indexOf(m_tree.modifyingFileRules, 0), Qt::ForegroundRole).isValid());

        // Column 0 of groups and events, column 1 of switches; nothing else.
        QCOMPARE(m_model->data(indexOf(m_tree.access), Qt::CheckStateRole), QVariant(int(Qt::PartiallyChecked)));
        QCOMPARE(m_model->data(indexOf(m_tree.login), Qt::CheckStateRole), QVariant(int(Qt::Checked)));
        QCOMPARE(m_model->data(indexOf(m_tree.lockout), Qt::CheckStateRole), QVariant(int(Qt::Unchecked)));
        QVERIFY(!m_model->data(indexOf(m_tree.login, 1), Qt::CheckStateRole).isValid());
        QVERIFY(!m_model->data(indexOf(m_tree.priority), Qt::CheckStateRole).isValid());
        QVERIFY(!m_model->data(indexOf(m_tree.priority, 1), Qt::CheckStateRole).isValid());
        QCOMPARE(m_model->data(indexOf(m_tree.extend, 1), Qt::CheckStateRole), QVariant(int(Qt::Checked)));
        QCOMPARE(m_model->data(indexOf(m_tree.fail, 1), Qt::CheckStateRole), QVariant(int(Qt::Unchecked)));
        QVERIFY(!m_model->data(indexOf(m_tree.fail, 2), Qt::CheckStateRole).isValid());

        // Roles nobody answers.
        for (const int role : {int(Qt::FontRole), int(Qt::StatusTipRole), int(Qt::UserRole), 267, 1000}) {
            QVERIFY2(!m_model->data(indexOf(m_tree.login), role).isValid(), qPrintable(QString::number(role)));
        }
        QVERIFY(!m_model->data(QModelIndex(), Qt::DisplayRole).isValid());
    }

    void testCustomRoles_data()
    {
        QTest::addColumn<QString>("item");
        QTest::addColumn<int>("role");
        QTest::addColumn<QVariant>("expected");
        const auto role = [](CheckableTreeModel::Roles r) {
            return int(r);
        };
        QTest::newRow("visible") << QStringLiteral("priority") << role(CheckableTreeModel::VisibleRole) << QVariant(1);
        QTest::newRow("hidden") << QStringLiteral("enabled") << role(CheckableTreeModel::VisibleRole) << QVariant(0);
        QTest::newRow("file array: .auditd.key of modifying-file")
            << QStringLiteral("modifyingFileKey") << role(CheckableTreeModel::FileArrayRole) << QVariant(1);
        QTest::newRow("file array: .auditd.key of file-opened") << QStringLiteral("fileOpenedKey") << role(CheckableTreeModel::FileArrayRole) << QVariant(1);
        QTest::newRow("file array: .auditd.msg.exe") << QStringLiteral("programs") << role(CheckableTreeModel::FileArrayRole) << QVariant(1);
        QTest::newRow("file array: .auditd.key of modifying-directory")
            << QStringLiteral("modifyingDirectoryKey") << role(CheckableTreeModel::FileArrayRole) << QVariant(0);
        QTest::newRow("file array: plain value") << QStringLiteral("priority") << role(CheckableTreeModel::FileArrayRole) << QVariant(0);
        QTest::newRow("value parameter") << QStringLiteral("priority") << role(CheckableTreeModel::ValueParameterRole) << QVariant(1);
        QTest::newRow("value parameter: table") << QStringLiteral("users") << role(CheckableTreeModel::ValueParameterRole) << QVariant(0);
        QTest::newRow("value parameter: event") << QStringLiteral("login") << role(CheckableTreeModel::ValueParameterRole) << QVariant(0);
        QTest::newRow("native name") << QStringLiteral("modifyingFileKey") << role(CheckableTreeModel::NativeNameRole)
                                     << QVariant(QStringLiteral(".auditd.key"));
        QTest::newRow("directories") << QStringLiteral("directories") << role(CheckableTreeModel::DirectoriesRole) << QVariant(1);
        QTest::newRow("directories: other") << QStringLiteral("modifyingDirectoryKey") << role(CheckableTreeModel::DirectoriesRole) << QVariant(0);
        QTest::newRow("directory array") << QStringLiteral("modifyingDirectoryKey") << role(CheckableTreeModel::DirectoryArrayRole) << QVariant(1);
        QTest::newRow("directory array: file list") << QStringLiteral("modifyingFileKey") << role(CheckableTreeModel::DirectoryArrayRole) << QVariant(0);
        QTest::newRow("users") << QStringLiteral("users") << role(CheckableTreeModel::UsersRole) << QVariant(1);
        QTest::newRow("users: groups") << QStringLiteral("groups") << role(CheckableTreeModel::UsersRole) << QVariant(0);
        QTest::newRow("groups") << QStringLiteral("groups") << role(CheckableTreeModel::GroupsRole) << QVariant(1);
        QTest::newRow("groups: users") << QStringLiteral("users") << role(CheckableTreeModel::GroupsRole) << QVariant(0);
    }

    void testCustomRoles()
    {
        QFETCH(QString, item);
        QFETCH(int, role);
        QFETCH(QVariant, expected);
        const QHash<QString, EventTreeItem *> items{
            {QStringLiteral("priority"), m_tree.priority},
            {QStringLiteral("enabled"), m_tree.login->findChildTopLevelByNativeName(QStringLiteral("enabled"))},
            {QStringLiteral("modifyingFileKey"), m_tree.modifyingFileKey},
            {QStringLiteral("fileOpenedKey"), m_tree.fileOpenedKey},
            {QStringLiteral("modifyingDirectoryKey"), m_tree.modifyingDirectoryKey},
            {QStringLiteral("programs"), m_tree.programs},
            {QStringLiteral("users"), m_tree.users},
            {QStringLiteral("groups"), m_tree.groups},
            {QStringLiteral("login"), m_tree.login},
            {QStringLiteral("directories"), m_tree.directories},
        };
        // Every cell of the row answers alike.
        const EventTreeItem *node = items.value(item);
        const int columns = m_model->columnCount(indexOf(node).parent());
        for (int column = 0; column < columns; ++column) {
            const QVariant value = m_model->data(indexOf(node, column), role);
            QCOMPARE(value, expected);
            QCOMPARE(value.userType(), expected.userType());
        }
    }

    void testAuditRulesIndexRole()
    {
        const auto rulesOf = [this](const EventTreeItem *item, int column = 0) {
            return m_model->data(indexOf(item, column), CheckableTreeModel::AuditRulesIndexRole).value<QModelIndex>();
        };
        // From the audit key to the value cell of its event's audit rules.
        QCOMPARE(rulesOf(m_tree.modifyingFileKey), indexOf(m_tree.modifyingFileRules, 1));
        QCOMPARE(rulesOf(m_tree.fileOpenedKey, 1), indexOf(m_tree.fileOpenedRules, 1));
        // No audit rules on the item, or no event above it: no index.
        QVERIFY(!rulesOf(m_tree.programs).isValid());
        QVERIFY(!rulesOf(m_tree.modifyingFile).isValid());
        // An event without its rules parameter.
        rebuild([](Tree &tree) {
            tree.modifyingFile->deleteChild(tree.modifyingFileRules->row());
        });
        QVERIFY(!rulesOf(m_tree.modifyingFileKey).isValid());
        QVERIFY(!m_model->getAuditRules(indexOf(m_tree.fileOpenedKey), nullptr).value<QModelIndex>().isValid());
    }

    void testEditFlags_data()
    {
        QTest::addColumn<QString>("item");
        QTest::addColumn<bool>("editable");
        QTest::addColumn<bool>("checkable");
        QTest::newRow("plain editable value") << QStringLiteral("priority") << true << false;
        QTest::newRow("read-only value") << QStringLiteral("rules") << false << false;
        QTest::newRow("file list") << QStringLiteral("modifyingFileKey") << false << false;
        QTest::newRow("program list") << QStringLiteral("programs") << false << false;
        QTest::newRow("directory list") << QStringLiteral("modifyingDirectoryKey") << false << false;
        QTest::newRow("directories table") << QStringLiteral("directories") << false << false;
        QTest::newRow("users") << QStringLiteral("users") << false << false;
        QTest::newRow("groups") << QStringLiteral("groups") << false << false;
        QTest::newRow("switch with enabled child") << QStringLiteral("extend") << false << true;
        QTest::newRow("audit item") << QStringLiteral("succ") << false << true;
        QTest::newRow("event") << QStringLiteral("login") << false << false;
    }

    void testEditFlags()
    {
        QFETCH(QString, item);
        QFETCH(bool, editable);
        QFETCH(bool, checkable);
        const QHash<QString, EventTreeItem *> items{
            {QStringLiteral("priority"), m_tree.priority},
            {QStringLiteral("rules"), m_tree.modifyingFileRules},
            {QStringLiteral("modifyingFileKey"), m_tree.modifyingFileKey},
            {QStringLiteral("programs"), m_tree.programs},
            {QStringLiteral("modifyingDirectoryKey"), m_tree.modifyingDirectoryKey},
            {QStringLiteral("directories"), m_tree.directories},
            {QStringLiteral("users"), m_tree.users},
            {QStringLiteral("groups"), m_tree.groups},
            {QStringLiteral("extend"), m_tree.extend},
            {QStringLiteral("succ"), m_tree.succ},
            {QStringLiteral("login"), m_tree.login},
        };
        EventTreeItem *node = items.value(item);
        // Lists, tables and switches stay out of inline editing even when
        // the dictionary made them editable.
        node->editable = true;
        if (item == QLatin1String("rules") || item == QLatin1String("login")) {
            node->editable = false;
        }
        const Qt::ItemFlags flags = m_model->flags(indexOf(node, 1));
        QCOMPARE(bool(flags & Qt::ItemIsEditable), editable);
        QCOMPARE(bool(flags & Qt::ItemIsUserCheckable), checkable);
        QVERIFY(flags & Qt::ItemIsEnabled);
        QVERIFY(flags & Qt::ItemIsSelectable);
        QCOMPARE(m_model->flags(indexOf(node, 0)), Qt::ItemIsSelectable | Qt::ItemIsUserCheckable | Qt::ItemIsEnabled);
        if (m_model->columnCount(indexOf(node).parent()) > 2) {
            QCOMPARE(m_model->flags(indexOf(node, 2)), Qt::ItemIsSelectable | Qt::ItemIsEnabled);
        }
        QCOMPARE(m_model->flags(QModelIndex()), Qt::NoItemFlags);
    }

    void testEditRole()
    {
        QSignalSpy changed(m_model.get(), &QAbstractItemModel::dataChanged);
        const QModelIndex value = indexOf(m_tree.priority, 1);
        QVERIFY(m_model->setData(value, QStringLiteral("alert"), Qt::EditRole));
        QCOMPARE(m_tree.priority->data(1).toString(), QStringLiteral("alert"));
        QCOMPARE(changed.count(), 1);
        QCOMPARE(changed.at(0).at(0).value<QModelIndex>(), value);
        QCOMPARE(changed.at(0).at(1).value<QModelIndex>(), value);
        QVERIFY(changed.at(0).at(2).value<QVector<int>>().isEmpty());

        // A cell the item has no value for is not written.
        EventTreeItem *narrow = nullptr;
        rebuild([&narrow](Tree &tree) {
            narrow = addNode(tree.login, {QStringLiteral("narrow"), QStringLiteral("x")}, QStringLiteral("narrow"), EventTreeItem::Value);
        });
        changed.clear();
        QVERIFY(!m_model->setData(indexOf(narrow, 2), QStringLiteral("y"), Qt::EditRole));
        QCOMPARE(narrow->columnCount(), 2);
        // Roles the model does not take, and no cell at all.
        QVERIFY(!m_model->setData(indexOf(m_tree.priority, 1), QStringLiteral("y"), Qt::DisplayRole));
        QVERIFY(!m_model->setData(indexOf(m_tree.priority, 1), QStringLiteral("y"), Qt::ToolTipRole));
        QVERIFY(!m_model->setData(QModelIndex(), QStringLiteral("y"), Qt::EditRole));
        QVERIFY(!m_model->setData(QModelIndex(), Qt::Checked, Qt::CheckStateRole));
        QCOMPARE(m_model->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Parameter"));
        QCOMPARE(changed.count(), 0);
    }

    void testNotificationState_data()
    {
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<int>("stored");
        QTest::newRow("on") << QVariant::fromValue(EventTreeItem::NotificationOn) << int(EventTreeItem::NotificationOn);
        QTest::newRow("configured") << QVariant::fromValue(EventTreeItem::NotificationOnConfigured) << int(EventTreeItem::NotificationOnConfigured);
        QTest::newRow("off") << QVariant::fromValue(EventTreeItem::NotificationOff) << int(EventTreeItem::NotificationOff);
        QTest::newRow("as integer") << QVariant(2) << int(EventTreeItem::NotificationOnConfigured);
        QTest::newRow("out of range") << QVariant(7) << int(EventTreeItem::NotificationOff);
        QTest::newRow("text") << QVariant(QStringLiteral("on")) << int(EventTreeItem::NotificationOff);
        QTest::newRow("nothing") << QVariant() << int(EventTreeItem::NotificationOff);
    }

    void testNotificationState()
    {
        QFETCH(QVariant, value);
        QFETCH(int, stored);
        m_tree.login->notificationState = EventTreeItem::NotificationOn;
        QSignalSpy notified(m_model.get(), &CheckableTreeModel::notificationChanged);
        QSignalSpy changed(m_model.get(), &QAbstractItemModel::dataChanged);
        const QModelIndex event = indexOf(m_tree.login);
        QVERIFY(m_model->setData(event, value, Qt::DecorationRole));
        QCOMPARE(int(m_tree.login->notificationState), stored);
        QCOMPARE(notified.count(), 1);
        QCOMPARE(notified.at(0).at(0).value<QModelIndex>(), event);
        QCOMPARE(notified.at(0).at(1).value<QModelIndex>(), event);
        QCOMPARE(notified.at(0).at(2).value<QVector<int>>(), QVector<int>{Qt::DecorationRole});
        QCOMPARE(changed.count(), 0);
    }

    void testSetAuditFileRules_data()
    {
        QTest::addColumn<QString>("event");
        QTest::addColumn<QString>("paths");
        QTest::addColumn<QString>("rules");
        QTest::newRow("modifying-file") << QStringLiteral("modifyingFile") << QStringLiteral("/a,  ,/b")
                                        << QStringLiteral("-w /a -p wa -k /a, -w /b -p wa -k /b");
        QTest::newRow("modifying-file, list form, a path with a space gets no rule")
            << QStringLiteral("modifyingFile") << QStringLiteral("/etc/passwd, /etc/my  file,\n") << QStringLiteral("-w /etc/passwd -p wa -k /etc/passwd");
        QTest::newRow("modifying-directory") << QStringLiteral("modifyingDirectory") << QStringLiteral("/etc/pam.d")
                                             << QStringLiteral("-w /etc/pam.d -p wa -k /etc/pam.d");
        QTest::newRow("file-opened") << QStringLiteral("fileOpened") << QStringLiteral("/a, ,/b")
                                     << QStringLiteral(
                                            "-a always,exit -F arch=x86_64 -F path=/a -S open,openat -k /a, "
                                            "-a always,exit -F arch=armv7l -F path=/a -S open,openat -k /a, "
                                            "-a always,exit -F arch=aarch64 -F path=/a -S openat -k /a, "
                                            "-a always,exit -F arch=x86_64 -F path=/b -S open,openat -k /b, "
                                            "-a always,exit -F arch=armv7l -F path=/b -S open,openat -k /b, "
                                            "-a always,exit -F arch=aarch64 -F path=/b -S openat -k /b");
        QTest::newRow("nothing left") << QStringLiteral("modifyingFile") << QStringLiteral(" , \n") << QString();
    }

    void testSetAuditFileRules()
    {
        QFETCH(QString, event);
        QFETCH(QString, paths);
        QFETCH(QString, rules);
        const QHash<QString, EventTreeItem *> keys{
            {QStringLiteral("modifyingFile"), m_tree.modifyingFileKey},
            {QStringLiteral("fileOpened"), m_tree.fileOpenedKey},
            {QStringLiteral("modifyingDirectory"), m_tree.modifyingDirectoryKey},
        };
        // As the module does when a file list dialog is accepted: the list
        // goes into the key, the rules into the cell the key points to.
        const QModelIndex key = indexOf(keys.value(event), 1);
        QVERIFY(m_model->setData(key, paths, Qt::EditRole));
        const QModelIndex target = m_model->data(key, CheckableTreeModel::AuditRulesIndexRole).value<QModelIndex>();
        QVERIFY(target.isValid());
        QSignalSpy changed(m_model.get(), &QAbstractItemModel::dataChanged);
        QVERIFY(m_model->setAuditFileRules(target, paths));
        QCOMPARE(m_model->data(target, Qt::EditRole).toString(), rules);
        QCOMPARE(changed.count(), 1);
        QCOMPARE(changed.at(0).at(0).value<QModelIndex>(), target);
        QVERIFY(!m_model->setAuditFileRules(QModelIndex(), paths));
    }

    void testFindHelpers()
    {
        const QModelIndex audit = indexOf(m_tree.audit);
        // Pre-order: the event "exec" comes before the audit event "exec"
        // below it, which a search from the event finds.
        const EventTreeItem *auditEvent = m_tree.other->parentItem();
        QCOMPARE(m_model->findChildByNativeName(audit, QStringLiteral("exec")), indexOf(m_tree.exec));
        QCOMPARE(m_model->findChildByNativeName(indexOf(m_tree.exec), QStringLiteral("exec")), indexOf(auditEvent));
        QCOMPARE(m_model->findChildByNativeName(audit, QStringLiteral("fail")), indexOf(m_tree.fail));
        QVERIFY(!m_model->findChildByNativeName(audit, QStringLiteral("priority")).isValid());
        // Never from the root, even for a top-level name.
        QVERIFY(!m_model->findChildByNativeName(QModelIndex(), QStringLiteral("audit")).isValid());

        const QModelIndex fail = indexOf(m_tree.fail, 1);
        QCOMPARE(m_model->findParentEvent(fail), indexOf(m_tree.exec));
        QVERIFY(!m_model->findParentEvent(indexOf(m_tree.exec)).isValid());
        QCOMPARE(m_model->findParentByNativeName(fail, QStringLiteral("exec")), indexOf(auditEvent));
        QCOMPARE(m_model->findParentByNativeName(fail, QStringLiteral("audit")), audit);
        // Proper ancestors only.
        QVERIFY(!m_model->findParentByNativeName(fail, QStringLiteral("fail")).isValid());
        QVERIFY(!m_model->findParentByNativeName(audit, QStringLiteral("audit")).isValid());
    }

    void testComposedIcon()
    {
        const QIcon icon = createComposedIcon(QStringLiteral("dialog-information"), QStringLiteral("wisp-notifications"));
        QVERIFY(!icon.isNull());
        // One double-width image per size of the left icon.
        QSet<int> heights;
        const QList<QSize> leftSizes = QIcon::fromTheme(QStringLiteral("dialog-information")).availableSizes();
        for (const QSize &size : leftSizes) {
            heights.insert(size.height());
        }
        const QList<QSize> sizes = icon.availableSizes();
        QCOMPARE(sizes.size(), heights.size());
        for (const QSize &size : sizes) {
            QVERIFY(heights.contains(size.height()));
            QCOMPARE(size.width(), 2 * size.height());
        }
        // Left half the left icon, right half the right icon: both painted.
        const QImage image = icon.pixmap(QSize(32, 16)).toImage();
        QCOMPARE(image.size(), QSize(32, 16));
        const auto painted = [&image](int fromX, int toX) {
            int count = 0;
            for (int y = 0; y < image.height(); ++y) {
                for (int x = fromX; x < toX; ++x) {
                    count += qAlpha(image.pixel(x, y)) > 0 ? 1 : 0;
                }
            }
            return count;
        };
        QVERIFY(painted(0, 16) > 0);
        QVERIFY(painted(16, 32) > 0);
        // The right half is the bell, not a second copy of the left icon.
        QVERIFY(image.copy(0, 0, 16, 16) != image.copy(16, 0, 16, 16));

        QVERIFY(createComposedIcon(QStringLiteral("no-such-icon-anywhere"), QStringLiteral("wisp-notifications")).isNull());
    }
};

QTEST_MAIN(CheckableTreeModelTest)

#include "checkabletreemodeltest.moc"
