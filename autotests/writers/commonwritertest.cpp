/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "commonwriter.h"
#include "commonsettingsparser.h"
#include "configaccessservice.h"
#include "sampleroot.h"
#include "treeitem.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace
{
QString operator""_q(const char *text, size_t size)
{
    return QString::fromUtf8(text, int(size));
}

QVariant value(const QString &text)
{
    return text == QLatin1String("~") ? QVariant() : QVariant(QString(text).replace(QLatin1String("\\n"), QLatin1String("\n")));
}

// A tree from one line per node: columns separated by "|", "~" for an
// invalid value, "\n" for a line feed; options indented by two blanks.
std::unique_ptr<TreeItem> build(const QStringList &nodes)
{
    auto root = std::make_unique<TreeItem>(QVector<QVariant>{});
    TreeItem *statement = nullptr;
    for (const QString &node : nodes) {
        const bool option = node.startsWith(QLatin1String("  "));
        QVector<QVariant> columns;
        const QStringList texts = node.mid(option ? 2 : 0).split(QLatin1Char('|'));
        for (const QString &text : texts) {
            columns.append(value(text));
        }
        TreeItem *parent = option ? statement : root.get();
        auto item = new TreeItem(columns, parent);
        parent->appendChild(item);
        if (!option) {
            statement = item;
        }
    }
    return root;
}

// The text a write would produce: every rendered piece followed by "\n".
QString written(const QStringList &pieces)
{
    QString text;
    for (const QString &piece : pieces) {
        text += piece + QLatin1Char('\n');
    }
    return text;
}

QString dump(const TreeItem *item)
{
    QString text;
    for (int row = 0; row < item->childCount(); ++row) {
        const TreeItem *child = item->child(row);
        for (int column = 0; column < child->columnCount(); ++column) {
            text += child->data(column).toString() + QLatin1Char('|');
        }
        text += QLatin1Char('\n') + dump(child);
    }
    return text;
}
}

class CommonWriterTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void rendersTheTree_data();
    void rendersTheTree();
    void findItemIfLooksAtTheNameOnly();
    void roundTripPassesSyslogNg_data();
    void roundTripPassesSyslogNg();

private:
    ConfigAccessService m_service{nullptr};
    CommonWriter m_writer{m_service, QStringLiteral("/etc/syslog-ng/conf.d/mod-tarn.conf")};
};

void CommonWriterTest::rendersTheTree_data()
{
    QTest::addColumn<QStringList>("tree");
    QTest::addColumn<QString>("text");

    QTest::newRow("empty root") << QStringList() << QString();
    QTest::newRow("directives and comments") << QStringList{"@version: 3.38"_q, "@include|scl.conf"_q, "@define x|"_q, "# note"_q}
                                             << "@version: 3.38\n@include \"scl.conf\"\n@define x \"\"\n# note\n"_q;
    QTest::newRow("log without a second blank, destination with a path")
        << QStringList{"log|~"_q, "  source|~|s"_q, "destination|d1"_q, "  file|()|\"/var/log/x\"\\n    perm(0640)"_q}
        << "log {\n    source(s);\n};\ndestination d1 {\n    file(\"/var/log/x\"\n    perm(0640));\n};\n"_q;
    QTest::newRow("braces only around the block options themselves")
        << QStringList{"log"_q,
                       "  source|~|s"_q,
                       "  channel|~| destination(a); "_q,
                       "  destination|~|tarn_json_dst"_q,
                       "  junction|~|"_q,
                       "  if (program(\"a\"))|~| destination(a); } else { destination(b); "_q,
                       "  flags|~|final"_q}
        << "log {\n    source(s);\n    channel{ destination(a); };\n    destination(tarn_json_dst);\n    junction{};\n"
           "    if (program(\"a\")){ destination(a); } else { destination(b); };\n    flags(final);\n};\n"_q;
    QTest::newRow("an earlier argument holding the word if") << QStringList{"destination|d"_q, "  file|~|\"/var/log/if/x\""_q, "  file|~|\"/b\""_q}
                                                             << "destination d {\n    file(\"/var/log/if/x\");\n    file(\"/b\");\n};\n"_q;
    QTest::newRow("markers decide") << QStringList{"filter|f"_q, "  # old|#"_q, "  filter|{}| program(a); "_q, "  channel|()|x"_q}
                                    << "filter f {\n    # old\n    filter{ program(a); };\n    channel(x);\n};\n"_q;
}

void CommonWriterTest::rendersTheTree()
{
    QFETCH(QStringList, tree);
    QFETCH(QString, text);
    const auto root = build(tree);
    const QStringList pieces = m_writer.getConfig(root.get());
    QCOMPARE(pieces.size(), root->childCount());
    QCOMPARE(pieces.join(QString()), text);
}

void CommonWriterTest::findItemIfLooksAtTheNameOnly()
{
    const std::pair<const char *, bool> names[] = {{"if (a)", true},
                                                   {"if(a)", true},
                                                   {"elif (b)", true},
                                                   {"else", true},
                                                   {"channel", true},
                                                   {"junction", true},
                                                   {"iffy", false},
                                                   {"destination", false},
                                                   {"notify_if", false},
                                                   {"channels", false},
                                                   {"", false}};
    for (const auto &[name, braced] : names) {
        QVERIFY2(m_writer.findItemIf(QString::fromUtf8(name)) == braced, name);
    }
}

void CommonWriterTest::roundTripPassesSyslogNg_data()
{
    QTest::addColumn<QString>("text");
    const SampleRoot sample;
    for (const char *file : {"mod-tarn.conf", "mod-tarn-removable-media-attached.conf", "mod-tarn-user-login-failed.conf"}) {
        const QByteArray content = sample.readFile(QStringLiteral("/etc/syslog-ng/conf.d/") + QString::fromUtf8(file));
        QVERIFY(!content.isEmpty());
        QTest::newRow(file) << QString::fromUtf8(content);
    }
    QTest::newRow("comments, conditionals, expressions, one-line statements")
        << "@define tarn_dir \"/tmp/tarn\"\n# destination old { file(\"/tmp/old\"); };\n"
           "filter f_a { match(\"a\" value(\"MSG.x\")) and\n    program(\"c\"); };\n"
           "filter f_b { not match(\"b\"\n    value(\"MSG.y\"))\n    or (program('x') and host(\"h\")); };\n"
           "destination d_a { file(\"/tmp/a\" # the path\n    template(\"${MSG}\\n\")); }; # after\n"
           "destination d_b { file(\"/tmp/b\"); }; destination d_c { file(\"/tmp/if/c\"); };\n"
           "log {\n    source(tarn_events_src);\n    # parser(tarn_events_parser);\n    if (filter(f_a)) {\n        destination(d_a);\n"
           "    } elif (filter(f_b)) {\n        destination(d_b);\n    } else {\n        destination(d_c);\n    };\n"
           "    junction {\n        channel { filter(f_a); destination(d_a); };\n        channel { destination(d_b); };\n    };\n"
           "    destination(d_c);\n};"_q;
}

void CommonWriterTest::roundTripPassesSyslogNg()
{
    QFETCH(QString, text);
    CommonSettingsParser parser(QString(), nullptr);
    const std::unique_ptr<TreeItem> tree(parser.parseText(text));
    QCOMPARE(parser.unparsedStatements(), QStringList());
    const QString rendered = written(m_writer.getConfig(tree.get()));
    const std::unique_ptr<TreeItem> again(parser.parseText(rendered));
    QCOMPARE(parser.unparsedStatements(), QStringList());
    QCOMPARE(dump(again.get()), dump(tree.get()));
    QCOMPARE(written(m_writer.getConfig(again.get())), rendered);

    const QString syslogNg = QStandardPaths::findExecutable(QStringLiteral("syslog-ng"));
    if (syslogNg.isEmpty()) {
        QSKIP("syslog-ng is not installed");
    }
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QFile file(dir.filePath(QStringLiteral("rendered.conf")));
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(rendered.toUtf8()) == rendered.toUtf8().size());
    file.close();
    QFile main(dir.filePath(QStringLiteral("main.conf")));
    QVERIFY(main.open(QIODevice::WriteOnly));
    main.write(QStringLiteral("@version: 3.38\nsource tarn_events_src { unix-dgram(\"%1\" flags(no-parse)); };\n"
                              "parser tarn_events_parser { json-parser(prefix(\"MSG.\")); };\n@include \"%2\"\n")
                   .arg(dir.filePath(QStringLiteral("sock")), file.fileName())
                   .toUtf8());
    main.close();
    QProcess check;
    check.start(syslogNg, {QStringLiteral("--syntax-only"), QStringLiteral("-f"), main.fileName()});
    QVERIFY(check.waitForFinished(60000));
    QVERIFY2(check.exitStatus() == QProcess::NormalExit && check.exitCode() == 0, qPrintable(QString::fromUtf8(check.readAllStandardError()) + rendered));
}

QTEST_GUILESS_MAIN(CommonWriterTest)

#include "commonwritertest.moc"
