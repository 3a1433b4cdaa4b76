/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "cataloguevalue.h"
#include "compactjson.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>
#include <QTest>

namespace
{
// What QJsonDocument makes of a text, as compact text: key order, the last of
// equal keys, every character of every string.
QString expectedText(const QByteArray &text)
{
    return QString::fromUtf8(QJsonDocument(QJsonDocument::fromJson(text).object()).toJson(QJsonDocument::Compact));
}

QString parsedText(const QByteArray &text)
{
    const CatalogueValue value = CatalogueValue::parseObject(text.constData(), text.size());
    if (!value.isObject()) {
        return QStringLiteral("(no object)");
    }
    return CompactJson::toText(value);
}

// Random texts from pieces that read the same either way and pieces that
// send the reader back to QJsonDocument; few keys, so that they repeat.
class RandomText
{
public:
    explicit RandomText(quint32 seed)
        : m_random(seed)
    {
    }

    QByteArray object(int depth)
    {
        QByteArray out = space() + "{";
        const int members = bounded(depth > 3 ? 2 : 6);
        for (int i = 0; i < members; ++i) {
            if (i > 0) {
                out += ",";
            }
            out += space() + string(true) + space() + ":" + space() + value(depth + 1) + space();
        }
        return out + "}";
    }

private:
    int bounded(int limit)
    {
        return static_cast<int>(m_random.bounded(limit));
    }

    QByteArray space()
    {
        static const char *const spaces[] = {"", "", " ", "\n    ", "\t", "\r\n"};
        return spaces[bounded(6)];
    }

    QByteArray string(bool key)
    {
        static const char *const keys[] = {"enabled", "a", "b", "", "overlay0", "overlay10", "overlay2", "\xd0\xb8\xd0\xbc\xd1\x8f", "Z", "\xc3\xa9"};
        static const char *const pieces[] = {
            "1",
            "0",
            "sshd",
            "/var/log/a b",
            "\xd0\xa1\xd0\xbe\xd0\xb1\xd1\x8b\xd1\x82\xd0\xb8\xd0\xb5", // Cyrillic
            "\xf0\x9f\x98\x80", // an emoji
            "\\\"",
            "\\\\",
            "\\/",
            "\\n\\t\\b\\f\\r",
            "\x7f",
            "\\u00e9", // QJsonDocument's
            "\\ud83d\\ude00",
            "\xef\xbb\xbf", // a byte order mark
            "\xc0\xaf", // overlong
            "\xed\xa0\x80", // an encoded surrogate
            "\x01", // raw control character
        };
        if (key) {
            return QByteArray("\"") + keys[bounded(10)] + "\"";
        }
        QByteArray out = "\"";
        const int count = bounded(4);
        for (int i = 0; i < count; ++i) {
            out += pieces[bounded(bounded(3) == 0 ? 17 : 9)];
        }
        return out + "\"";
    }

    QByteArray value(int depth)
    {
        switch (bounded(depth > 4 ? 6 : 9)) {
        case 0:
        case 1:
        case 2:
            return string(false);
        case 3:
            return "true";
        case 4:
            return bounded(2) ? "false" : "null";
        case 5:
            return bounded(4) ? string(false) : "-12.5e3";
        case 6:
        case 7:
            return object(depth);
        default: {
            QByteArray out = "[";
            const int elements = bounded(4);
            for (int i = 0; i < elements; ++i) {
                out += (i > 0 ? "," : "") + space() + value(depth + 1);
            }
            return out + space() + "]";
        }
        }
    }

    QRandomGenerator m_random;
};
}

class CatalogueValueTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void readsAsQJsonDocument_data()
    {
        QTest::addColumn<QByteArray>("text");

        QTest::newRow("event") << QByteArray(
            "{\"event-group\": \"g1\", \"enabled\": \"1\",\n"
            "    \"message-params\": {\"message_id\": \"m1\", \"name_en\": \"Login\", \"name_ru\": \"\xd0\x92\xd1\x85\xd0\xbe\xd0\xb4\"},\n"
            "    \"files\": [{\"path\": \"/etc/a\"}, {\"path\": \"/etc/b\", \"recursive\": true}],\n"
            "    \"services\": [\"sshd\", \"cron\"], \"mask\": null\n}");
        QTest::newRow("equal keys, the last kept") << QByteArray("{\"b\": \"1\", \"a\": {\"x\": \"1\"}, \"b\": \"2\", \"a\": \"3\"}");
        QTest::newRow("empty key and strings") << QByteArray("{\"\": \"\", \"e\": [\"\"], \"o\": {\"\": {}}}");
        QTest::newRow("escapes") << QByteArray("{\"q\\\"k\": \"a\\\\b\\/c\\n\\t\\b\\f\\r\"}");
        QTest::newRow("u escape") << QByteArray("{\"k\": \"\\u00e9\\ud83d\\ude00\\ud800\"}");
        QTest::newRow("numbers") << QByteArray("{\"n\": 1, \"m\": [0.5, -2e300, 12345678901234567890]}");
        QTest::newRow("raw control character") << QByteArray("{\"k\": \"a\x01\"}");
        QTest::newRow("byte order mark") << QByteArray("\xef\xbb\xbf{\"k\": \"v\"}");
        QTest::newRow("noncharacter") << QByteArray("{\"k\": \"\xef\xbf\xbf\"}");
        QTest::newRow("overlong") << QByteArray("{\"k\": \"\xc0\xaf\"}");
        QTest::newRow("cut short sequence") << QByteArray("{\"k\": \"\xd0\"}");
        QTest::newRow("garbage after") << QByteArray("{\"k\": \"v\"} x");
        QTest::newRow("cut short") << QByteArray("{\"k\": [\"v\", ");
        QTest::newRow("array") << QByteArray("[\"v\"]");
        QTest::newRow("trailing comma") << QByteArray("{\"k\": \"v\",}");
        QTest::newRow("bad word") << QByteArray("{\"k\": tru}");
        QTest::newRow("blank") << QByteArray(" \n");
        QTest::newRow("nesting of 100") << QByteArray("{\"k\":") + QByteArray(99, '[') + QByteArray(99, ']') + "}";
        QTest::newRow("nesting of 300") << QByteArray("{\"k\":") + QByteArray(299, '[') + QByteArray(299, ']') + "}";
        QTest::newRow("1 MB string") << QByteArray("{\"k\": \"") + QByteArray(1 << 20, 'x') + "\"}";
    }

    void readsAsQJsonDocument()
    {
        QFETCH(QByteArray, text);
        QCOMPARE(parsedText(text), expectedText(text));
    }

    void randomTextsReadAsQJsonDocument()
    {
        RandomText random(20261209);
        for (int i = 0; i < 3000; ++i) {
            const QByteArray text = random.object(0);
            const QString parsed = parsedText(text);
            if (parsed != expectedText(text)) {
                QFAIL(qPrintable(QStringLiteral("%1\n%2\n%3").arg(QString::fromUtf8(text), parsed, expectedText(text))));
            }
        }
    }

    // An empty string is empty, not null: the tree tells the two apart.
    void emptyStringsAreNotNull()
    {
        const QByteArray text = "{\"a\": \"\", \"b\": [\"\", {\"\": \"\"}]}";
        const CatalogueValue value = CatalogueValue::parseObject(text.constData(), text.size());
        QVERIFY(!value.find(u"a")->toString().isNull());
        const auto &elements = value.find(u"b")->members();
        QVERIFY(!elements.at(0).value.toString().isNull());
        QVERIFY(!elements.at(1).value.members().at(0).key.isNull());
        QVERIFY(!elements.at(1).value.find(u"")->toString().isNull());
    }

    // Members set and removed one by one stay in QJsonObject's order.
    void editsKeepTheKeyOrder()
    {
        const QStringList keys{QStringLiteral("overlay10"),
                               QStringLiteral("overlay2"),
                               QStringLiteral("enabled"),
                               QString(),
                               QStringLiteral("Zeta"),
                               QStringLiteral("ключ"),
                               QStringLiteral("é"),
                               QStringLiteral("overlay1")};
        QJsonObject expected;
        CatalogueValue value = CatalogueValue::object();
        QRandomGenerator random(7);
        for (int step = 0; step < 200; ++step) {
            const QString &key = keys.at(random.bounded(keys.size()));
            if (random.bounded(4) == 0) {
                expected.remove(key);
                value.remove(key);
            } else {
                const QString text = QString::number(step);
                expected.insert(key, text);
                value.insert(key, CatalogueValue(text));
            }
            QCOMPARE(CompactJson::toText(value), QString::fromUtf8(QJsonDocument(expected).toJson(QJsonDocument::Compact)));
            QCOMPARE(value.contains(key), expected.contains(key));
        }
    }
};

QTEST_GUILESS_MAIN(CatalogueValueTest)

#include "cataloguevaluetest.moc"
