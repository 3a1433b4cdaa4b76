/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "auditdialog.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHeaderView>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>
#include <QVBoxLayout>

namespace
{
QTableView *tableOf(const AuditDialog &dialog)
{
    return dialog.findChild<QTableView *>(QStringLiteral("tableView"));
}

QDialogButtonBox *buttonsOf(const AuditDialog &dialog)
{
    return dialog.findChild<QDialogButtonBox *>(QStringLiteral("buttonBox"));
}

// Presses OK and returns what the dialog emitted, or an empty list.
QList<QVariant> accept(AuditDialog &dialog)
{
    QSignalSpy edited(&dialog, &AuditDialog::auditSettingsEdited);
    buttonsOf(dialog)->button(QDialogButtonBox::Ok)->click();
    return edited.isEmpty() ? QList<QVariant>() : edited.first().first().value<QList<QVariant>>();
}

void check(const AuditDialog &dialog, int row, int column, Qt::CheckState state)
{
    QAbstractItemModel *model = tableOf(dialog)->model();
    QVERIFY(model->setData(model->index(row, column), int(state), Qt::CheckStateRole));
}
}

// The audit table dialog: what it shows of a table, and what it sends back.
class AuditDialogTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void formIsBuiltAsDesigned()
    {
        AuditDialog dialog(nullptr);
        QCOMPARE(dialog.objectName(), QStringLiteral("AuditDialog"));
        QCOMPARE(dialog.windowModality(), Qt::ApplicationModal);
        QCOMPARE(dialog.size(), QSize(400, 300));
        auto *grid = dialog.findChild<QGridLayout *>(QStringLiteral("gridLayout"));
        QVERIFY(grid);
        QCOMPARE(grid->itemAtPosition(0, 0)->widget(), tableOf(dialog));
        QCOMPARE(grid->itemAtPosition(1, 0)->layout(), dialog.findChild<QVBoxLayout *>(QStringLiteral("verticalLayout")));
        QCOMPARE(grid->itemAtPosition(2, 0)->widget(), buttonsOf(dialog));
        QCOMPARE(buttonsOf(dialog)->standardButtons(), QDialogButtonBox::Ok | QDialogButtonBox::Cancel);

        const QTableView *view = tableOf(dialog);
        QCOMPARE(view->selectionBehavior(), QAbstractItemView::SelectRows);
        QCOMPARE(view->selectionMode(), QAbstractItemView::SingleSelection);
        QVERIFY(view->horizontalHeader()->stretchLastSection());
        QVERIFY(!view->horizontalHeader()->highlightSections());
        QVERIFY(view->verticalHeader()->isHidden());
        QCOMPARE(view->model()->columnCount(), 3);
    }

    void showsTheTableInKeyOrder()
    {
        AuditDialog dialog(nullptr);
        dialog.setTableData(QStringLiteral(R"({"bob": {"succ": "0", "fail": "1"}, "alice": {"succ": "1", "fail": "0", "note": "x"}})"));
        const QAbstractItemModel *model = tableOf(dialog)->model();
        QCOMPARE(model->rowCount(), 2);
        QCOMPARE(model->index(0, 0).data().toString(), QStringLiteral("alice"));
        QCOMPARE(model->index(0, 1).data(Qt::CheckStateRole).toInt(), int(Qt::Checked));
        QCOMPARE(model->index(0, 2).data(Qt::CheckStateRole).toInt(), int(Qt::Unchecked));
        QCOMPARE(model->index(1, 0).data().toString(), QStringLiteral("bob"));
        QCOMPARE(model->index(1, 1).data(Qt::CheckStateRole).toInt(), int(Qt::Unchecked));
        QCOMPARE(model->index(1, 2).data(Qt::CheckStateRole).toInt(), int(Qt::Checked));
    }

    void onlyTheTextOneSwitchesOn_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<bool>("succ");
        QTest::addColumn<bool>("fail");
        QTest::newRow("texts") << R"({"succ": "1", "fail": "1"})" << true << true;
        QTest::newRow("numbers") << R"({"succ": 1, "fail": 0})" << true << false;
        QTest::newRow("other texts") << R"({"succ": "yes", "fail": "true"})" << false << false;
        QTest::newRow("missing flags") << R"({})" << false << false;
        QTest::newRow("not an object") << R"("1")" << false << false;
    }

    void onlyTheTextOneSwitchesOn()
    {
        QFETCH(QString, entry);
        QFETCH(bool, succ);
        QFETCH(bool, fail);
        AuditDialog dialog(nullptr);
        dialog.setTableData(QStringLiteral(R"({"alice": %1})").arg(entry));
        const QAbstractItemModel *model = tableOf(dialog)->model();
        QCOMPARE(model->rowCount(), 1);
        QCOMPARE(model->index(0, 1).data(Qt::CheckStateRole).toInt() == Qt::Checked, succ);
        QCOMPARE(model->index(0, 2).data(Qt::CheckStateRole).toInt() == Qt::Checked, fail);
    }

    void emitsTheWholeTableOnOk()
    {
        AuditDialog dialog(nullptr);
        dialog.setTableData(QStringLiteral(R"({"alice": {"succ": "1", "fail": "0"}, "bob": {"succ": "0", "fail": "0"}})"));
        check(dialog, 1, 2, Qt::Checked);
        check(dialog, 0, 1, Qt::Unchecked);
        dialog.show();

        const QList<QVariant> values = accept(dialog);
        QCOMPARE(values.size(), 3);
        QCOMPARE(values.at(0), QVariant(QStringLiteral("alice, bob")));
        QCOMPARE(values.at(1), QVariant(QStringLiteral(R"({ "alice" : { "succ": "0", "fail": "0" } , "bob" : { "succ": "0", "fail": "1" } })")));
        QCOMPARE(values.at(2), QVariant(int(AuditDialog::Users)));
        // The dialog is closed before the table is sent.
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
    }

    void unchangedTablesAreSentToo()
    {
        AuditDialog dialog(nullptr);
        dialog.setDialogType(AuditDialog::Groups);
        dialog.setTableData(QStringLiteral(R"({"tarn-admin": {"succ": "1", "fail": "1"}})"));
        const QList<QVariant> values = accept(dialog);
        QCOMPARE(values.at(0), QVariant(QStringLiteral("tarn-admin")));
        QCOMPARE(values.at(1), QVariant(QStringLiteral(R"({ "tarn-admin" : { "succ": "1", "fail": "1" } })")));
        QCOMPARE(values.at(2), QVariant(int(AuditDialog::Groups)));
    }

    void anEmptyTable_data()
    {
        QTest::addColumn<QString>("json");
        QTest::newRow("empty object") << QStringLiteral("{}");
        QTest::newRow("empty text") << QString();
        QTest::newRow("not JSON") << QStringLiteral("alice, bob");
        QTest::newRow("an array") << QStringLiteral(R"(["alice"])");
    }

    void anEmptyTable()
    {
        QFETCH(QString, json);
        AuditDialog dialog(nullptr);
        dialog.setTableData(json);
        QCOMPARE(tableOf(dialog)->model()->rowCount(), 0);
        const QList<QVariant> values = accept(dialog);
        QCOMPARE(values.at(0), QVariant(QString()));
        QCOMPARE(values.at(1), QVariant(QStringLiteral("{ }")));
    }

    void overrideMarkersAreNoNames()
    {
        AuditDialog dialog(nullptr);
        dialog.setTableData(
            QStringLiteral(R"({"overlay": "alice", "overlay2": {"succ": "1"}, "alice": {"succ": "1", "fail": "1"}, "Overlay": {"succ": "0", "fail": "1"}})"));
        QCOMPARE(tableOf(dialog)->model()->rowCount(), 2);
        const QList<QVariant> values = accept(dialog);
        QCOMPARE(values.at(0), QVariant(QStringLiteral("Overlay, alice")));
        const QJsonObject table = QJsonDocument::fromJson(values.at(1).toString().toUtf8()).object();
        QCOMPARE(table.keys(), QStringList({QStringLiteral("Overlay"), QStringLiteral("alice")}));
    }

    void namesAreEscaped_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("quote") << QStringLiteral("al\"ice");
        QTest::newRow("backslash") << QStringLiteral("DOMAIN\\alice");
        QTest::newRow("placeholder") << QStringLiteral("%2 %1");
        QTest::newRow("non-ASCII") << QStringLiteral("пользователь");
        QTest::newRow("control character") << QStringLiteral("a\tb");
    }

    void namesAreEscaped()
    {
        QFETCH(QString, name);
        QJsonObject input;
        input.insert(name, QJsonObject{{QStringLiteral("succ"), QStringLiteral("1")}, {QStringLiteral("fail"), QStringLiteral("0")}});
        input.insert(QStringLiteral("zed"), QJsonObject{{QStringLiteral("succ"), QStringLiteral("0")}, {QStringLiteral("fail"), QStringLiteral("1")}});

        AuditDialog dialog(nullptr);
        dialog.setTableData(QString::fromUtf8(QJsonDocument(input).toJson()));
        const QList<QVariant> values = accept(dialog);

        QJsonParseError error;
        const QJsonDocument output = QJsonDocument::fromJson(values.at(1).toString().toUtf8(), &error);
        QCOMPARE(error.error, QJsonParseError::NoError);
        QCOMPARE(output.object(), input);
        QCOMPARE(values.at(0), QVariant(input.keys().join(QLatin1String(", "))));

        // Fed back, the text shows the same rows.
        dialog.setTableData(values.at(1).toString());
        const QAbstractItemModel *model = tableOf(dialog)->model();
        QCOMPARE(model->rowCount(), 2);
        QCOMPARE(model->index(input.keys().indexOf(name), 0).data().toString(), name);
    }

    void cancelSendsNothingAndTheNextTableDiscardsTheToggles()
    {
        const QString json = QStringLiteral(R"({"alice": {"succ": "0", "fail": "0"}})");
        AuditDialog dialog(nullptr);
        QSignalSpy edited(&dialog, &AuditDialog::auditSettingsEdited);
        dialog.setTableData(json);
        dialog.show();
        check(dialog, 0, 1, Qt::Checked);
        buttonsOf(dialog)->button(QDialogButtonBox::Cancel)->click();
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.result(), int(QDialog::Rejected));

        dialog.show();
        dialog.close();
        QCOMPARE(edited.count(), 0);

        dialog.setTableData(json);
        QCOMPARE(tableOf(dialog)->model()->index(0, 1).data(Qt::CheckStateRole).toInt(), int(Qt::Unchecked));
        const QList<QVariant> values = accept(dialog);
        QCOMPARE(values.at(1), QVariant(QStringLiteral(R"({ "alice" : { "succ": "0", "fail": "0" } })")));
    }

    void theTypeIsPassedOn_data()
    {
        QTest::addColumn<int>("type");
        QTest::newRow("users") << int(AuditDialog::Users);
        QTest::newRow("groups") << int(AuditDialog::Groups);
    }

    void theTypeIsPassedOn()
    {
        QFETCH(int, type);
        AuditDialog dialog(nullptr);
        // A new dialog edits users.
        QCOMPARE(accept(dialog).at(2), QVariant(int(AuditDialog::Users)));
        dialog.setDialogType(static_cast<AuditDialog::DialogType>(type));
        QCOMPARE(accept(dialog).at(2), QVariant(type));
    }
};

QTEST_MAIN(AuditDialogTest)

#include "auditdialogtest.moc"
