/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "notificationsdictionary.h"
#include "sampleroot.h"

#include <QTest>

class NotificationsDictionaryTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    // Events come from the watcher's rc files only; the first file in name
    // order wins an id declared twice; text after a NUL byte is not read.
    void init_reads_watcher_files()
    {
        SampleRoot root(SampleRoot::Empty);
        const QString dir = QStringLiteral("/usr/share/knotifications5/");
        QVERIFY(root.writeFile(dir + QStringLiteral("tarn-event-watcher_b.notifyrc"),
                               "[Global]\nName=b\n\n[Event/userLoginFailed]\nName=x\n\n[Event/diskFull]\nAction=Popup\n"));
        QVERIFY(root.writeFile(dir + QStringLiteral("tarn-event-watcher_a.notifyrc"), QByteArray("[Event/userLoginFailed]\n") + '\0' + "[Event/afterNul]\n"));
        QVERIFY(root.writeFile(dir + QStringLiteral("other.notifyrc"), "[Event/foreign]\n"));
        QVERIFY(root.writeFile(dir + QStringLiteral("tarn-event-watcher_empty.notifyrc"), ""));
        root.activate();
        NotificationsDictionary &dictionary = NotificationsDictionary::Instance();
        dictionary.reset();
        QVERIFY(dictionary.init());
        QCOMPARE(dictionary.applicationName(QStringLiteral("userLoginFailed")), QStringLiteral("tarn-event-watcher_a"));
        QCOMPARE(dictionary.applicationName(QStringLiteral("diskFull")), QStringLiteral("tarn-event-watcher_b"));
        QVERIFY(!dictionary.contains(QStringLiteral("afterNul")));
        QVERIFY(!dictionary.contains(QStringLiteral("foreign")));
        QVERIFY(!dictionary.contains(QStringLiteral("Global")));
        // Loaded once: later files are not seen.
        QVERIFY(root.writeFile(dir + QStringLiteral("tarn-event-watcher_c.notifyrc"), "[Event/late]\n"));
        QVERIFY(dictionary.init());
        QVERIFY(!dictionary.contains(QStringLiteral("late")));
    }

    // A scan that found nothing is repeated by the next call.
    void init_retries_when_empty()
    {
        SampleRoot root(SampleRoot::Empty);
        root.activate();
        NotificationsDictionary &dictionary = NotificationsDictionary::Instance();
        dictionary.reset();
        QVERIFY(!dictionary.init());
        QVERIFY(root.writeFile(QStringLiteral("/usr/share/knotifications5/tarn-event-watcher_x.notifyrc"), "[Event/late]\n"));
        QVERIFY(dictionary.init());
        QVERIFY(dictionary.contains(QStringLiteral("late")));
    }
};

QTEST_GUILESS_MAIN(NotificationsDictionaryTest)
#include "notificationsdictionarytest.moc"
