/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "eventtreeitem.h"

#include <QTest>

#include <memory>

namespace
{
EventTreeItem *addItem(EventTreeItem *parent, const QString &nativeName)
{
    auto item = new EventTreeItem({nativeName, QVariant()}, parent);
    item->nativeName = nativeName;
    parent->appendChild(item);
    return item;
}

// Counts its own destructions, to see what a deletion takes with it.
class CountedItem : public TreeItem
{
public:
    CountedItem(TreeItem *parent, int *deleted)
        : TreeItem({QStringLiteral("counted")}, parent)
        , m_deleted(deleted)
    {
    }
    ~CountedItem() override
    {
        ++*m_deleted;
    }

private:
    int *m_deleted;
};
}

class TreeItemTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void outOfRangeAccessIsRefused();
    void rowReflectsMembershipInTheParent();
    void prependInsertsAtRowZero();
    void deletingANodeDeletesItsSubtree();
    void findChildIsPreOrderOverDescendants();
    void findChildWithoutTopLevelSkipsTheDirectChildren();
    void nativeNameLookupsTakeTheFirstMatchInPreOrder();
    void findParentByNativeNameSearchesTheParentsSubtree();
    void eventItemStartsWithTheDocumentedState();
    void notificationStateTravelsInAVariant();
};

void TreeItemTest::outOfRangeAccessIsRefused()
{
    TreeItem root({QStringLiteral("a"), QStringLiteral("b")});
    root.appendChild(new TreeItem({QStringLiteral("c")}, &root));

    QCOMPARE(root.child(-1), nullptr);
    QCOMPARE(root.child(root.childCount()), nullptr);
    QVERIFY(!root.data(-1).isValid());
    QVERIFY(!root.data(root.columnCount()).isValid());
    QVERIFY(!root.setData(root.columnCount(), QStringLiteral("x")));
    QVERIFY(!root.setData(-1, QStringLiteral("x")));
    QCOMPARE(root.columnCount(), 2);
    QCOMPARE(root.data(1).toString(), QStringLiteral("b"));

    QVERIFY(root.setData(1, QStringLiteral("B")));
    QCOMPARE(root.data(1).toString(), QStringLiteral("B"));
    root.setData(QVector<QVariant>{QStringLiteral("only")});
    QCOMPARE(root.columnCount(), 1);

    QVERIFY(!root.deleteChild(root.childCount()));
    QVERIFY(!root.deleteChild(-1));
    QCOMPARE(root.childCount(), 1);

    root.appendChild(nullptr);
    QCOMPARE(root.childCount(), 1);
}

void TreeItemTest::rowReflectsMembershipInTheParent()
{
    TreeItem root({QStringLiteral("root")});
    QCOMPARE(root.row(), 0);
    auto first = new TreeItem({QStringLiteral("first")}, &root);
    auto second = new TreeItem({QStringLiteral("second")}, &root);
    root.appendChild(first);
    root.appendChild(second);
    QCOMPARE(first->row(), 0);
    QCOMPARE(second->row(), 1);
    QCOMPARE(second->parentItem(), &root);

    const std::unique_ptr<TreeItem> stray(new TreeItem({QStringLiteral("stray")}, &root));
    QCOMPARE(stray->row(), -1);
}

void TreeItemTest::prependInsertsAtRowZero()
{
    TreeItem root({QStringLiteral("root")});
    auto a = new TreeItem({QStringLiteral("a")}, &root);
    auto b = new TreeItem({QStringLiteral("b")}, &root);
    auto c = new TreeItem({QStringLiteral("c")}, &root);
    root.appendChild(a);
    root.appendChild(b);
    root.appendChild(c, true);
    QCOMPARE(root.child(0), c);
    QCOMPARE(a->row(), 1);
    QCOMPARE(b->row(), 2);
}

void TreeItemTest::deletingANodeDeletesItsSubtree()
{
    int deleted = 0;
    {
        // Destroyed through a base pointer: the whole subtree goes.
        std::unique_ptr<TreeItem> root(new EventTreeItem({QStringLiteral("root")}));
        auto group = new CountedItem(root.get(), &deleted);
        root->appendChild(group);
        auto event = new CountedItem(group, &deleted);
        group->appendChild(event);
        event->appendChild(new CountedItem(event, &deleted));
        auto other = new CountedItem(root.get(), &deleted);
        root->appendChild(other);

        QVERIFY(root->deleteChild(0));
        QCOMPARE(deleted, 3);
        QCOMPARE(root->childCount(), 1);
        QCOMPARE(root->child(0), other);
    }
    QCOMPARE(deleted, 4);
}

void TreeItemTest::findChildIsPreOrderOverDescendants()
{
    TreeItem root({QStringLiteral("x")});
    auto first = new TreeItem({QStringLiteral("first"), QStringLiteral("1")}, &root);
    root.appendChild(first);
    auto deep = new TreeItem({QStringLiteral("x"), QStringLiteral("deep")}, first);
    first->appendChild(deep);
    auto second = new TreeItem({QStringLiteral("x"), QStringLiteral("second")}, &root);
    root.appendChild(second);

    // The root's own value is never compared; the first child's subtree
    // comes before the second child.
    QCOMPARE(root.findChild(QStringLiteral("x"), 0), deep);
    QCOMPARE(root.findChild(QStringLiteral("second"), 1), second);
    QCOMPARE(root.findChild(QStringLiteral("X"), 0), nullptr);
    QCOMPARE(root.findChildTopLevel(QStringLiteral("x")), second);
    QCOMPARE(root.findChildTopLevel(QStringLiteral("deep")), nullptr);
}

void TreeItemTest::findChildWithoutTopLevelSkipsTheDirectChildren()
{
    TreeItem root({QStringLiteral("root")});
    auto leaf = new TreeItem({QStringLiteral("name")}, &root);
    root.appendChild(leaf);
    auto group = new TreeItem({QStringLiteral("group")}, &root);
    root.appendChild(group);
    auto inner = new TreeItem({QStringLiteral("name")}, group);
    group->appendChild(inner);

    QCOMPARE(root.findChild(QStringLiteral("name"), 0), leaf);
    QCOMPARE(root.findChildWithoutTopLevel(QStringLiteral("name"), 0), inner);
    QCOMPARE(root.findChildWithoutTopLevel(QStringLiteral("group"), 0), nullptr);
}

void TreeItemTest::nativeNameLookupsTakeTheFirstMatchInPreOrder()
{
    EventTreeItem root({QStringLiteral("root")});
    EventTreeItem *first = addItem(&root, QStringLiteral("first"));
    EventTreeItem *nested = addItem(first, QStringLiteral("wanted"));
    EventTreeItem *second = addItem(&root, QStringLiteral("wanted"));

    QCOMPARE(root.findChildByNativeName(QStringLiteral("wanted")), nested);
    QCOMPARE(root.findChildTopLevelByNativeName(QStringLiteral("wanted")), second);
    QCOMPARE(root.findChildByNativeName(QStringLiteral("missing")), nullptr);
    // Native names are compared, not the column texts.
    first->setData(0, QStringLiteral("renamed"));
    QCOMPARE(root.findChildTopLevelByNativeName(QStringLiteral("first")), first);
    QCOMPARE(second->parentItem(), &root);
}

void TreeItemTest::findParentByNativeNameSearchesTheParentsSubtree()
{
    EventTreeItem root({QStringLiteral("root")});
    root.nativeName = QStringLiteral("root");
    QCOMPARE(root.findParentByNativeName(QStringLiteral("root")), nullptr);

    EventTreeItem *event = addItem(&root, QStringLiteral("event"));
    EventTreeItem *sibling = addItem(event, QStringLiteral("sibling"));
    EventTreeItem *self = addItem(event, QStringLiteral("self"));
    EventTreeItem *leaf = addItem(self, QStringLiteral("leaf"));

    QCOMPARE(leaf->findParentByNativeName(QStringLiteral("self")), self);
    QCOMPARE(self->findParentByNativeName(QStringLiteral("event")), event);
    QCOMPARE(self->findParentByNativeName(QStringLiteral("sibling")), sibling);
    QCOMPARE(self->findParentByNativeName(QStringLiteral("self")), self);
    QCOMPARE(self->findParentByNativeName(QStringLiteral("nothing")), nullptr);
}

void TreeItemTest::eventItemStartsWithTheDocumentedState()
{
    const EventTreeItem item({});
    QVERIFY(!item.checkable);
    QCOMPARE(item.checkState, int(Qt::Unchecked));
    QVERIFY(!item.editable);
    QVERIFY(!item.childrenEditable);
    QVERIFY(item.visible);
    QVERIFY(!item.overridden);
    QVERIFY(!item.notRedirected);
    QVERIFY(!item.generatesLoad);
    QVERIFY(!item.hasAuditRules());
    QCOMPARE(item.notificationState, EventTreeItem::NotificationOff);
    QVERIFY(item.conflicts.isEmpty());
    QCOMPARE(item.kind, int(EventTreeItem::Event));
    QVERIFY(item.nativeName.isEmpty());
    QVERIFY(item.name.isEmpty());
    QVERIFY(item.dependencies.empty());
    QVERIFY(item.dependents.empty());
    QCOMPARE(item.columnCount(), 0);
}

void TreeItemTest::notificationStateTravelsInAVariant()
{
    EventTreeItem item({});
    QVERIFY(!item.isNotificationOn());
    item.notificationState = EventTreeItem::NotificationOn;
    QVERIFY(item.isNotificationOn());
    item.notificationState = EventTreeItem::NotificationOnConfigured;
    QVERIFY(item.isNotificationOn());

    const int typeId = QMetaType::type("EventTreeItem::NotificationState");
    QVERIFY(typeId != QMetaType::UnknownType);
    const QVariant value = QVariant::fromValue(EventTreeItem::NotificationOnConfigured);
    QCOMPARE(value.userType(), typeId);
    QCOMPARE(value.value<EventTreeItem::NotificationState>(), EventTreeItem::NotificationOnConfigured);
    // Views and proxies hand the model plain integers as well.
    QCOMPARE(QVariant(1).value<EventTreeItem::NotificationState>(), EventTreeItem::NotificationOn);
}

QTEST_GUILESS_MAIN(TreeItemTest)

#include "treeitemtest.moc"
