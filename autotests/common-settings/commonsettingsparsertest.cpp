/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "commonsettingsparser.h"
#include "treeitem.h"

#include <QRandomGenerator>
#include <QTest>

#include <memory>

namespace
{
QString operator""_q(const char *text, size_t size)
{
    return QString::fromUtf8(text, int(size));
}

// One line per node, children indented: the columns joined by "|"_q, an
// invalid value as "~"_q, trailing invalid columns left out, line feeds in a
// value as "\n"_q.
QString dump(const TreeItem *item, int depth = 0)
{
    QString text;
    for (int row = 0; row < item->childCount(); ++row) {
        const TreeItem *child = item->child(row);
        QStringList columns;
        for (int column = 0; column < child->columnCount(); ++column) {
            const QVariant value = child->data(column);
            columns.append(value.isValid() ? value.toString().replace(QLatin1Char('\n'), QLatin1String("\\n")) : QStringLiteral("~"));
        }
        while (!columns.isEmpty() && columns.last() == QLatin1String("~")) {
            columns.removeLast();
        }
        text += QString(depth * 2, QLatin1Char(' ')) + columns.join(QLatin1Char('|')) + QLatin1Char('\n');
        text += dump(child, depth + 1);
    }
    return text;
}

QString lines(const QStringList &nodes)
{
    return nodes.isEmpty() ? QString() : nodes.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

std::unique_ptr<TreeItem> parsed(const QString &text, QStringList *unparsed = nullptr)
{
    CommonSettingsParser parser(QString(), nullptr);
    std::unique_ptr<TreeItem> root(parser.parseText(text));
    if (unparsed) {
        *unparsed = parser.unparsedStatements();
    }
    return root;
}

// "keyword name"_q of every top-level node.
QStringList statements(const TreeItem *root)
{
    QStringList result;
    for (int row = 0; row < root->childCount(); ++row) {
        result.append(QString(root->child(row)->data(0).toString() + QLatin1Char(' ') + root->child(row)->data(1).toString()).trimmed());
    }
    return result;
}
}

class CommonSettingsParserTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void missingFileGivesTheBareRoot();
    void cutsStatementsAndOptions_data();
    void cutsStatementsAndOptions();
    void badInputIsKeptAside_data();
    void badInputIsKeptAside();
    void appendChildDestinationPlacesTheStatement_data();
    void appendChildDestinationPlacesTheStatement();
    void deleteLogChildRemovesOnlyTheReferences_data();
    void deleteLogChildRemovesOnlyTheReferences();
};

void CommonSettingsParserTest::missingFileGivesTheBareRoot()
{
    CommonSettingsParser parser(QStringLiteral("/nonexistent/mod-tarn.conf"), nullptr);
    const std::unique_ptr<TreeItem> root(parser.parse());
    QCOMPARE(root->childCount(), 0);
    QCOMPARE(root->data(2).toString(), QStringLiteral("Value"));
    QVERIFY(!parser.errorString().isEmpty());
}

void CommonSettingsParserTest::cutsStatementsAndOptions_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("tree");

    QTest::newRow("directive directly above a block") << "@version: 3.38\n@include \"scl.conf\"\n@define x \"a b\"\nsource s { internal(); };"_q
                                                      << lines(
                                                             {"@version: 3.38"_q, "@include|scl.conf"_q, "@define x|a b"_q, "source|s"_q, "  internal|()|"_q});
    QTest::newRow("at sign inside a quoted argument") << "destination d {\n    python(options(\"event_user\", \"x\n@all\"));\n};\n"_q
                                                      << lines({"destination|d"_q, "  python|()|options(\"event_user\", \"x\\n@all\")"_q});
    QTest::newRow("two one-line statements in a row")
        << "destination a { file(\"a\"); };\ndestination b { file(\"b\"); }; log { destination(a); };"_q
        << lines({"destination|a"_q, "  file|()|\"a\""_q, "destination|b"_q, "  file|()|\"b\""_q, "log|"_q, "  destination|()|a"_q});
    QTest::newRow("one-line statement above a block, last line without line feed")
        << "filter f { program(\"x\"); };\nlog {\n    source(s);\n    filter(f);\n};\nlog { source(s); };"_q
        << lines({"filter|f"_q, "  program|()|\"x\""_q, "log|"_q, "  source|()|s"_q, "  filter|()|f"_q, "log|"_q, "  source|()|s"_q});
    QTest::newRow("comments stay comments") << "# destination old {\n#     file(\"/x\");\n# };\nlog {\n    source(s); # main\n    # destination(old);\n"_q
                                               "    destination(d);\n}; # end\n"_q
                                            << lines({"# destination old {"_q,
                                                      "#     file(\"/x\");"_q,
                                                      "# };"_q,
                                                      "log|"_q,
                                                      "  source|()|s"_q,
                                                      "  # main|#"_q,
                                                      "  # destination(old);|#"_q,
                                                      "  destination|()|d"_q,
                                                      "# end"_q});
    QTest::newRow("hash, braces and semicolons inside strings")
        << "destination d { file(\"/log/#x\" template(\"{a};b\\\")#\")); };\nfilter f { program('a\"b\\'); };"_q
        << lines({"destination|d"_q, "  file|()|\"/log/#x\" template(\"{a};b\\\")#\")"_q, "filter|f"_q, "  program|()|'a\"b\\'"_q});
    QTest::newRow("conditional with elif and else is one option")
        << "log {\n    source(s);\n    if (program(\"a\")) {\n        destination(a);\n    } elif (program(\"b\")) {\n        destination(b);\n"
           "    } else {\n        destination(c);\n    };\n    flags(final);\n};"_q
        << lines({"log|"_q,
                  "  source|()|s"_q,
                  "  if (program(\"a\"))|{}|\\n        destination(a);\\n    } elif (program(\"b\")) {\\n        destination(b);\\n    } else "
                  "{\\n        destination(c);\\n    "_q,
                  "  flags|()|final"_q});
    QTest::newRow("and, or at line ends keep an expression")
        << "filter f { match(\"a\" value(\"b\")) and\nprogram(\"c\"); };\nfilter g { match(\"a\" value(\"b\"))\n or program(\"c\") };"_q
        << lines({"filter|f"_q, "  match|()|\"a\" value(\"b\")) and\\nprogram(\"c\""_q, "filter|g"_q, "  match|()|\"a\" value(\"b\"))\\n or program(\"c\""_q});
    QTest::newRow("names keep inner blanks, lose the others")
        << "filter  f\t{ not\n match(\"a  b\"\n value(\"b\")); (program(a) or host(b)) and level(err); };\ndestination   d { file (  \"/x\"  ); };"_q
        << lines({"filter|f"_q,
                  "  not match|()|\"a  b\"\\n value(\"b\")"_q,
                  "  |()|program(a) or host(b)) and level(err"_q,
                  "destination|d"_q,
                  "  file|()|  \"/x\"  "_q});
    QTest::newRow("multi-line argument and nested blocks")
        << "destination j {\n    file(\"/x\"\ntemplate(\"$(format-json --key MSG.*)\\n\")\n# perm(0600)\nperm(0640));\n};\nlog {\n    junction {\n"
           "        channel { destination(a); };\n    };\n};\n"_q
        << lines({"destination|j"_q,
                  "  file|()|\"/x\"\\ntemplate(\"$(format-json --key MSG.*)\\n\")\\n# perm(0600)\\nperm(0640)"_q,
                  "log|"_q,
                  "  junction|{}|\\n        channel { destination(a); };\\n    "_q});
    QTest::newRow("carriage returns, comment in a header")
        << "log # main path\r\n{\r\n    source(s);\r\n};\r\n"_q << lines({"# main path"_q, "log|"_q, "  source|()|s"_q});
}

void CommonSettingsParserTest::cutsStatementsAndOptions()
{
    QFETCH(QString, text);
    QFETCH(QString, tree);
    QStringList unparsed;
    const auto root = parsed(text, &unparsed);
    QCOMPARE(dump(root.get()), tree);
    QCOMPARE(unparsed, QStringList());
}

void CommonSettingsParserTest::badInputIsKeptAside_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("statements");
    QTest::addColumn<QStringList>("unparsed");

    const QString log = QStringLiteral("log { destination(a); };\n");
    QTest::newRow("extra closing brace") << QString("destination a { file(\"a\"); }};\n"_q + log) << QStringList{"log"_q}
                                         << QStringList{"destination a { file(\"a\"); }};"_q};
    QTest::newRow("missing closing brace") << QString("destination a {\n    file(\"a\");\n"_q + log + "destination b { file(\"b\"); };"_q)
                                           << QStringList{"log"_q, "destination b"_q} << QStringList{"destination a {\n    file(\"a\");"_q};
    QTest::newRow("unterminated string") << "destination a { file(\"a); };\ndestination b { file(\"b\"); };"_q << QStringList{"destination b"_q}
                                         << QStringList{"destination a { file(\"a); };"_q};
    QTest::newRow("cut in a block") << "destination a { file(\"a\"); };\nlog {\n    source(s);\n    desti"_q << QStringList{"destination a"_q}
                                    << QStringList{"log {\n    source(s);\n    desti"_q};
    QTest::newRow("not a statement") << QString("hello world;\n"_q + log + "filter f { \"x\" eq \"y\"; };"_q) << QStringList{"log"_q}
                                     << QStringList{"hello world;"_q, "filter f { \"x\" eq \"y\"; };"_q};
    QTest::newRow("NUL bytes") << QString("destination a { file(\"a\"); };\n\0\0;\n# \0\n"_q + log) << QStringList{"destination a"_q, "log"_q}
                               << QStringList{"\0\0;"_q, "# \0"_q};
    QTest::newRow("invalid UTF-8") << QString("destination a { file(\"\xff\xfe\"); };\n@define x \"\xc3\"\n"_q + log) << QStringList{"log"_q}
                                   << QStringList{"destination a { file(\"\xff\xfe\"); };"_q, "@define x \"\xc3\""_q};

    // Binary garbage without blanks, between two sound statements.
    const char alphabet[] = "\0\x01\xff\xfe\xc3{}();\"'#@a";
    QByteArray garbage;
    QRandomGenerator random(7);
    for (int i = 0; i < 20000; ++i) {
        garbage.append(alphabet[random.bounded(int(sizeof alphabet - 1))]);
    }
    QTest::newRow("binary garbage") << QString("destination a { file(\"a\"); };\n"_q + QString::fromUtf8(garbage) + "\n"_q + log)
                                    << QStringList{"destination a"_q, "log"_q} << QStringList{QString::fromUtf8(garbage)};

    // 10 MB: sound statements around one that is never closed.
    QString big;
    big.reserve(11 << 20);
    int count = 0;
    while (big.size() < 5 << 20) {
        big += QStringLiteral("destination d%1 {\n    file(\"/var/log/d%1\"\n        perm(0640));\n};\n").arg(count++);
    }
    big += QStringLiteral("log {\n    source(s);\n");
    while (big.size() < 10 << 20) {
        big += QStringLiteral("destination d%1 {\n    file(\"/var/log/d%1\"\n        perm(0640));\n};\n").arg(count++);
    }
    QStringList bigStatements;
    for (int i = 0; i < count; ++i) {
        bigStatements.append(QStringLiteral("destination d%1").arg(i));
    }
    // Each unclosed statement is scanned again from the next line that looks
    // like a statement; a bound on the rescans keeps this linear.
    QString unclosed;
    for (int i = 0; i < 100000; ++i) {
        unclosed += QStringLiteral("log {\n");
    }
    QTest::newRow("never closed, again and again") << unclosed << QStringList() << QStringList{unclosed.trimmed()};

    QTest::newRow("10 MB") << big << bigStatements << QStringList{"log {\n    source(s);"_q};
}

void CommonSettingsParserTest::badInputIsKeptAside()
{
    QFETCH(QString, text);
    QFETCH(QStringList, statements);
    QFETCH(QStringList, unparsed);
    QStringList unparsedFound;
    const auto root = parsed(text, &unparsedFound);
    QCOMPARE(::statements(root.get()), statements);
    // Rows whose pieces are not known one by one: joined, they give back
    // the text that could not be read.
    const QByteArray tag = QTest::currentDataTag();
    if (tag == "binary garbage") {
        QCOMPARE(unparsedFound.join(QString()), unparsed.first());
    } else if (tag == "never closed, again and again") {
        QCOMPARE(unparsedFound.join(QLatin1Char('\n')), unparsed.first());
    } else {
        QCOMPARE(unparsedFound, unparsed);
    }
}

void CommonSettingsParserTest::appendChildDestinationPlacesTheStatement_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("statements");

    QTest::newRow("empty tree") << QString() << QStringList{"destination n"_q, "log"_q};
    QTest::newRow("after the last destination, chain at the end")
        << "destination a { file(\"a\"); };\nfilter f { program(x); };\ndestination b { file(\"b\"); };\nlog { destination(a); };\n# end"_q
        << QStringList{"destination a"_q, "filter f"_q, "destination b"_q, "destination n"_q, "log"_q, "# end"_q, "log"_q};
    QTest::newRow("before the first log") << "@version: 3.38\nlog { destination(a); };\nlog { destination(b); };"_q
                                          << QStringList{"@version: 3.38"_q, "destination n"_q, "log"_q, "log"_q, "log"_q};
    QTest::newRow("at the end") << "filter f { program(x); };"_q << QStringList{"filter f"_q, "destination n"_q, "log"_q};
}

void CommonSettingsParserTest::appendChildDestinationPlacesTheStatement()
{
    QFETCH(QString, text);
    QFETCH(QStringList, statements);
    const auto root = parsed(text);
    auto node = new TreeItem({QStringLiteral("destination"), QStringLiteral("n"), QVariant()}, root.get());
    node->appendChild(new TreeItem({QStringLiteral("file"), QStringLiteral("()"), QStringLiteral("\"/n\"")}, node));
    root->appendChildDestination(node);
    QCOMPARE(::statements(root.get()), statements);
    QCOMPARE(node->row(), statements.indexOf(QStringLiteral("destination n")));
    QCOMPARE(dump(root->child(root->childCount() - 1)), lines({"source|()|tarn_events_src"_q, "destination|()|n"_q}));
    QCOMPARE(root->child(root->childCount() - 1)->parentItem(), root.get());
}

void CommonSettingsParserTest::deleteLogChildRemovesOnlyTheReferences_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("changed");
    QTest::addColumn<QString>("tree");

    QTest::newRow("both logs of d go, the rest stays") << "d"_q << true
                                                       << lines({"destination|d"_q,
                                                                 "  file|()|\"d\""_q,
                                                                 "filter|d"_q,
                                                                 "  program|()|d"_q,
                                                                 "log|"_q,
                                                                 "  filter|()|d"_q,
                                                                 "  destination|()|e"_q,
                                                                 "log|"_q,
                                                                 "  destination|()|e"_q});
    QTest::newRow("a name no log sends to") << "x"_q << false << QString();
}

void CommonSettingsParserTest::deleteLogChildRemovesOnlyTheReferences()
{
    QFETCH(QString, name);
    QFETCH(bool, changed);
    QFETCH(QString, tree);
    const QString text = QStringLiteral(
        "destination d { file(\"d\"); };\nfilter d { program(d); };\nlog { source(s); destination(d); };\n"
        "log { filter(d); destination( d ); destination(e); };\nlog { destination(e); };\nlog { destination(d); };");
    const auto root = parsed(text);
    const QString before = dump(root.get());
    QCOMPARE(root->deleteLogChild(name), changed);
    QCOMPARE(dump(root.get()), tree.isEmpty() ? before : tree);
}

QTEST_GUILESS_MAIN(CommonSettingsParserTest)

#include "commonsettingsparsertest.moc"
