/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "tooltipper.h"
#include "eventtreeitem.h"

#include <QTest>

class ToolTipperTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void textDependsOnTheIconUnderTheMouse_data()
    {
        QTest::addColumn<bool>("load");
        QTest::addColumn<bool>("notifies");
        QTest::addColumn<int>("mouseX");
        QTest::addColumn<QString>("text");

        const QString load = QStringLiteral("This event generates a large volume of records in the logs");
        const QString notification = QStringLiteral("Notifications are enabled for this event");
        const QString fallback = QStringLiteral("fallback");
        // The row's cell starts at x = 100.
        QTest::newRow("both: before the icons") << true << true << 129 << fallback;
        QTest::newRow("both: left icon, first pixel") << true << true << 130 << load;
        QTest::newRow("both: left icon, last pixel") << true << true << 146 << load;
        QTest::newRow("both: right icon, first pixel") << true << true << 147 << notification;
        QTest::newRow("both: right icon, last pixel") << true << true << 162 << notification;
        QTest::newRow("both: after the icons") << true << true << 163 << fallback;
        QTest::newRow("load only: icon") << true << false << 140 << load;
        QTest::newRow("load only: right of it") << true << false << 150 << fallback;
        QTest::newRow("notifies only: icon") << false << true << 140 << notification;
        QTest::newRow("notifies only: right of it") << false << true << 150 << fallback;
        QTest::newRow("neither") << false << false << 140 << fallback;
    }

    void textDependsOnTheIconUnderTheMouse()
    {
        QFETCH(bool, load);
        QFETCH(bool, notifies);
        QFETCH(int, mouseX);
        QFETCH(QString, text);
        EventTreeItem item({QStringLiteral("event")});
        item.generatesLoad = load;
        item.notificationState = notifies ? EventTreeItem::NotificationOnConfigured : EventTreeItem::NotificationOff;
        QCOMPARE(ToolTipper::textAt(item, 100, mouseX, QStringLiteral("fallback")), text);
    }
};

QTEST_GUILESS_MAIN(ToolTipperTest)

#include "tooltippertest.moc"
