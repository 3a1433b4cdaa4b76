/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "destinationsmodel.h"

#include "treeitem.h"

#include <QSignalSpy>
#include <QTest>

#include <memory>

namespace
{
struct Option {
    QString name;
    QString argument;
    QString marker = QStringLiteral("()");
};

struct Statement {
    QString keyword;
    QString name;
    QList<Option> options;
};

// A configuration tree of the parser's shape.
TreeItem *makeTree(const QList<Statement> &statements)
{
    auto *root = new TreeItem({QStringLiteral("Parameter"), QStringLiteral("Name"), QStringLiteral("Value")});
    for (const Statement &statement : statements) {
        auto *node = new TreeItem({statement.keyword, statement.name, QVariant()}, root);
        for (const Option &option : statement.options) {
            node->appendChild(new TreeItem({option.name, option.marker, option.argument}, node));
        }
        root->appendChild(node);
    }
    return root;
}

Statement destination(const QString &name, const QString &driver, const QString &argument)
{
    return {QStringLiteral("destination"), name, {{driver, argument}}};
}

Statement log(const QString &name)
{
    return {QStringLiteral("log"), QString(), {{QStringLiteral("source"), QStringLiteral("tarn_events_src")}, {QStringLiteral("destination"), name}}};
}

QStringList statementNames(const TreeItem *root)
{
    QStringList names;
    for (int row = 0; row < root->childCount(); ++row) {
        const TreeItem *statement = root->child(row);
        names << statement->data(0).toString() + QLatin1Char(' ')
                + (statement->data(1).toString().isEmpty() ? statement->child(1)->data(2).toString() : statement->data(1).toString());
    }
    return names;
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
        QTest::newRow("file, further option lines") << "file"
                                                    << "\"/vigil/log/tarn/events\"\ntemplate(\"$(format-json --key MSG.*)\\n\")\nperm(0640)"
                                                    << "File"
                                                    << "/vigil/log/tarn/events";
        QTest::newRow("file, options on its line") << "file"
                                                   << "\"/var/log/a.log\" perm(0640)"
                                                   << "File"
                                                   << "/var/log/a.log";
        QTest::newRow("file, escaped path") << "file"
                                            << "\"/tmp/a\\\"b\\\\c\""
                                            << "File"
                                            << "/tmp/a\"b\\c";
        QTest::newRow("network with options") << "network"
                                              << "\"10.20.0.15\" port(514) transport(\"tcp\")"
                                              << "Network"
                                              << "10.20.0.15 port(514) transport(\"tcp\")";
        QTest::newRow("network without options") << "network"
                                                 << "\"10.0.0.1\""
                                                 << "Network"
                                                 << "10.0.0.1";
        QTest::newRow("network, options on later lines") << "network"
                                                         << "\"10.0.0.1\"\n  port(601)"
                                                         << "Network"
                                                         << "10.0.0.1";
        QTest::newRow("other driver") << "program"
                                      << "\"/usr/bin/logger -t x\" flags(no-multi-line)\nmark-freq(10)"
                                      << "program"
                                      << "\"/usr/bin/logger -t x\" flags(no-multi-line)";
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
        QVERIFY(!model.index(0, 2).data(Qt::EditRole).isValid());
    }

    // Only the driver lines of destination statements are rows; comments
    // inside a destination are none.
    void rowsAreDriverLines()
    {
        Statement withComment = destination(QStringLiteral("d2"), QStringLiteral("file"), QStringLiteral("\"/b\""));
        withComment.options.prepend({QStringLiteral("# the second"), QString(), QStringLiteral("#")});
        DestinationsModel model;
        model.setRootItem(makeTree({{QStringLiteral("source"), QStringLiteral("s"), {{QStringLiteral("file"), QStringLiteral("\"/a\"")}}},
                                    destination(QStringLiteral("d1"), QStringLiteral("network"), QStringLiteral("\"10.0.0.2\"")),
                                    log(QStringLiteral("d1")),
                                    withComment}));
        QCOMPARE(model.rowCount(), 2);
        QCOMPARE(model.index(1, 1).data().toString(), QStringLiteral("d2"));
        QCOMPARE(model.index(1, 2).data().toString(), QStringLiteral("/b"));
        QCOMPARE(model.headerData(2, Qt::Horizontal).toString(), QStringLiteral("Value"));
        QCOMPARE(model.flags(model.index(0, 2)), Qt::ItemIsSelectable | Qt::ItemIsEnabled);
    }

    // The edited row is the index's row, even when another row shows the
    // same path; the lines after the first stay.
    void setDataByRow_data()
    {
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<int>("column");
        QTest::addColumn<int>("role");
        QTest::addColumn<QString>("stored");
        const QString same = QStringLiteral("\"/var/log/same\" perm(0600)\ncreate-dirs(yes)");
        QTest::newRow("plain path") << QVariant(QStringLiteral("/var/log/new")) << 2 << int(Qt::EditRole) << "\"/var/log/new\" perm(0600)\ncreate-dirs(yes)";
        QTest::newRow("quote and backslash") << QVariant(QStringLiteral("/tmp/a\"b\\c")) << 2 << int(Qt::EditRole)
                                             << "\"/tmp/a\\\"b\\\\c\" perm(0600)\ncreate-dirs(yes)";
        QTest::newRow("line break") << QVariant(QStringLiteral("/a\n/b")) << 2 << int(Qt::EditRole) << same;
        QTest::newRow("tab") << QVariant(QStringLiteral("/a\tb")) << 2 << int(Qt::EditRole) << same;
        QTest::newRow("empty") << QVariant(QString()) << 2 << int(Qt::EditRole) << same;
        QTest::newRow("name column") << QVariant(QStringLiteral("/x")) << 1 << int(Qt::EditRole) << same;
        QTest::newRow("display role") << QVariant(QStringLiteral("/x")) << 2 << int(Qt::DisplayRole) << same;
    }

    void setDataByRow()
    {
        QFETCH(QVariant, value);
        QFETCH(int, column);
        QFETCH(int, role);
        QFETCH(QString, stored);
        const QString same = QStringLiteral("\"/var/log/same\" perm(0600)\ncreate-dirs(yes)");
        DestinationsModel model;
        model.setRootItem(
            makeTree({destination(QStringLiteral("d1"), QStringLiteral("file"), same), destination(QStringLiteral("d2"), QStringLiteral("file"), same)}));
        QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
        const bool accepted = stored != same;
        QCOMPARE(model.setData(model.index(1, column), value, role), accepted);
        QCOMPARE(changed.size(), accepted ? 1 : 0);
        QCOMPARE(model.destinationItem(0)->data(2).toString(), same);
        QCOMPARE(model.destinationItem(1)->data(2).toString(), stored);
        if (accepted) {
            QCOMPARE(model.index(1, 2).data(), value);
        }
    }

    // The statement goes; the others keep their order. Its log statement is
    // the page's to remove.
    void deleteItem()
    {
        DestinationsModel model;
        model.setRootItem(makeTree({destination(QStringLiteral("d1"), QStringLiteral("file"), QStringLiteral("\"/a\"")),
                                    destination(QStringLiteral("d2"), QStringLiteral("file"), QStringLiteral("\"/b\"")),
                                    log(QStringLiteral("d1")),
                                    log(QStringLiteral("d2"))}));
        TreeItem *root = model.rootItem();
        const std::unique_ptr<TreeItem> stranger(new TreeItem({QStringLiteral("destination"), QStringLiteral("d3"), QVariant()}, root));
        QVERIFY(!model.deleteItem(stranger.get()));
        QVERIFY(model.deleteItem(model.destinationItem(0)->parentItem()));
        QCOMPARE(model.rowCount(), 1);
        QCOMPARE(model.index(0, 1).data().toString(), QStringLiteral("d2"));
        QCOMPARE(statementNames(root), (QStringList{QStringLiteral("destination d2"), QStringLiteral("log d1"), QStringLiteral("log d2")}));
    }

    // After the last destination statement, with its log chain at the end.
    void insertItem()
    {
        DestinationsModel model;
        model.setRootItem(makeTree({destination(QStringLiteral("d1"), QStringLiteral("file"), QStringLiteral("\"/a\"")), log(QStringLiteral("d1"))}));
        TreeItem *root = model.rootItem();
        auto *node = new TreeItem({QStringLiteral("destination"), QStringLiteral("d2"), QVariant()}, root);
        node->appendChild(new TreeItem({QStringLiteral("network"), QStringLiteral("()"), QStringLiteral("\"10.0.0.1\"")}, node));
        model.insertItem(node);
        QCOMPARE(model.rowCount(), 2);
        QCOMPARE(model.index(1, 2).data().toString(), QStringLiteral("10.0.0.1"));
        QCOMPARE(statementNames(root),
                 (QStringList{QStringLiteral("destination d1"), QStringLiteral("destination d2"), QStringLiteral("log d1"), QStringLiteral("log d2")}));
    }
};

QTEST_GUILESS_MAIN(DestinationsModelTest)

#include "destinationsmodeltest.moc"
