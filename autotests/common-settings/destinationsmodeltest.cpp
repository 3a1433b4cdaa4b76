/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "destinationsmodel.h"

#include "treeitem.h"

#include <QSignalSpy>
#include <QTest>

namespace
{
// {keyword, name, option name, argument[, marker]} rows; an empty keyword
// adds the option to the statement before.
using Rows = QList<QStringList>;

// A configuration tree of the parser's shape.
TreeItem *makeTree(const Rows &rows)
{
    auto *root = new TreeItem({QStringLiteral("Parameter"), QStringLiteral("Name"), QStringLiteral("Value")});
    TreeItem *statement = nullptr;
    for (const QStringList &row : rows) {
        if (!row[0].isEmpty()) {
            statement = new TreeItem({row[0], row[1], QVariant()}, root);
            root->appendChild(statement);
        }
        const QString marker = row.value(4, QStringLiteral("()"));
        statement->appendChild(new TreeItem({row[2], marker, row[3]}, statement));
    }
    return root;
}

QStringList destination(const QString &name, const QString &driver, const QString &argument)
{
    return {QStringLiteral("destination"), name, driver, argument};
}
}

class DestinationsModelTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void displayTexts_data()
    {
        QTest::addColumn<QString>("driver");
        QTest::addColumn<QString>("argument");
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("value");
        const char *const rows[][5] = {
            {"file, further option lines",
             "file",
             "\"/vigil/log/tarn/events\"\ntemplate(\"$(format-json --key MSG.*)\\n\")\nperm(0640)",
             "File",
             "/vigil/log/tarn/events"},
            {"file, options on its line", "file", "\"/var/log/a.log\" perm(0640)", "File", "/var/log/a.log"},
            {"file, escaped path", "file", "\"/tmp/a\\\"b\\\\c\"", "File", "/tmp/a\"b\\c"},
            {"file, path over two lines", "file", "\"/var/log/\nevents\" perm(0640)", "File", "/var/log/\nevents"},
            {"network with options", "network", "\"10.20.0.15\" port(514) transport(\"tcp\")", "Network", "10.20.0.15 port(514) transport(\"tcp\")"},
            {"network without options", "network", "\"10.0.0.1\"", "Network", "10.0.0.1"},
            {"network, options on later lines", "network", "\"10.0.0.1\"\n  port(601)", "Network", "10.0.0.1"},
            {"other driver", "program", "\"/usr/bin/logger\" flags(no-multi-line)\nmark-freq(10)", "program", "\"/usr/bin/logger\" flags(no-multi-line)"},
        };
        for (const auto &row : rows) {
            QTest::newRow(row[0]) << row[1] << row[2] << row[3] << row[4];
        }
    }

    void displayTexts()
    {
        QFETCH(QString, driver);
        QFETCH(QString, argument);
        QFETCH(QString, type);
        QFETCH(QString, value);
        DestinationsModel model;
        model.setRootItem(makeTree({destination(QStringLiteral("d1"), driver, argument)}));
        QCOMPARE(model.rowCount(), 1);
        QCOMPARE(model.index(0, 0).data().toString(), type);
        QCOMPARE(model.index(0, 1).data().toString(), QStringLiteral("d1"));
        QCOMPARE(model.index(0, 2).data().toString(), value);
    }

    // Only the driver lines of destination statements are rows: neither a
    // source's file nor a comment inside a destination.
    void rowsAreDriverLines()
    {
        DestinationsModel model;
        model.setRootItem(makeTree({{QStringLiteral("source"), QStringLiteral("s"), QStringLiteral("file"), QStringLiteral("\"/a\"")},
                                    {QStringLiteral("destination"), QStringLiteral("d1"), QStringLiteral("# the first"), QString(), QStringLiteral("#")},
                                    {QString(), QString(), QStringLiteral("file"), QStringLiteral("\"/b\"")}}));
        QCOMPARE(model.rowCount(), 1);
        QCOMPARE(model.index(0, 2).data().toString(), QStringLiteral("/b"));
    }

    // The edited row is the index's row, even when another row shows the
    // same path; what follows the path stays.
    void setDataByRow_data()
    {
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("stored");
        const QString same = QStringLiteral("\"/var/log/same\" perm(0600)\ncreate-dirs(yes)");
        QTest::newRow("plain path") << QVariant(QStringLiteral("/var/log/new")) << 2 << "\"/var/log/new\" perm(0600)\ncreate-dirs(yes)";
        QTest::newRow("quote and backslash") << QVariant(QStringLiteral("/tmp/a\"b\\c")) << 2 << "\"/tmp/a\\\"b\\\\c\" perm(0600)\ncreate-dirs(yes)";
        QTest::newRow("line break") << QVariant(QStringLiteral("/a\n/b")) << 2 << same;
        QTest::newRow("empty") << QVariant(QString()) << 2 << same;
        QTest::newRow("name column") << QVariant(QStringLiteral("/x")) << 1 << same;
    }

    void setDataByRow()
    {
        QFETCH(QVariant, value);
        QFETCH(int, column);
        QFETCH(QString, stored);
        const QString same = QStringLiteral("\"/var/log/same\" perm(0600)\ncreate-dirs(yes)");
        DestinationsModel model;
        model.setRootItem(
            makeTree({destination(QStringLiteral("d1"), QStringLiteral("file"), same), destination(QStringLiteral("d2"), QStringLiteral("file"), same)}));
        QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
        const bool accepted = stored != same;
        QCOMPARE(model.setData(model.index(1, column), value), accepted);
        QCOMPARE(changed.size(), accepted ? 1 : 0);
        QCOMPARE(model.destinationItem(0)->data(2).toString(), same);
        QCOMPARE(model.destinationItem(1)->data(2).toString(), stored);
        QCOMPARE(model.index(1, 2).data(), accepted ? value : QVariant(QStringLiteral("/var/log/same")));
    }

    void setTarget_data()
    {
        QTest::addColumn<QString>("argument");
        QTest::addColumn<QString>("stored");
        QTest::newRow("string on one line") << QStringLiteral("\"/a\" perm(0600)") << QStringLiteral("\"/new\" perm(0600)");
        QTest::newRow("string over two lines") << QStringLiteral("\"/var/log/\nevents\" perm(0640)\ncreate-dirs(yes)")
                                               << QStringLiteral("\"/new\" perm(0640)\ncreate-dirs(yes)");
        QTest::newRow("single quotes") << QStringLiteral("  '/a \\' owner(root)") << QStringLiteral("\"/new\" owner(root)");
        QTest::newRow("bare word, then a string") << QStringLiteral("/a \"x\ny\" perm(0600)") << QStringLiteral("\"/new\" \"x\ny\" perm(0600)");
        QTest::newRow("bare word before a brace") << QStringLiteral("a{b}") << QStringLiteral("\"/new\"{b}");
        QTest::newRow("empty") << QString() << QStringLiteral("\"/new\"");
    }
    // The target the argument starts with is replaced, however many lines
    // its string takes; what follows stays, and the row shows the new target.
    void setTarget()
    {
        QFETCH(QString, argument);
        QFETCH(QString, stored);
        DestinationsModel model;
        model.setRootItem(makeTree({destination(QStringLiteral("d1"), QStringLiteral("file"), argument)}));
        QVERIFY(model.setData(model.index(0, 2), QStringLiteral("/new")));
        QCOMPARE(model.destinationItem(0)->data(2).toString(), stored);
        QCOMPARE(model.index(0, 2).data().toString(), QStringLiteral("/new"));
    }

    // The statement goes; the others keep their order.
    void deleteItem()
    {
        DestinationsModel model;
        model.setRootItem(makeTree({destination(QStringLiteral("d1"), QStringLiteral("file"), QStringLiteral("\"/a\"")),
                                    destination(QStringLiteral("d2"), QStringLiteral("file"), QStringLiteral("\"/b\"")),
                                    {QStringLiteral("log"), QString(), QStringLiteral("destination"), QStringLiteral("d1")}}));
        TreeItem *root = model.rootItem();
        TreeItem stranger({QStringLiteral("destination"), QStringLiteral("d3"), QVariant()}, root);
        QVERIFY(!model.deleteItem(&stranger));
        QVERIFY(model.deleteItem(model.destinationItem(0)->parentItem()));
        QCOMPARE(model.rowCount(), 1);
        QCOMPARE(root->childCount(), 2);
        QCOMPARE(root->child(0)->data(1).toString(), QStringLiteral("d2"));
        QCOMPARE(root->child(1)->data(0).toString(), QStringLiteral("log"));
    }
};

QTEST_GUILESS_MAIN(DestinationsModelTest)

#include "destinationsmodeltest.moc"
