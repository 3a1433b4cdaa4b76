/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "unifieddiff.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <optional>

Q_DECLARE_METATYPE(std::optional<QByteArray>)

namespace
{
const QString Path = QStringLiteral("/etc/syslog-ng/conf.d/mod-tarn.conf");

// "1\n" .. "<count>\n", with `changed` lines (1-based) given another text.
QByteArray numbered(int count, const QList<int> &changed = {})
{
    QByteArray text;
    for (int line = 1; line <= count; ++line) {
        text += (changed.contains(line) ? QByteArray("changed ") : QByteArray()) + QByteArray::number(line) + '\n';
    }
    return text;
}

bool writeFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
}

class UnifiedDiffTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void diff_data();
    void diff();
    void previewNamesEveryFileAnApplyTouches();
};

void UnifiedDiffTest::diff_data()
{
    QTest::addColumn<std::optional<QByteArray>>("before");
    QTest::addColumn<std::optional<QByteArray>>("after");
    // A null expectation: only checked by patch(1).
    QTest::addColumn<QString>("expected");
    using Text = std::optional<QByteArray>;

    QTest::newRow("same text") << Text("a\nb\n") << Text("a\nb\n") << QString();
    QTest::newRow("new file") << Text() << Text("a\nb\n") << QStringLiteral("--- /dev/null\n+++ %1\n@@ -0,0 +1,2 @@\n+a\n+b\n").arg(Path);
    QTest::newRow("removed file") << Text("a\n") << Text() << QStringLiteral("--- %1\n+++ /dev/null\n@@ -1 +0,0 @@\n-a\n").arg(Path);
    QTest::newRow("one line, three lines of context") << Text(numbered(10)) << Text(numbered(10, {5}))
                                                      << QStringLiteral("--- %1\n+++ %1\n@@ -2,7 +2,7 @@\n 2\n 3\n 4\n-5\n+changed 5\n 6\n 7\n 8\n").arg(Path);
    QTest::newRow("contexts that meet make one hunk")
        << Text(numbered(20, {})) << Text(numbered(20, {4, 11}))
        << QStringLiteral("--- %1\n+++ %1\n@@ -1,14 +1,14 @@\n 1\n 2\n 3\n-4\n+changed 4\n 5\n 6\n 7\n 8\n 9\n 10\n-11\n+changed 11\n 12\n 13\n 14\n")
               .arg(Path);
    QTest::newRow("changes far apart make two hunks")
        << Text(numbered(20)) << Text(numbered(20, {2, 19}))
        << QStringLiteral("--- %1\n+++ %1\n@@ -1,5 +1,5 @@\n 1\n-2\n+changed 2\n 3\n 4\n 5\n@@ -16,5 +16,5 @@\n 16\n 17\n 18\n-19\n+changed 19\n 20\n")
               .arg(Path);
    QTest::newRow("lines inserted and removed") << Text("a\nb\nc\nd\n") << Text("a\nc\nd\ne\nf\n")
                                                << QStringLiteral("--- %1\n+++ %1\n@@ -1,4 +1,5 @@\n a\n-b\n c\n d\n+e\n+f\n").arg(Path);
    QTest::newRow("no line feed at the end")
        << Text("a\nb") << Text("a\nc")
        << QStringLiteral("--- %1\n+++ %1\n@@ -1,2 +1,2 @@\n a\n-b\n\\ No newline at end of file\n+c\n\\ No newline at end of file\n").arg(Path);
    QTest::newRow("line feed added at the end") << Text("a") << Text("a\n")
                                                << QStringLiteral("--- %1\n+++ %1\n@@ -1 +1 @@\n-a\n\\ No newline at end of file\n+a\n").arg(Path);
    QTest::newRow("large file, scattered changes") << Text(numbered(5000)) << Text(numbered(5000, {1, 700, 701, 2500, 4999, 5000})) << QString();
    // Beyond the search's limit the middle is removed and added as a whole.
    QByteArray others;
    for (int line = 1; line <= 3000; ++line) {
        others += "other " + QByteArray::number(line) + '\n';
    }
    QTest::newRow("everything differs") << Text(numbered(3000)) << Text(others) << QString();
}

void UnifiedDiffTest::diff()
{
    QFETCH(std::optional<QByteArray>, before);
    QFETCH(std::optional<QByteArray>, after);
    QFETCH(QString, expected);
    const QString diff = UnifiedDiff::diff(Path, before, after);
    if (!expected.isNull()) {
        QCOMPARE(diff, expected);
    }
    if (before == after) {
        QVERIFY(diff.isEmpty());
        return;
    }
    // What patch(1) makes of the diff is the new text.
    if (!before || !after || QStandardPaths::findExecutable(QStringLiteral("patch")).isEmpty()) {
        return;
    }
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(writeFile(dir.filePath(QStringLiteral("old")), *before));
    QVERIFY(writeFile(dir.filePath(QStringLiteral("diff")), diff.toUtf8()));
    QProcess patch;
    patch.setStandardInputFile(dir.filePath(QStringLiteral("diff")));
    patch.start(QStringLiteral("patch"),
                {QStringLiteral("-s"), QStringLiteral("-o"), dir.filePath(QStringLiteral("new")), dir.filePath(QStringLiteral("old"))});
    QVERIFY(patch.waitForFinished());
    QVERIFY2(patch.exitCode() == 0, patch.readAll().constData());
    QCOMPARE(readFile(dir.filePath(QStringLiteral("new"))), *after);
}

void UnifiedDiffTest::previewNamesEveryFileAnApplyTouches()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString replaced = dir.filePath(QStringLiteral("replaced"));
    const QString same = dir.filePath(QStringLiteral("same"));
    const QString removed = dir.filePath(QStringLiteral("removed"));
    const QString created = dir.filePath(QStringLiteral("created"));
    const QString absent = dir.filePath(QStringLiteral("absent"));
    QVERIFY(writeFile(replaced, "old\n"));
    QVERIFY(writeFile(same, "same\n"));
    QVERIFY(writeFile(removed, "gone\n"));

    QCOMPARE(UnifiedDiff::preview({}), QStringLiteral("Apply changes no file.\n"));
    QCOMPARE(UnifiedDiff::preview({{absent, std::nullopt}}), QStringLiteral("Apply changes no file.\n"));
    const QString preview = UnifiedDiff::preview({{removed, std::nullopt}, {absent, std::nullopt}, {created, "new\n"}, {replaced, "new\n"}, {same, "same\n"}});
    QCOMPARE(preview,
             QStringLiteral("Removed: %1\nNew file: %2\nReplaced: %3\nWritten again, unchanged: %4\n\n").arg(removed, created, replaced, same)
                 + UnifiedDiff::diff(removed, "gone\n", std::nullopt) + UnifiedDiff::diff(created, std::nullopt, "new\n")
                 + UnifiedDiff::diff(replaced, "old\n", "new\n"));
    // Rendering touched nothing.
    QCOMPARE(readFile(replaced), QByteArray("old\n"));
    QVERIFY(QFile::exists(removed));
    QVERIFY(!QFile::exists(created));
}

QTEST_GUILESS_MAIN(UnifiedDiffTest)

#include "unifieddifftest.moc"
