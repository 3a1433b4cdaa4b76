/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "logrotateparser.h"
#include "configaccessservice.h"
#include "rotationwriter.h"
#include "testpaths.h"
#include "treeitem.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace
{
const QByteArray Good =
    "# main log\n/vigil/log/tarn/events {\n\trotate 10\n\tsize 100M\n\tmissingok\n\n\tpostrotate\n\t\t/bin/a  x\n\t\t/bin/b\n\tendscript\n}\n";

// Lines given as Latin-1 literals.
QStringList strings(std::initializer_list<const char *> texts)
{
    QStringList list;
    for (const char *text : texts) {
        list << QString::fromLatin1(text);
    }
    return list;
}

// "keyword=value" per block child, the header first.
QStringList describe(const TreeItem *root)
{
    const TreeItem *block = root->child(0);
    QStringList rows{block->data(0).toString()};
    for (int row = 0; row < block->childCount(); ++row) {
        rows << block->child(row)->data(0).toString() + QLatin1Char('=') + block->child(row)->data(1).toString();
    }
    return rows;
}
}

class LogRotateParserTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    QString write(const QByteArray &content)
    {
        const QString path = m_dir.filePath(QStringLiteral("rotate.conf"));
        QFile file(path);
        file.open(QIODevice::WriteOnly | QIODevice::Truncate);
        file.write(content);
        return path;
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(TestPaths::isUsable(m_dir));
    }

    void parse_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QStringList>("rows"); // empty: a bad file
        QTest::newRow("good") << Good
                              << strings({"/vigil/log/tarn/events", "rotate=10", "size=100M", "missingok=", "postrotate=/bin/a x", "postrotate=/bin/b"});
        QTest::newRow("brace on its own line") << QByteArray("/a/b  \n{\ndaily\n}\n") << strings({"/a/b", "daily="});
        QTest::newRow("indented brace and comment") << QByteArray("/a/b {\n  # note\n  weekly\n   }\n") << strings({"/a/b", "weekly="});
        QTest::newRow("comments only") << QByteArray("# one\n\n# two\n") << QStringList();
        QTest::newRow("no endscript") << QByteArray("/a/b {\n\tprerotate\n\t\ttrue\n}\n") << QStringList();
        QTest::newRow("unknown keyword") << QByteArray("/a/b {\n\tmaxsize 1M\n}\n") << QStringList();
        QTest::newRow("second block") << QByteArray("/a {\n}\n/b {\n}\n") << QStringList();
        QTest::newRow("header that would read as a comment") << QByteArray("}# a\n{\n\trotate 1\n}\n") << QStringList();
    }

    void parse()
    {
        QFETCH(QByteArray, content);
        QFETCH(QStringList, rows);
        const QString path = write(content);
        LogRotateParser parser(path);
        std::unique_ptr<TreeItem> root(parser.parse());
        if (rows.isEmpty()) {
            QVERIFY(!root);
            QCOMPARE(parser.errorString(), path + QStringLiteral(": Bad config file"));
            return;
        }
        QVERIFY2(root, qPrintable(parser.errorString()));
        QCOMPARE(describe(root.get()), rows);
        QCOMPARE(parser.sourceLines(), QString::fromUtf8(content).split(QLatin1Char('\n')).mid(0, content.count('\n')));
    }

    // Rendered from the tree alone, the file reads back into the same tree.
    void renderRoundTrip()
    {
        LogRotateParser parser(write(Good));
        std::unique_ptr<TreeItem> root(parser.parse());
        ConfigAccessService service(nullptr);
        RotationWriter writer(service, QString());
        const QStringList lines = writer.getConfig(root.get());
        QCOMPARE(lines,
                 strings({"/vigil/log/tarn/events",
                          "{",
                          "\trotate 10",
                          "\tsize 100M",
                          "\tmissingok",
                          "\tpostrotate",
                          "\t\t/bin/a x",
                          "\t\t/bin/b",
                          "\tendscript",
                          "}"}));
        LogRotateParser again(write(lines.join(QLatin1Char('\n')).toUtf8()));
        std::unique_ptr<TreeItem> reread(again.parse());
        QCOMPARE(describe(reread.get()), describe(root.get()));
    }

    // Rendered from the tree alone, the page's directives come once each, as
    // when the file's lines are edited: the first of each kind.
    void renderRepeatedDirectives()
    {
        LogRotateParser parser(write("/a\nsize 1M\n{\n\trotate 2\n\tsize 5M\n\tdaily\n\tmissingok\n\tweekly\n\trotate 3\n}\n"));
        std::unique_ptr<TreeItem> root(parser.parse());
        QVERIFY(root);
        ConfigAccessService service(nullptr);
        RotationWriter writer(service, QString());
        writer.setSourceLines(parser.sourceLines());
        const QStringList lines = writer.getConfig(root.get());
        QCOMPARE(lines, strings({"/a", "{", "\tsize 1M", "\trotate 2", "\tdaily", "\tmissingok", "}"}));
        // Written again over what it wrote, nothing changes.
        LogRotateParser again(write(lines.join(QLatin1Char('\n')).toUtf8() + '\n'));
        std::unique_ptr<TreeItem> reread(again.parse());
        RotationWriter rewriter(service, QString());
        rewriter.setSourceLines(again.sourceLines());
        QCOMPARE(rewriter.getConfig(reread.get()), lines);
    }

    // Over the source lines only the edited directives change.
    void editSource_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QStringList>("set"); // replaces rotate, size and the period of the tree
        QTest::addColumn<QByteArray>("expected");
        const QByteArray tail = "\tmissingok\n\t# keep\n\n\tpostrotate\n\t\tsize 1\n\tendscript\n}\n";
        QTest::newRow("inserted after brace") << "# c\n/a\n{\n" + tail << strings({"rotate 2", "size 5M"}) << "# c\n/a\n{\n\trotate 2\n\tsize 5M\n" + tail;
        QTest::newRow("removed, duplicates too") << "/a {\n\trotate 1\n\tdaily\n\trotate 4\n" + tail << QStringList() << "/a {\n" + tail;
    }

    void editSource()
    {
        QFETCH(QByteArray, content);
        QFETCH(QStringList, set);
        QFETCH(QByteArray, expected);
        LogRotateParser parser(write(content));
        std::unique_ptr<TreeItem> root(parser.parse());
        QVERIFY(root);
        TreeItem *block = root->child(0);
        for (int row = block->childCount() - 1; row >= 0; --row) {
            if (strings({"rotate", "size", "daily", "weekly"}).contains(block->child(row)->data(0).toString())) {
                block->deleteChild(row);
            }
        }
        for (const QString &directive : std::as_const(set)) {
            block->appendChild(new TreeItem({directive.section(QLatin1Char(' '), 0, 0), directive.section(QLatin1Char(' '), 1)}, block));
        }
        ConfigAccessService service(nullptr);
        RotationWriter writer(service, QString());
        writer.setSourceLines(parser.sourceLines());
        QCOMPARE(writer.getConfig(root.get()).join(QLatin1Char('\n')) + QLatin1Char('\n'), QString::fromUtf8(expected));
    }
};

QTEST_GUILESS_MAIN(LogRotateParserTest)

#include "logrotateparsertest.moc"
