/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "valuedelegate.h"

#include "checkabletreemodel.h"
#include "eventconfigstorage.h"
#include "eventsproxymodel.h"
#include "eventtreeitem.h"
#include "parametertype.h"
#include "singleeventsparser.h"

#include <QAbstractItemModelTester>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QSpinBox>
#include <QTest>
#include <QTreeView>

#include <memory>

// The editors of the value column in a tree view behind the module's filter
// proxy, over parameters of every type; the ranges come from the sample
// dictionary.
class ValueDelegateTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<CheckableTreeModel> m_model;
    std::unique_ptr<EventsProxyModel> m_proxy;
    std::unique_ptr<QTreeView> m_view;
    EventConfigStorage m_storage{QStringLiteral("/nonexistent")};
    EventTreeItem *m_event = nullptr;

    EventTreeItem *addValue(const QString &name, ParameterType::Kind kind, const QString &value)
    {
        auto node = new EventTreeItem({name, value, QVariant()}, m_event);
        node->kind = EventTreeItem::Value;
        node->nativeName = name;
        node->valueType = kind;
        node->editable = true;
        m_event->appendChild(node);
        return node;
    }

private Q_SLOTS:
    void initTestCase()
    {
        SingleEventsParser::getNodesDescription(QStringLiteral(ADMINEVENTS_DICTIONARY));
    }

    void init()
    {
        auto root = new EventTreeItem({QStringLiteral("Parameter"), QStringLiteral("Value"), QString()});
        auto group = new EventTreeItem({QStringLiteral("Group"), QVariant()}, root);
        group->kind = EventTreeItem::Group;
        root->appendChild(group);
        m_event = new EventTreeItem({QStringLiteral("Event"), QVariant(), QVariant()}, group);
        group->appendChild(m_event);
        addValue(QStringLiteral("priority"), ParameterType::Priority, QStringLiteral("warning"));
        addValue(QStringLiteral("max-attempts"), ParameterType::Integer, QStringLiteral("5"));
        addValue(QStringLiteral("flag"), ParameterType::Switch, QStringLiteral("1"));
        addValue(QStringLiteral("program"), ParameterType::Text, QStringLiteral("sshd"));

        m_model = std::make_unique<CheckableTreeModel>(m_storage);
        m_model->setRootItem(root);
        m_proxy = std::make_unique<EventsProxyModel>();
        m_proxy->setFilterRole(CheckableTreeModel::VisibleRole);
        m_proxy->setSourceModel(m_model.get());
        m_view = std::make_unique<QTreeView>();
        m_view->setModel(m_proxy.get());
        new ValueDelegate(m_view.get());
        m_view->expandAll();
        m_view->resize(600, 300);
        m_view->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_view.get()));
    }

    void cleanup()
    {
        m_view.reset();
        m_proxy.reset();
        m_model.reset();
    }

    void editorFitsTheType_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("editorClass");
        QTest::addColumn<QStringList>("offered");
        QTest::addColumn<QString>("stored");
        QTest::newRow("priority") << 0 << QStringLiteral("QComboBox") << ParameterType::syslogPriorities() << QStringLiteral("notice");
        QTest::newRow("integer") << 1 << QStringLiteral("QSpinBox") << QStringList{QStringLiteral("1"), QStringLiteral("100")} << QStringLiteral("6");
        QTest::newRow("switch") << 2 << QStringLiteral("QCheckBox") << QStringList() << QStringLiteral("0");
        QTest::newRow("text") << 3 << QStringLiteral("QLineEdit") << QStringList() << QStringLiteral("cron");
    }

    // The editor, what it offers, and what a change by keyboard stores.
    void editorFitsTheType()
    {
        QFETCH(int, row);
        QFETCH(QStringList, offered);
        QAbstractItemModelTester tester(m_model.get(), QAbstractItemModelTester::FailureReportingMode::Fatal);
        const QModelIndex value = m_proxy->index(row, 1, m_proxy->index(0, 0, m_proxy->index(0, 0)));
        m_view->setCurrentIndex(value);
        m_view->edit(value);
        QWidget *editor = m_view->indexWidget(value);
        QVERIFY(editor);
        QFETCH(QString, editorClass);
        QVERIFY2(editor->inherits(editorClass.toLatin1().constData()), editor->metaObject()->className());

        if (auto combo = qobject_cast<QComboBox *>(editor)) {
            QStringList items;
            for (int i = 0; i < combo->count(); ++i) {
                items << combo->itemText(i);
            }
            QCOMPARE(items, offered);
            QCOMPARE(combo->currentText(), QStringLiteral("warning"));
            QTest::keyClick(combo, Qt::Key_Down);
        } else if (auto spin = qobject_cast<QSpinBox *>(editor)) {
            QCOMPARE((QStringList{QString::number(spin->minimum()), QString::number(spin->maximum())}), offered);
            QCOMPARE(spin->value(), 5);
            QTest::keyClick(spin, Qt::Key_Up);
            QTest::keyClick(spin, Qt::Key_Return);
        } else if (auto check = qobject_cast<QCheckBox *>(editor)) {
            QVERIFY(check->isChecked());
            QTest::keyClick(check, Qt::Key_Space);
        } else if (auto line = qobject_cast<QLineEdit *>(editor)) {
            line->selectAll();
            QTest::keyClicks(line, QStringLiteral("cron"));
            QTest::keyClick(line, Qt::Key_Return);
        }
        // Enter commits once the event loop runs.
        QFETCH(QString, stored);
        QTRY_COMPARE(m_proxy->data(value, Qt::EditRole).toString(), stored);
    }
};

QTEST_MAIN(ValueDelegateTest)

#include "valuedelegatetest.moc"
