/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "checkabletreemodel.h"

#include "eventconfigstorage.h"
#include "eventtreeitem.h"
#include "modeltestenvironment.h"
#include "systempaths.h"

#include <QAbstractItemModelTester>
#include <QPaintEvent>
#include <QSortFilterProxyModel>
#include <QStyledItemDelegate>
#include <QTest>
#include <QTreeView>

#include <memory>

namespace
{
// The delegate a tree view uses anyway, with its option set-up reachable so
// that the test finds the check box exactly where the view draws it.
class Delegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::initStyleOption;
};

class TreeView : public QTreeView
{
public:
    using QTreeView::viewOptions;
};

// Collects what the viewport repaints.
class PaintRecorder : public QObject
{
public:
    QRegion painted;

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint) {
            painted += static_cast<QPaintEvent *>(event)->region();
        }
        return QObject::eventFilter(watched, event);
    }
};
}

// The model in a real tree view over the sample catalogue, behind a filter
// proxy on the visible role as in the module: clicks on the check boxes drawn
// by the view toggle groups, events and switches.
class CheckableTreeViewTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<ModelTestEnvironment> m_env;
    std::unique_ptr<EventConfigStorage> m_storage;
    std::unique_ptr<CheckableTreeModel> m_model;
    std::unique_ptr<QAbstractItemModelTester> m_tester;
    std::unique_ptr<QSortFilterProxyModel> m_proxy;
    std::unique_ptr<TreeView> m_view;
    Delegate *m_delegate = nullptr;

    QModelIndex sourceIndex(const QString &nativeName, int column = 0) const
    {
        for (int row = 0; row < m_model->rowCount(); ++row) {
            const QModelIndex top = m_model->index(row, 0);
            if (m_model->data(top, CheckableTreeModel::NativeNameRole).toString() == nativeName) {
                return top.siblingAtColumn(column);
            }
            const QModelIndex found = m_model->findChildByNativeName(top, nativeName);
            if (found.isValid()) {
                return found.siblingAtColumn(column);
            }
        }
        return {};
    }

    int checkState(const QModelIndex &source) const
    {
        return m_proxy->data(m_proxy->mapFromSource(source), Qt::CheckStateRole).toInt();
    }

    // Clicks the check box the view draws for `source`.
    bool clickCheckBox(const QModelIndex &source)
    {
        const QModelIndex index = m_proxy->mapFromSource(source);
        if (!index.isValid()) {
            return false;
        }
        m_view->scrollTo(index);
        QStyleOptionViewItem option = m_view->viewOptions();
        option.rect = m_view->visualRect(index);
        m_delegate->initStyleOption(&option, index);
        if (!(option.features & QStyleOptionViewItem::HasCheckIndicator)) {
            return false;
        }
        const QRect box = m_view->style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, m_view.get());
        if (!box.isValid() || !m_view->viewport()->rect().contains(box.center())) {
            return false;
        }
        QTest::mouseClick(m_view->viewport(), Qt::LeftButton, Qt::NoModifier, box.center());
        // Far enough apart that two clicks on one box are not a double click.
        QTest::qWait(QApplication::doubleClickInterval() + 20);
        return true;
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
        m_tester = std::make_unique<QAbstractItemModelTester>(m_model.get(), QAbstractItemModelTester::FailureReportingMode::Fatal);
        m_model->setRootItem(m_env->parseCatalogue());
        m_proxy = std::make_unique<QSortFilterProxyModel>();
        m_proxy->setFilterRole(CheckableTreeModel::VisibleRole);
        m_proxy->setFilterFixedString(QStringLiteral("1"));
        m_proxy->setSourceModel(m_model.get());
        m_view = std::make_unique<TreeView>();
        m_delegate = new Delegate;
        m_delegate->setParent(m_view.get());
        m_view->setItemDelegate(m_delegate);
        m_view->setModel(m_proxy.get());
        m_view->resize(900, 700);
        m_view->expandToDepth(0);
        m_view->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_view.get()));
    }

    void cleanup()
    {
        m_view.reset();
        m_proxy.reset();
        m_tester.reset();
        m_model.reset();
    }

    void testClickingGroupCheckBox()
    {
        const QModelIndex group = sourceIndex(QStringLiteral("authentication"));
        QVERIFY(group.isValid());
        // Partially checked first, through an event of the group.
        const QModelIndex event = sourceIndex(QStringLiteral("user-logout"));
        QVERIFY(clickCheckBox(event));
        QCOMPARE(checkState(group), int(Qt::PartiallyChecked));

        QVERIFY(clickCheckBox(group));
        QCOMPARE(checkState(group), int(Qt::Checked));
        for (int row = 0; row < m_model->rowCount(group); ++row) {
            QCOMPARE(checkState(m_model->index(row, 0, group)), int(Qt::Checked));
        }
        QVERIFY(clickCheckBox(group));
        QCOMPARE(checkState(group), int(Qt::Unchecked));
        for (int row = 0; row < m_model->rowCount(group); ++row) {
            QCOMPARE(checkState(m_model->index(row, 0, group)), int(Qt::Unchecked));
            const QModelIndex enabled = m_model->findChildByNativeName(m_model->index(row, 0, group), QStringLiteral("enabled"));
            QCOMPARE(m_model->data(enabled.siblingAtColumn(1)).toString(), QStringLiteral("0"));
        }
    }

    void testClickingEventCheckBox()
    {
        const QModelIndex group = sourceIndex(QStringLiteral("authentication"));
        const QModelIndex event = sourceIndex(QStringLiteral("user-logout"));
        if (checkState(group) != Qt::Checked) {
            QVERIFY(clickCheckBox(group));
        }
        QCOMPARE(checkState(group), int(Qt::Checked));

        QVERIFY(clickCheckBox(event));
        QCOMPARE(checkState(event), int(Qt::Unchecked));
        QCOMPARE(checkState(group), int(Qt::PartiallyChecked));
        QVERIFY(clickCheckBox(event));
        QCOMPARE(checkState(event), int(Qt::Checked));
        QCOMPARE(checkState(group), int(Qt::Checked));

        // A partially checked event does not change under a click.
        m_model->itemFromIndex(event)->checkState = Qt::PartiallyChecked;
        QVERIFY(clickCheckBox(event));
        QCOMPARE(checkState(event), int(Qt::PartiallyChecked));
    }

    void testClickingSwitchInValueColumn()
    {
        const QModelIndex succ = sourceIndex(QStringLiteral("succ"), 1); // of audit-exec's "other"
        QVERIFY(succ.isValid());
        const QString before = m_proxy->data(m_proxy->mapFromSource(succ)).toString();
        QVERIFY(before == QLatin1String("On") || before == QLatin1String("Off"));
        QVERIFY(clickCheckBox(succ));
        const QString after = m_proxy->data(m_proxy->mapFromSource(succ)).toString();
        QCOMPARE(after, before == QLatin1String("On") ? QStringLiteral("Off") : QStringLiteral("On"));
        QVERIFY(clickCheckBox(succ));
        QCOMPARE(m_proxy->data(m_proxy->mapFromSource(succ)).toString(), before);

        // The name cell of a switch has no box to click.
        QVERIFY(!clickCheckBox(succ.siblingAtColumn(0)));
    }

    void testClickRepaintsOtherRows()
    {
        const QModelIndex group = sourceIndex(QStringLiteral("authentication"));
        const QModelIndex event = sourceIndex(QStringLiteral("user-logout"));
        if (checkState(group) != Qt::Checked) {
            QVERIFY(clickCheckBox(group));
        }
        QCOMPARE(checkState(group), int(Qt::Checked));

        // Nothing but the model's signal may repaint the group's row: no
        // selection, and the event's row is current before the click.
        m_view->setSelectionMode(QAbstractItemView::NoSelection);
        m_view->setCurrentIndex(m_proxy->mapFromSource(event));
        const QRect groupRow = m_view->visualRect(m_proxy->mapFromSource(group));
        QVERIFY(m_view->viewport()->rect().contains(groupRow));
        QVERIFY(groupRow != m_view->visualRect(m_proxy->mapFromSource(event)));
        PaintRecorder recorder;
        m_view->viewport()->installEventFilter(&recorder);
        QTest::qWait(50);
        recorder.painted = QRegion();

        QVERIFY(clickCheckBox(event));
        QTRY_VERIFY(!recorder.painted.isEmpty());
        m_view->viewport()->removeEventFilter(&recorder);
        // The group's box changed too and is redrawn with the event's row.
        QCOMPARE(checkState(group), int(Qt::PartiallyChecked));
        QVERIFY(QRegion(groupRow).subtracted(recorder.painted).isEmpty());
    }
};

QTEST_MAIN(CheckableTreeViewTest)

#include "checkabletreeviewtest.moc"
