/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "compactjson.h"

#include <QJsonDocument>
#include <QTest>

// The trees keep the compact text of arrays and audit tables; other code
// (the audit dialog, the writers) builds the same texts with QJsonDocument
// and compares them, so the two must agree to the character.
class CompactJsonTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void matchesQJsonDocument_data()
    {
        QTest::addColumn<QJsonValue>("value");

        QString controls;
        for (ushort unit = 0; unit < 0x20; ++unit) {
            controls += QChar(unit);
        }
        const QString awkward = controls + QStringLiteral("\"\\/ \x7f ёЁ 日本 ") + QString::fromUtf8("\xF0\x9F\x98\x80") // an emoji: a surrogate pair
            + QChar(0xFFFF) + QChar(0xFEFF);
        const QString loneHigh = QStringLiteral("a") + QChar(0xD83D) + QStringLiteral("b");
        const QString loneLow = QStringLiteral("a") + QChar(0xDE00);
        const QString highAtEnd = QStringLiteral("a") + QChar(0xD83D);
        const QString swapped = QString(QChar(0xDE00)) + QChar(0xD83D);

        QTest::newRow("empty array") << QJsonValue(QJsonArray());
        QTest::newRow("empty object") << QJsonValue(QJsonObject());
        QTest::newRow("strings") << QJsonValue(QJsonArray{QStringLiteral("sshd"), QString(), awkward});
        QTest::newRow("half surrogates") << QJsonValue(QJsonArray{loneHigh, loneLow, highAtEnd, swapped});
        QTest::newRow("file list") << QJsonValue(
            QJsonArray{QJsonObject{{QStringLiteral("path"), QStringLiteral("/var/log/a b")}, {QStringLiteral("recursive"), true}},
                       QJsonObject{{QStringLiteral("path"), awkward}, {QStringLiteral("mask"), QJsonValue()}}});
        QTest::newRow("audit table") << QJsonValue(QJsonObject{
            {QStringLiteral("alice"), QJsonObject{{QStringLiteral("succ"), QStringLiteral("1")}, {QStringLiteral("fail"), QStringLiteral("0")}}},
            {QStringLiteral("ldap/admins \"x\""), QJsonObject{{QStringLiteral("succ"), QStringLiteral("0")}, {QStringLiteral("fail"), QStringLiteral("1")}}},
            {awkward, QJsonObject{}}});
        QTest::newRow("nested, booleans, null") << QJsonValue(
            QJsonArray{QJsonArray{QJsonArray{}}, false, QJsonValue(), QJsonObject{{QStringLiteral("k"), QJsonArray{true}}}});
        // Numbers go through QJsonDocument, whatever their neighbours.
        QTest::newRow("numbers") << QJsonValue(QJsonArray{1, 0.1, -2.5e-300, 1e300, QStringLiteral("x"), 123456789012.0});
        QTest::newRow("number in a table") << QJsonValue(QJsonObject{{QStringLiteral("alice"), QJsonObject{{QStringLiteral("succ"), 1}}}});
    }

    void matchesQJsonDocument()
    {
        QFETCH(QJsonValue, value);
        if (value.isArray()) {
            QCOMPARE(CompactJson::toText(value.toArray()), QString::fromUtf8(QJsonDocument(value.toArray()).toJson(QJsonDocument::Compact)));
        } else {
            QCOMPARE(CompactJson::toText(value.toObject()), QString::fromUtf8(QJsonDocument(value.toObject()).toJson(QJsonDocument::Compact)));
        }
    }

    // Qt orders these keys one way when it reads them and another when they
    // are inserted; the text is always that of the object read.
    void membersInTheOrderOfCodePoints()
    {
        const QString replacement = QStringLiteral("a") + QChar(0xFFFD);
        const QString emoji = QStringLiteral("a") + QString::fromUtf8("\xF0\x9F\x98\x80");
        const QByteArray text = QStringLiteral("{\"%1\":1,\"%2\":2}").arg(replacement, emoji).toUtf8();
        QJsonObject inserted;
        inserted.insert(emoji, 2);
        inserted.insert(replacement, 1);
        const QString expected = QString::fromUtf8(text);
        QCOMPARE(CompactJson::toText(QJsonDocument::fromJson(text).object()), expected);
        QCOMPARE(CompactJson::toText(inserted), expected);
        QCOMPARE(CompactJson::toText(QJsonArray{inserted}), QLatin1Char('[') + expected + QLatin1Char(']'));
    }

    void parsesBackToTheSameValue()
    {
        const QJsonArray array{QStringLiteral("q\"uote"), QStringLiteral("back\\slash"), QStringLiteral("line\nbreak"), QString(QChar(0x1F))};
        QCOMPARE(QJsonDocument::fromJson(CompactJson::toText(array).toUtf8()).array(), array);
    }
};

QTEST_GUILESS_MAIN(CompactJsonTest)

#include "compactjsontest.moc"
