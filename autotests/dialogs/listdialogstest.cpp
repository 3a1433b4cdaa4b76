/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "diskspacemondialog.h"
#include "filesdialog.h"

#include <QDialogButtonBox>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTest>
#include <QToolButton>

#include <functional>

namespace
{
template<typename T>
T *child(const QDialog &dialog, const char *name)
{
    return dialog.findChild<T *>(QString::fromLatin1(name));
}

void press(const QDialog &dialog, QDialogButtonBox::StandardButton which)
{
    child<QDialogButtonBox>(dialog, "buttonBox")->button(which)->click();
}

QStringList rowsOf(const FilesDialog &dialog)
{
    QStringList rows;
    const auto *list = child<QListWidget>(dialog, "filesList");
    for (int row = 0; row < list->count(); ++row) {
        rows.append(list->item(row)->text());
    }
    return rows;
}

// A path JSON must escape, with what a one-pass substitution must leave alone.
// (moc misreads raw literals holding backslashes.)
const QString WeirdPath = QStringLiteral("/a\"b\\c,d%2");

using TableEdit = std::function<void(DiskSpaceMonDialog &, QTableWidget *)>;
}
Q_DECLARE_METATYPE(TableEdit)

// The file list and the disk-space table: what they show of a value, what
// they refuse, and what they send back.
class ListDialogsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void fileListRoundTrip()
    {
        FilesDialog dialog;
        dialog.setData(QStringLiteral("/old"));
        dialog.setData(QStringLiteral("a, b,\n, ,c"));
        QCOMPARE(rowsOf(dialog), QStringList({QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")}));
        QVERIFY(dialog.appendPath(QStringLiteral("/var/log/a%2.log")));
        QCOMPARE(child<QListWidget>(dialog, "filesList")->currentRow(), 3);

        QSignalSpy edited(&dialog, &FilesDialog::fileListEdited);
        press(dialog, QDialogButtonBox::Ok);
        QCOMPARE(edited.size(), 1);
        QCOMPARE(edited.first().first().toString(), QStringLiteral("a, b, c, /var/log/a%2.log"));
    }

    void refusesPathsTheListCannotHold_data()
    {
        QTest::addColumn<QString>("path");
        QTest::newRow("empty") << QString();
        QTest::newRow("relative") << QStringLiteral("var/log");
        QTest::newRow("comma") << QStringLiteral("/var/a,b");
        QTest::newRow("line break") << QStringLiteral("/var/a\n-w /etc");
        QTest::newRow("control character") << QStringLiteral("/var/a\x01");
        QTest::newRow("line separator") << QStringLiteral("/var/a") + QChar(QChar::LineSeparator);
        QTest::newRow("space") << QStringLiteral("/var/my dir");
        QTest::newRow("tab") << QStringLiteral("/var/a\tb");
        QTest::newRow("no-break space") << QStringLiteral("/var/a") + QChar(0xa0);
        QTest::newRow("already listed") << QStringLiteral("/etc/passwd");
    }

    void refusesPathsTheListCannotHold()
    {
        QFETCH(QString, path);
        FilesDialog dialog;
        dialog.setData(QStringLiteral("/etc/passwd"));
        const auto appended = dialog.appendPath(path);
        QVERIFY(!appended);
        QVERIFY(!appended.error().isEmpty());
        QCOMPARE(dialog.paths(), QStringList{QStringLiteral("/etc/passwd")});
    }

    void removeFollowsTheSelection()
    {
        FilesDialog files;
        files.setData(QStringLiteral("/a, /b, /c"));
        auto *list = child<QListWidget>(files, "filesList");
        auto *removeFile = child<QToolButton>(files, "removeButton");
        QVERIFY(!removeFile->isEnabled());
        list->setCurrentRow(0);
        QVERIFY(removeFile->isEnabled());
        removeFile->click();
        QCOMPARE(files.paths(), QStringList({QStringLiteral("/b"), QStringLiteral("/c")}));
        QCOMPARE(list->currentRow(), 1);
        list->clearSelection();
        QVERIFY(!removeFile->isEnabled());

        DiskSpaceMonDialog disks;
        disks.setData(QStringLiteral(R"([{"path": "/a"}, {"path": "/b"}])"));
        auto *table = child<QTableWidget>(disks, "directoriesTable");
        auto *removeDirectory = child<QToolButton>(disks, "removeButton");
        QVERIFY(!removeDirectory->isEnabled());
        table->selectRow(0);
        QVERIFY(removeDirectory->isEnabled());
        removeDirectory->click();
        QCOMPARE(table->rowCount(), 1);
        QCOMPARE(table->item(0, 0)->text(), QStringLiteral("/b"));
        table->clearSelection();
        QVERIFY(!removeDirectory->isEnabled());
    }

    void cancelEmitsNothing()
    {
        FilesDialog files;
        files.setData(QStringLiteral("/a"));
        QSignalSpy filesEdited(&files, &FilesDialog::fileListEdited);
        press(files, QDialogButtonBox::Cancel);

        DiskSpaceMonDialog disks;
        disks.appendDirectory(QStringLiteral("/a"));
        QSignalSpy disksEdited(&disks, &DiskSpaceMonDialog::directoriesEdited);
        press(disks, QDialogButtonBox::Cancel);

        QVERIFY(filesEdited.isEmpty());
        QVERIFY(disksEdited.isEmpty());
    }

    void directoryTableRoundTrip_data()
    {
        QTest::addColumn<QString>("input");
        QTest::addColumn<TableEdit>("edit");
        QTest::addColumn<QString>("paths");
        QTest::addColumn<QString>("json");
        const TableEdit none = [](DiskSpaceMonDialog &, QTableWidget *) {};

        const QString one = QStringLiteral(R"([{"limit_bytes":"104857600","limit_percent":"100.0","path":"/var"}])");
        QTest::newRow("one row, unchanged") << one << none << "/var" << one;
        QTest::newRow("one row, appended") << QString() << TableEdit([](DiskSpaceMonDialog &dialog, QTableWidget *) {
            dialog.appendDirectory(QStringLiteral("/var"));
        }) << "/var" << one;
        QTest::newRow("two rows, catalogue layout")
            << R"([ { "path": "/a", "limit_bytes": "1", "limit_percent": "2" },{ "path": "/b", "limit_bytes": "3", "limit_percent": "4" } ])" << none
            << "/a, /b"
            << R"([{"limit_bytes":"1","limit_percent":"2","path":"/a"},{"limit_bytes":"3","limit_percent":"4","path":"/b"}])";
        const QString special = QStringLiteral("[{\"limit_bytes\":\"1\",\"limit_percent\":\"2\",\"path\":\"/a\\\"b\\\\c,d%2\"}]");
        QTest::newRow("quote, backslash, comma, %2") << special << none << WeirdPath << special;
        QTest::newRow("typed into a cell") << QString() << TableEdit([](DiskSpaceMonDialog &dialog, QTableWidget *table) {
            dialog.appendDirectory(QStringLiteral("/x"));
            table->item(0, 0)->setText(WeirdPath);
            table->item(0, 1)->setText(QStringLiteral("1"));
            table->item(0, 2)->setText(QStringLiteral("2"));
        }) << WeirdPath << special;
        const QString unknown = QStringLiteral(R"([{"limit_bytes":"1","limit_percent":"2","note":"x","path":"/a"}])");
        QTest::newRow("unknown key kept") << unknown << none << "/a" << unknown;
        QTest::newRow("edited key wins") << unknown << TableEdit([](DiskSpaceMonDialog &, QTableWidget *table) {
            QCOMPARE(table->item(0, 0)->text(), QStringLiteral("/a"));
            table->item(0, 0)->setText(QStringLiteral("/b"));
        }) << "/b"
                                         << R"([{"limit_bytes":"1","limit_percent":"2","note":"x","path":"/b"}])";
        QTest::newRow("emptied limit") << one << TableEdit([](DiskSpaceMonDialog &, QTableWidget *table) {
            table->item(0, 1)->setText(QString());
            QCOMPARE(table->item(0, 1)->text(), QStringLiteral("0"));
        }) << "/var"
                                       << R"([{"limit_bytes":"0","limit_percent":"100.0","path":"/var"}])";
        const QString sparse = QStringLiteral(R"([{"limit_bytes":104857600,"path":"/a"},{"limit_percent":""}])");
        QTest::newRow("numbers, missing and empty members kept") << sparse << none << "/a" << sparse;
        QTest::newRow("no objects") << R"([ "/a", 1, {"path":"/b"} ])" << none << "/b"
                                    << R"([{"path":"/b"}])";
        QTest::newRow("not an array") << R"({"path":"/a"})" << none << ""
                                      << "[]";
    }

    void directoryTableRoundTrip()
    {
        QFETCH(QString, input);
        QFETCH(TableEdit, edit);
        QFETCH(QString, paths);
        QFETCH(QString, json);
        DiskSpaceMonDialog dialog;
        dialog.appendDirectory(QStringLiteral("/previous"));
        dialog.setData(input);
        edit(dialog, child<QTableWidget>(dialog, "directoriesTable"));

        QSignalSpy edited(&dialog, &DiskSpaceMonDialog::directoriesEdited);
        press(dialog, QDialogButtonBox::Ok);
        QCOMPARE(edited.size(), 1);
        const QList<QVariant> values = edited.first().first().value<QList<QVariant>>();
        QCOMPARE(values.size(), 2);
        QCOMPARE(values.at(0).toString(), paths);
        QCOMPARE(values.at(1).toString(), json);
    }
};

QTEST_MAIN(ListDialogsTest)

#include "listdialogstest.moc"
