/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "audittablemodel.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTest>

namespace
{
QList<AuditRecord> twoRecords()
{
    return {{QStringLiteral("alice"), false, true}, {QStringLiteral("bob"), true, false}};
}
}

// The table behind the audit dialog: what its cells say, what may be changed
// and how, and that it keeps the item-model contract.
class AuditTableModelTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void keepsTheItemModelContract()
    {
        AuditTableModel model(nullptr);
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.updateData(twoRecords());
        model.setData(model.index(0, 2), Qt::Checked, Qt::CheckStateRole);
        model.setData(model.index(1, 0), QStringLiteral("carol"), Qt::DisplayRole);
        model.updateData({});
        model.updateData(twoRecords());
    }

    void cellsHaveNoRowsBelowThem()
    {
        AuditTableModel model(nullptr);
        model.updateData(twoRecords());
        QCOMPARE(model.rowCount(), 2);
        QCOMPARE(model.columnCount(), 3);
        for (int column = 0; column < 3; ++column) {
            const QModelIndex cell = model.index(0, column);
            QCOMPARE(model.rowCount(cell), 0);
            QCOMPARE(model.columnCount(cell), 0);
            QVERIFY(!static_cast<const QAbstractItemModel &>(model).hasChildren(cell));
        }
    }

    void showsNamesAndFlags()
    {
        AuditTableModel model(nullptr);
        model.updateData(twoRecords());

        // alice audits successes only.
        QCOMPARE(model.index(0, 0).data(Qt::DisplayRole), QVariant(QStringLiteral("alice")));
        QCOMPARE(model.index(0, 1).data(Qt::CheckStateRole).toInt(), int(Qt::Checked));
        QCOMPARE(model.index(0, 2).data(Qt::CheckStateRole).toInt(), int(Qt::Unchecked));
        // bob audits failures only.
        QCOMPARE(model.index(1, 1).data(Qt::CheckStateRole).toInt(), int(Qt::Unchecked));
        QCOMPARE(model.index(1, 2).data(Qt::CheckStateRole).toInt(), int(Qt::Checked));

        // The name cell has no check box, the check cells no text.
        QVERIFY(!model.index(0, 0).data(Qt::CheckStateRole).isValid());
        QCOMPARE(model.index(0, 1).data(Qt::DisplayRole), QVariant(QString()));
        QCOMPARE(model.index(0, 2).data(Qt::DisplayRole), QVariant(QString()));

        for (int column = 0; column < 3; ++column) {
            QCOMPARE(model.index(1, column).data(Qt::TextAlignmentRole).toInt(), 129);
            QVERIFY(!model.index(1, column).data(Qt::EditRole).isValid());
            QVERIFY(!model.index(1, column).data(Qt::ToolTipRole).isValid());
        }
        QVERIFY(!model.data(QModelIndex(), Qt::DisplayRole).isValid());
    }

    void onlyTheFlagsAreCheckable()
    {
        AuditTableModel model(nullptr);
        model.updateData(twoRecords());
        QCOMPARE(int(model.flags(model.index(0, 0))), int(Qt::ItemIsSelectable | Qt::ItemIsEnabled));
        QCOMPARE(int(model.flags(model.index(0, 1))), 49);
        QCOMPARE(int(model.flags(model.index(0, 2))), 49);
        QVERIFY(!model.flags(model.index(0, 0)).testFlag(Qt::ItemIsEditable));
        QCOMPARE(model.flags(QModelIndex()), model.QAbstractTableModel::flags(QModelIndex()));
    }

    void checkingSetsOnlyTheTouchedFlag_data()
    {
        QTest::addColumn<int>("column");
        QTest::addColumn<int>("role");
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<bool>("succ");
        QTest::addColumn<bool>("fail");
        // alice starts with succ true, fail false.
        QTest::newRow("failure checked") << 2 << int(Qt::CheckStateRole) << QVariant(int(Qt::Checked)) << true << true;
        QTest::newRow("failure partially checked is off") << 2 << int(Qt::CheckStateRole) << QVariant(int(Qt::PartiallyChecked)) << true << false;
        QTest::newRow("success unchecked") << 1 << int(Qt::CheckStateRole) << QVariant(int(Qt::Unchecked)) << false << false;
        QTest::newRow("success through the display role") << 1 << int(Qt::DisplayRole) << QVariant(0) << false << false;
        QTest::newRow("failure through the display role") << 2 << int(Qt::DisplayRole) << QVariant(2) << true << true;
    }

    void checkingSetsOnlyTheTouchedFlag()
    {
        QFETCH(int, column);
        QFETCH(int, role);
        QFETCH(QVariant, value);
        QFETCH(bool, succ);
        QFETCH(bool, fail);

        AuditTableModel model(nullptr);
        model.updateData(twoRecords());
        QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);

        QVERIFY(model.setData(model.index(0, column), value, role));
        QCOMPARE(model.getRecord(0).succ, succ);
        QCOMPARE(model.getRecord(0).fail, fail);
        QCOMPARE(model.getRecord(0).name, QStringLiteral("alice"));
        // The other row is untouched.
        QCOMPARE(model.getRecord(1).succ, false);
        QCOMPARE(model.getRecord(1).fail, true);

        QCOMPARE(changed.count(), 1);
        QCOMPARE(changed.at(0).at(0).toModelIndex(), model.index(0, column));
        QCOMPARE(changed.at(0).at(1).toModelIndex(), model.index(0, column));
        QVERIFY(changed.at(0).at(2).value<QVector<int>>().isEmpty());
    }

    void refusedChangesLeaveTheRecord_data()
    {
        QTest::addColumn<int>("column");
        QTest::addColumn<int>("role");
        QTest::newRow("name through the edit role") << 0 << int(Qt::EditRole);
        QTest::newRow("name through the check role") << 0 << int(Qt::CheckStateRole);
        QTest::newRow("success through the edit role") << 1 << int(Qt::EditRole);
        QTest::newRow("failure through the tooltip role") << 2 << int(Qt::ToolTipRole);
    }

    void refusedChangesLeaveTheRecord()
    {
        QFETCH(int, column);
        QFETCH(int, role);
        AuditTableModel model(nullptr);
        model.updateData(twoRecords());
        QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);

        QVERIFY(!model.setData(model.index(0, column), int(Qt::Checked), role));
        QCOMPARE(model.getRecord(0).name, QStringLiteral("alice"));
        QCOMPARE(model.getRecord(0).succ, true);
        QCOMPARE(model.getRecord(0).fail, false);
        QCOMPARE(changed.count(), 0);
        QVERIFY(!model.setData(QModelIndex(), int(Qt::Checked), Qt::CheckStateRole));
    }

    void renamesThroughTheDisplayRole()
    {
        AuditTableModel model(nullptr);
        model.updateData(twoRecords());
        QVERIFY(model.setData(model.index(1, 0), QStringLiteral("carol"), Qt::DisplayRole));
        QCOMPARE(model.getRecord(1).name, QStringLiteral("carol"));
        QCOMPARE(model.getRecord(1).fail, true);
    }

    void headers()
    {
        AuditTableModel model(nullptr);
        QCOMPARE(model.headerData(0, Qt::Horizontal, Qt::DisplayRole), QVariant(QStringLiteral("Name")));
        QCOMPARE(model.headerData(1, Qt::Horizontal, Qt::DisplayRole), QVariant(QStringLiteral("Success")));
        QCOMPARE(model.headerData(2, Qt::Horizontal, Qt::DisplayRole), QVariant(QStringLiteral("Failure")));
        QVERIFY(!model.headerData(3, Qt::Horizontal, Qt::DisplayRole).isValid());
        QVERIFY(!model.headerData(1, Qt::Vertical, Qt::DisplayRole).isValid());
        QVERIFY(!model.headerData(1, Qt::Horizontal, Qt::ToolTipRole).isValid());
        QCOMPARE(model.headerData(1, Qt::Horizontal, Qt::TextAlignmentRole).toInt(), 129);
        QCOMPARE(model.headerData(7, Qt::Vertical, Qt::TextAlignmentRole).toInt(), 129);
    }

    void updatingResetsEvenForTheSameRows()
    {
        AuditTableModel model(nullptr);
        QSignalSpy aboutToReset(&model, &QAbstractItemModel::modelAboutToBeReset);
        QSignalSpy reset(&model, &QAbstractItemModel::modelReset);

        const QList<AuditRecord> records = twoRecords();
        model.updateData(records);
        model.updateData(records);
        QCOMPARE(aboutToReset.count(), 2);
        QCOMPARE(reset.count(), 2);
        QCOMPARE(model.rowCount(), 2);

        model.updateData({});
        QCOMPARE(model.rowCount(), 0);
        QCOMPARE(reset.count(), 3);
    }

    void recordsAreCopies()
    {
        AuditTableModel model(nullptr);
        model.updateData(twoRecords());
        AuditRecord record = model.getRecord(0);
        record.fail = true;
        QCOMPARE(model.getRecord(0).fail, false);
        // A row out of range gives an empty record rather than a crash.
        QCOMPARE(model.getRecord(5).name, QString());
    }
};

QTEST_GUILESS_MAIN(AuditTableModelTest)

#include "audittablemodeltest.moc"
