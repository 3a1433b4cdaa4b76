/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "eventfinder.h"
#include "checkabletreemodel.h"
#include "eventconfigstorage.h"
#include "eventsproxymodel.h"
#include "eventtreeitem.h"

#include <QComboBox>
#include <QDialog>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QTest>
#include <QToolButton>
#include <QTreeView>

namespace
{
EventTreeItem *addNode(EventTreeItem *parent, int kind, const QString &nativeName, const QString &name)
{
    auto *node = new EventTreeItem({name, QVariant()}, parent);
    node->kind = kind;
    node->nativeName = nativeName;
    node->name = name;
    parent->appendChild(node);
    return node;
}

// Three groups: "alpha" with a1 and a2, "beta" with b1, "gamma" with g1, g2.
EventTreeItem *buildTree()
{
    auto *root = new EventTreeItem({QStringLiteral("Parameter"), QStringLiteral("Value")});
    const QList<QPair<QString, QStringList>> groups = {
        {QStringLiteral("alpha"), {QStringLiteral("a1"), QStringLiteral("a2")}},
        {QStringLiteral("beta"), {QStringLiteral("b1")}},
        {QStringLiteral("gamma"), {QStringLiteral("g1"), QStringLiteral("g2")}},
    };
    for (const auto &group : groups) {
        EventTreeItem *node = addNode(root, EventTreeItem::Group, group.first, group.first.toUpper());
        for (const QString &event : group.second) {
            addNode(node, EventTreeItem::Event, event + QStringLiteral("-event"), QStringLiteral("Event ") + event);
        }
    }
    return root;
}
}

class EventFinderTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init()
    {
        m_model = new CheckableTreeModel(m_storage);
        m_model->setRootItem(buildTree());
        m_proxy = new EventsProxyModel;
        m_proxy->setSourceModel(m_model);
        m_view = new QTreeView;
        m_view->setModel(m_proxy);
        m_finder = new EventFinder(m_view, m_model, m_proxy);
        m_search = m_finder->findChild<QLineEdit *>(QStringLiteral("eventSearch"));
        m_prev = m_finder->findChild<QToolButton *>(QStringLiteral("searchPrev"));
        m_next = m_finder->findChild<QToolButton *>(QStringLiteral("searchNext"));
        m_filter = m_finder->findChild<QComboBox *>(QStringLiteral("searchFilter"));
        QVERIFY(m_search && m_prev && m_next && m_filter);
    }

    void cleanup()
    {
        delete m_finder;
        delete m_view;
        delete m_proxy;
        delete m_model;
    }

    void cleanupTestCase()
    {
        // The search field's clear button fades in and out with animations
        // of no parent, which stop and delete themselves at their next step
        // once their button has gone: let them, as the application's event
        // loop would.
        QTest::qWait(100);
    }

    void formAsBuilt()
    {
        QCOMPARE(m_finder->windowTitle(), QStringLiteral("Form"));
        QCOMPARE(m_search->placeholderText(), QStringLiteral("Search"));
        QVERIFY(m_search->isClearButtonEnabled());
        QVERIFY(!m_prev->isEnabled());
        QVERIFY(!m_next->isEnabled());
        QVERIFY(m_prev->autoRaise() && m_next->autoRaise());
        QCOMPARE(m_filter->toolTip(), QStringLiteral("Search filter"));
        QCOMPARE(m_prev->toolTip(), QStringLiteral("Previous match (Shift+F3)"));
        QCOMPARE(m_next->toolTip(), QStringLiteral("Next match (F3)"));

        QStringList texts;
        QList<int> modes;
        for (int i = 0; i < m_filter->count(); ++i) {
            texts << m_filter->itemText(i);
            modes << m_filter->itemData(i).toInt();
        }
        QCOMPARE(
            texts,
            QStringList(
                {QStringLiteral("All"), QStringLiteral("Event ID"), QStringLiteral("Event name"), QStringLiteral("Group ID"), QStringLiteral("Group name")}));
        QCOMPARE(modes, QList<int>({0, 2, 1, 4, 3}));
    }

    void choosingAFilterSetsTheMode()
    {
        m_filter->setCurrentIndex(3);
        QCOMPARE(m_proxy->filterMode(), EventsProxyModel::GroupId);
        m_filter->setCurrentIndex(2);
        QCOMPARE(m_proxy->filterMode(), EventsProxyModel::EventName);
        m_filter->setCurrentIndex(0);
        QCOMPARE(m_proxy->filterMode(), EventsProxyModel::All);
    }

    void changingTheModeSearchesAgain()
    {
        m_search->setText(QStringLiteral("b1"));
        QCOMPARE(currentEvent(), QStringLiteral("Event b1"));
        m_filter->setCurrentIndex(3); // group identifiers: none has "b1"
        QCOMPARE(m_proxy->rowCount(), 0);
        QVERIFY(!m_next->isEnabled());
        QCOMPARE(m_search->palette().color(QPalette::Active, QPalette::Text), QColor(Qt::red));
        m_filter->setCurrentIndex(1); // event identifiers
        QCOMPARE(currentEvent(), QStringLiteral("Event b1"));
        QVERIFY(m_view->isExpanded(m_proxy->index(0, 0)));
        QVERIFY(m_prev->isEnabled() && m_next->isEnabled());
        QVERIFY(m_search->palette().color(QPalette::Text) != QColor(Qt::red));
    }

    void keysStepThroughTheMatches_data()
    {
        QTest::addColumn<bool>("inTree");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<QString>("reached");
        QTest::newRow("Enter") << false << int(Qt::Key_Return) << int(Qt::NoModifier) << QStringLiteral("Event g1");
        QTest::newRow("F3") << false << int(Qt::Key_F3) << int(Qt::NoModifier) << QStringLiteral("Event g1");
        QTest::newRow("Shift+F3") << false << int(Qt::Key_F3) << int(Qt::ShiftModifier) << QStringLiteral("Event a2");
        QTest::newRow("F3 in the tree") << true << int(Qt::Key_F3) << int(Qt::NoModifier) << QStringLiteral("Event g1");
        QTest::newRow("Shift+F3 in the tree") << true << int(Qt::Key_F3) << int(Qt::ShiftModifier) << QStringLiteral("Event a2");
    }

    // In a dialog, as the settings host shows the module: Enter steps and
    // does not press the default button.
    void keysStepThroughTheMatches()
    {
        QFETCH(bool, inTree);
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QDialog dialog;
        // The dialog would delete its children; the fixture deletes them.
        const auto release = qScopeGuard([this] {
            m_finder->setParent(nullptr);
            m_view->setParent(nullptr);
        });
        auto layout = new QHBoxLayout(&dialog);
        layout->addWidget(m_finder);
        layout->addWidget(m_view);
        auto button = new QPushButton(QStringLiteral("OK"), &dialog);
        button->setDefault(true);
        connect(button, &QPushButton::clicked, &dialog, &QDialog::accept);
        layout->addWidget(button);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));

        m_search->setText(QStringLiteral("event"));
        m_next->click();
        m_next->click();
        QCOMPARE(currentEvent(), QStringLiteral("Event b1"));
        QWidget *target = inTree ? static_cast<QWidget *>(m_view) : m_search;
        target->setFocus();
        QTest::keyClick(target, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        QTEST(currentEvent(), "reached");
        QVERIFY(dialog.isVisible());
    }

    void clearingTheTextRestoresTheExpansion()
    {
        const QModelIndex gamma = m_proxy->index(2, 0);
        m_view->expand(gamma);
        m_search->setText(QStringLiteral("b1"));
        QVERIFY(m_view->isExpanded(m_proxy->index(0, 0))); // beta, the only group shown
        m_search->clear();
        QCOMPARE(m_proxy->rowCount(), 3);
        QVERIFY(!m_view->isExpanded(m_proxy->index(0, 0)));
        QVERIFY(!m_view->isExpanded(m_proxy->index(1, 0)));
        QVERIFY(m_view->isExpanded(m_proxy->index(2, 0)));
    }

    void typingSelectsTheFirstShownEvent()
    {
        m_search->setText(QStringLiteral("event b1"));
        QCOMPARE(m_proxy->rowCount(), 1);
        QCOMPARE(currentEvent(), QStringLiteral("Event b1"));
        QVERIFY(m_view->isExpanded(m_proxy->index(0, 0)));
        QVERIFY(m_prev->isEnabled() && m_next->isEnabled());
        QCOMPARE(m_search->palette().color(QPalette::Text), m_search->palette().color(QPalette::WindowText));
    }

    void noResultTurnsTheTextRed()
    {
        m_search->setText(QStringLiteral("a"));
        QVERIFY(m_next->isEnabled());
        m_search->setText(QStringLiteral("nothing like this"));
        QCOMPARE(m_proxy->rowCount(), 0);
        QVERIFY(!m_prev->isEnabled());
        QVERIFY(!m_next->isEnabled());
        QCOMPARE(m_search->palette().color(QPalette::Active, QPalette::Text), QColor(Qt::red));
        // Back to a result: the normal colour again.
        m_search->setText(QStringLiteral("g2"));
        QVERIFY(m_search->palette().color(QPalette::Text) != QColor(Qt::red));
    }

    void clearingTheTextShowsAllAndClearsTheSelection()
    {
        m_search->setText(QStringLiteral("a1"));
        QVERIFY(m_view->selectionModel()->hasSelection());
        m_search->clear();
        QCOMPARE(m_proxy->rowCount(), 3);
        QVERIFY(!m_view->selectionModel()->hasSelection());
        QVERIFY(!m_prev->isEnabled());
        QVERIFY(!m_next->isEnabled());
    }

    void steppingVisitsShownEventsWithoutWrapping()
    {
        m_search->setText(QStringLiteral("event"));
        QCOMPARE(currentEvent(), QStringLiteral("Event a1"));

        QStringList visited{currentEvent()};
        for (int i = 0; i < 5; ++i) {
            m_next->click();
            visited << currentEvent();
        }
        // Across groups, and no wrap-around after the last event.
        QCOMPARE(visited,
                 QStringList({QStringLiteral("Event a1"),
                              QStringLiteral("Event a2"),
                              QStringLiteral("Event b1"),
                              QStringLiteral("Event g1"),
                              QStringLiteral("Event g2"),
                              QStringLiteral("Event g2")}));

        QStringList back;
        for (int i = 0; i < 5; ++i) {
            m_prev->click();
            back << currentEvent();
        }
        QCOMPARE(
            back,
            QStringList(
                {QStringLiteral("Event g1"), QStringLiteral("Event b1"), QStringLiteral("Event a2"), QStringLiteral("Event a1"), QStringLiteral("Event a1")}));
    }

    void steppingSkipsFilteredEvents()
    {
        m_filter->setCurrentIndex(1); // event identifiers
        m_search->setText(QStringLiteral("1-event"));
        QCOMPARE(currentEvent(), QStringLiteral("Event a1"));
        m_next->click();
        QCOMPARE(currentEvent(), QStringLiteral("Event b1"));
        m_next->click();
        QCOMPARE(currentEvent(), QStringLiteral("Event g1"));
        m_prev->click();
        QCOMPARE(currentEvent(), QStringLiteral("Event b1"));
    }

    void steppingWithoutSelectionDoesNothing()
    {
        m_search->setText(QStringLiteral("event"));
        m_view->clearSelection();
        m_next->click();
        m_prev->click();
        QVERIFY(!m_view->selectionModel()->hasSelection());
    }

    void selectIndexHighlightsTheWholeRow()
    {
        const QModelIndex group = m_proxy->index(2, 0);
        const QModelIndex event = m_proxy->index(1, 0, group);
        m_finder->selectIndex(group, event);
        QVERIFY(m_view->isExpanded(group));
        QVERIFY(m_view->selectionModel()->isRowSelected(1, group));
        QVERIFY(m_view->selectionModel()->isSelected(event.siblingAtColumn(1)));
    }

private:
    QString currentEvent() const
    {
        const QModelIndexList selected = m_view->selectionModel()->selectedIndexes();
        return selected.isEmpty() ? QString() : selected.first().siblingAtColumn(0).data().toString();
    }

    EventConfigStorage m_storage{QStringLiteral("/nonexistent")};
    CheckableTreeModel *m_model = nullptr;
    EventsProxyModel *m_proxy = nullptr;
    QTreeView *m_view = nullptr;
    EventFinder *m_finder = nullptr;
    QLineEdit *m_search = nullptr;
    QToolButton *m_prev = nullptr;
    QToolButton *m_next = nullptr;
    QComboBox *m_filter = nullptr;
};

QTEST_MAIN(EventFinderTest)

#include "eventfindertest.moc"
