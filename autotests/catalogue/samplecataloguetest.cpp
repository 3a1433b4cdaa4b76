/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "catalogueroot.h"
#include "dbuskeeper.h"
#include "eventtreeitem.h"
#include "fakegetent.h"
#include "singleeventsparser.h"
#include "treedump.h"

#include <QTest>

#include <memory>

// The embedded sample catalogue, end to end; and the dictionary, which a
// process reads once: first without it, then with the sample one.
namespace
{
using Tree = std::unique_ptr<EventTreeItem>;

EventTreeItem *child(const EventTreeItem *node, const QString &nativeName)
{
    return node ? node->findChildTopLevelByNativeName(nativeName) : nullptr;
}

QString text(const EventTreeItem *node, int column)
{
    return node ? node->data(column).toString() : QStringLiteral("<no node>");
}

QStringList nativeNames(const std::vector<EventTreeItem *> &items)
{
    QStringList names;
    for (const EventTreeItem *item : items) {
        names.append(item->nativeName);
    }
    return names;
}

bool allParameters(const EventTreeItem *node, bool (*test)(const EventTreeItem *))
{
    for (int row = 0; row < node->childCount(); ++row) {
        auto item = static_cast<const EventTreeItem *>(node->child(row));
        const bool parameter = item->kind != EventTreeItem::Group && item->kind != EventTreeItem::Event;
        if ((parameter && !test(item)) || !allParameters(item, test)) {
            return false;
        }
    }
    return true;
}
}

class SampleCatalogueTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    // In this order: the dictionary is read by the first parser that finds it.
    void withoutDictionaryEveryParameterIsShownAndEditable();
    void sampleCatalogueEndToEnd();
    // The module keeps a copy of the parsed tree as its reference.
    void copyIsASecondParse();

private:
    FakeGetent m_getent;
};

void SampleCatalogueTest::initTestCase()
{
    m_getent.setListing(QStringLiteral("passwd"), "alice:x:1000:1000::/home/alice:/bin/sh\n");
    m_getent.setListing(QStringLiteral("group"), "staff:x:1000:\n");
}

void SampleCatalogueTest::withoutDictionaryEveryParameterIsShownAndEditable()
{
    CatalogueRoot catalogue;
    QVERIFY(catalogue.addEvent(QStringLiteral("g1"),
                               QStringLiteral("e1"),
                               R"({"event-group": "g1", "enabled": "1", "message-params": {"message_id": "e1", "name_en": "E1"},
                                   "nested": {"message_id": "x"}, "list": ["a"]})"));
    const SingleEventsParser parser;
    const Tree tree(parser.parse());
    QVERIFY(tree);
    QVERIFY(allParameters(tree.get(), [](const EventTreeItem *item) {
        return item->visible && item->editable && item->data(0).toString() == SingleEventsParser::readableName(item->nativeName);
    }));
}

void SampleCatalogueTest::sampleCatalogueEndToEnd()
{
    CatalogueRoot catalogue(SampleRoot::Sample);
    QVERIFY(catalogue.isValid());
    DBusKeeper::Instance().init();

    const SingleEventsParser parser;
    QVERIFY(parser.isConfigCorrect());
    const Tree tree(parser.parse());
    QVERIFY(tree);

    // Groups in the library's order, named from their descriptions.
    QVERIFY(tree->childCount() >= 9);
    for (int row = 0; row < tree->childCount(); ++row) {
        auto group = static_cast<EventTreeItem *>(tree->child(row));
        QCOMPARE(group->kind, int(EventTreeItem::Group));
        QVERIFY2(group->childCount() > 0, qPrintable(group->nativeName));
        if (row > 0) {
            QVERIFY(static_cast<EventTreeItem *>(tree->child(row - 1))->nativeName.toUtf8() < group->nativeName.toUtf8());
        }
    }
    EventTreeItem *authentication = child(tree.get(), QStringLiteral("authentication"));
    QCOMPARE(text(authentication, 0), QStringLiteral("Authentication"));
    QCOMPARE(text(child(tree.get(), QStringLiteral("custom-events")), 0), QStringLiteral("Custom events"));

    // A notifying event with a local override of a nested value.
    EventTreeItem *loginFailed = child(authentication, QStringLiteral("user-login-failed"));
    QCOMPARE(text(loginFailed, 0), QStringLiteral("Failed user login attempt"));
    QCOMPARE(loginFailed->notificationState, EventTreeItem::NotificationOn);
    QCOMPARE(loginFailed->checkState, int(Qt::Checked));
    EventTreeItem *repetition = child(loginFailed, QStringLiteral("notification_repetition"));
    QVERIFY(repetition->overridden);
    QCOMPARE(text(child(repetition, QStringLiteral("enabled")), 1), QStringLiteral("1"));
    QCOMPARE(text(child(repetition, QStringLiteral("interval")), 1), QStringLiteral("120"));
    QVERIFY(child(repetition, QStringLiteral("interval"))->overridden);
    QVERIFY(!child(loginFailed, QStringLiteral("message-params"))->overridden);
    QCOMPARE(child(authentication, QStringLiteral("user-login-success"))->notificationState, EventTreeItem::NotificationOff);

    // The sample dictionary is read now: identifiers are hidden, values named.
    EventTreeItem *messageId = TreeDump::at(loginFailed, {QStringLiteral("message-params"), QStringLiteral("message_id")});
    QVERIFY(!messageId->visible);
    QVERIFY(!messageId->editable);
    QVERIFY(!child(loginFailed, QStringLiteral("enabled"))->visible);
    EventTreeItem *priority = TreeDump::at(loginFailed, {QStringLiteral("message-params"), QStringLiteral("priority")});
    QVERIFY(priority->visible);
    QVERIFY(priority->editable);

    // Switched off locally.
    EventTreeItem *serviceStopped = TreeDump::at(tree.get(), {QStringLiteral("services"), QStringLiteral("service-stopped")});
    QCOMPARE(serviceStopped->checkState, int(Qt::Unchecked));
    QVERIFY(serviceStopped->overridden);
    QCOMPARE(child(tree.get(), QStringLiteral("services"))->checkState, int(Qt::PartiallyChecked));

    // Audit rules changed locally.
    EventTreeItem *modifyingFile = TreeDump::at(tree.get(), {QStringLiteral("file-integrity"), QStringLiteral("modifying-file")});
    QVERIFY(modifyingFile->hasAuditRules());
    EventTreeItem *auditKey = child(modifyingFile, QStringLiteral(".auditd.key"));
    QVERIFY(auditKey->hasAuditRules());
    QVERIFY(auditKey->overridden);
    QVERIFY(text(auditKey, 1).endsWith(QStringLiteral("/etc/sudoers")));

    // Options, conflicts and dependencies.
    EventTreeItem *exec = TreeDump::at(tree.get(), {QStringLiteral("audit"), QStringLiteral("audit-exec")});
    QVERIFY(exec->generatesLoad);
    QCOMPARE(exec->checkState, int(Qt::Unchecked));
    QCOMPARE(exec->conflicts, (QStringList{QStringLiteral("privileged-program-run"), QStringLiteral("sudo-command")}));
    EventTreeItem *locked = child(authentication, QStringLiteral("account-locked"));
    QCOMPARE(nativeNames(locked->dependencies), (QStringList{QStringLiteral("user-login-failed"), QStringLiteral("remote-login-failed")}));
    QVERIFY(nativeNames(loginFailed->dependents).contains(QStringLiteral("account-locked")));
    EventTreeItem *userModified = TreeDump::at(tree.get(), {QStringLiteral("accounts"), QStringLiteral("user-modified")});
    QCOMPARE(nativeNames(userModified->dependencies), (QStringList{QStringLiteral("user-added"), QStringLiteral("user-deleted")}));

    // Audit tables list the local users from getent.
    const EventTreeItem *users = exec->findChildByNativeName(QStringLiteral("users"));
    QVERIFY(users);
    QCOMPARE(users->kind, int(EventTreeItem::Compound));
    QVERIFY(text(users, 1).split(QStringLiteral(", ")).contains(QStringLiteral("alice")));

    // Every overlay marker is hidden; only groups and events have check boxes.
    QVERIFY(allParameters(tree.get(), [](const EventTreeItem *item) {
        return !item->checkable && (!item->nativeName.startsWith(QLatin1String("overlay")) || !item->visible);
    }));
}

namespace
{
bool linksStayInside(const EventTreeItem *node, const EventTreeItem *root)
{
    const auto inside = [root](const EventTreeItem *item) {
        while (item && item != root) {
            item = item->parentItem();
        }
        return item == root;
    };
    for (const EventTreeItem *item : node->dependencies) {
        if (!inside(item)) {
            return false;
        }
    }
    for (const EventTreeItem *item : node->dependents) {
        if (!inside(item)) {
            return false;
        }
    }
    for (int row = 0; row < node->childCount(); ++row) {
        if (!linksStayInside(static_cast<const EventTreeItem *>(node->child(row)), root)) {
            return false;
        }
    }
    return true;
}
}

void SampleCatalogueTest::copyIsASecondParse()
{
    CatalogueRoot catalogue(SampleRoot::Sample);
    DBusKeeper::Instance().init();
    const SingleEventsParser parser;
    const Tree tree(parser.parse());
    const Tree again(parser.parse());
    const Tree copy(tree->clone());
    QVERIFY(copy && !copy->parentItem());
    QCOMPARE(TreeDump::dump(copy.get()), TreeDump::dump(again.get()));
    QVERIFY(linksStayInside(copy.get(), copy.get()));

    // The copies change apart from each other.
    EventTreeItem *interval = TreeDump::at(
        copy.get(),
        {QStringLiteral("authentication"), QStringLiteral("user-login-failed"), QStringLiteral("notification_repetition"), QStringLiteral("interval")});
    QVERIFY(interval->setData(1, QStringLiteral("999")));
    interval->overridden = false;
    EventTreeItem *original = TreeDump::at(
        tree.get(),
        {QStringLiteral("authentication"), QStringLiteral("user-login-failed"), QStringLiteral("notification_repetition"), QStringLiteral("interval")});
    QCOMPARE(original->data(1).toString(), QStringLiteral("120"));
    QVERIFY(original->overridden);
    QCOMPARE(TreeDump::dump(tree.get()), TreeDump::dump(again.get()));

    // A copy of part of the tree leaves out the links that lead out of it.
    const EventTreeItem *locked = TreeDump::at(tree.get(), {QStringLiteral("authentication"), QStringLiteral("account-locked")});
    const Tree lockedCopy(locked->clone());
    QCOMPARE(TreeDump::dump(lockedCopy.get()).section(QLatin1Char('\n'), 1), TreeDump::dump(locked).section(QLatin1Char('\n'), 1));
    QVERIFY(!locked->dependencies.empty());
    QVERIFY(lockedCopy->dependencies.empty());
    const Tree authentication(TreeDump::at(tree.get(), {QStringLiteral("authentication")})->clone());
    QVERIFY(linksStayInside(authentication.get(), authentication.get()));
    QVERIFY(!TreeDump::at(authentication.get(), {QStringLiteral("user-logout")})->dependencies.empty());
}

QTEST_GUILESS_MAIN(SampleCatalogueTest)

#include "samplecataloguetest.moc"
