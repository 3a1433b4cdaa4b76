/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "eventexample.h"

#include "eventtreeitem.h"
#include "messageboxwatcher.h"
#include "sampleroot.h"

#include <QDateTime>
#include <QDir>
#include <QJsonObject>
#include <QLocale>
#include <QStandardItemModel>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace
{
const QString ExampleFile = QStringLiteral("/etc/wisp-admin-events/eventexample.json");

EventTreeItem *addNode(EventTreeItem *parent, const QString &nativeName, const QVector<QVariant> &data, int checkState = Qt::Unchecked)
{
    auto *node = new EventTreeItem(data, parent);
    node->nativeName = nativeName;
    node->checkState = checkState;
    parent->appendChild(node);
    return node;
}

// A group holding one event shaped as the catalogue parser builds it: the
// message identifier among the message parameters, and the extended
// parameters "enabled" (a plain value), "unit", "user" and "time", checked as
// `checked` says.
struct Catalogue {
    explicit Catalogue(const QStringList &checked, bool withMessageId = true)
        : root(new EventTreeItem({QStringLiteral("Parameter"), QStringLiteral("Value")}))
    {
        EventTreeItem *group = addNode(root.get(), QStringLiteral("services"), {QStringLiteral("Services"), QVariant()});
        event = addNode(group, QStringLiteral("service-started"), {QStringLiteral("Service \"started\""), QVariant(), QVariant()}, Qt::Checked);
        EventTreeItem *params = addNode(event, QStringLiteral("message-params"), {QStringLiteral("message-params"), QVariant()});
        if (withMessageId) {
            addNode(params, QStringLiteral("message_id"), {QStringLiteral("message_id"), QStringLiteral("service_started")});
        }
        EventTreeItem *extended = addNode(event, QStringLiteral("extend-message-params"), {QStringLiteral("extend-message-params"), QVariant()});
        addNode(extended, QStringLiteral("enabled"), {QStringLiteral("enabled"), QStringLiteral("1")});
        for (const auto &[key, shown] : {std::pair{"unit", "Unit name"}, std::pair{"user", "User"}, std::pair{"time", "Time"}}) {
            const QString name = QString::fromLatin1(key);
            addNode(extended, name, {QString::fromLatin1(shown), QVariant()}, checked.contains(name) ? Qt::Checked : Qt::Unchecked);
        }
    }

    std::unique_ptr<EventTreeItem> root;
    EventTreeItem *event = nullptr;
};

// "<header>=<value>" for each column of the example row.
QStringList columns(const QStandardItemModel *model)
{
    QStringList texts;
    for (int column = 0; column < model->columnCount(); ++column) {
        texts << model->headerData(column, Qt::Horizontal).toString() + QLatin1Char('=') + model->index(0, column).data().toString();
    }
    return texts;
}
}

class EventExampleTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_home.isValid());
        QVERIFY(QDir(m_home.path()).mkpath(QStringLiteral("operator")));
        qputenv("HOME", QFile::encodeName(m_home.filePath(QStringLiteral("operator"))));
        m_sample.activate();
    }

    void columnsAndLine_data()
    {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("names");
        QTest::addColumn<QStringList>("checked");
        QTest::addColumn<bool>("withMessageId");
        QTest::addColumn<QStringList>("extraColumns");
        QTest::addColumn<QString>("members");

        const QString english = QStringLiteral("English");
        const QString englishNames = QStringLiteral("\"name_en\":\"Service \\\"started\\\"\",\"type_en\":\"Services\",");
        const QStringList unit{QStringLiteral("Unit name=sshd.service")};
        QTest::newRow("first checked, second not") << english << englishNames << QStringList{QStringLiteral("unit")} << true << unit
                                                   << QStringLiteral(R"("unit":"sshd.service",)");
        QTest::newRow("second checked") << english << englishNames << QStringList{QStringLiteral("user")} << true << QStringList{QStringLiteral("User=alice")}
                                        << QStringLiteral(R"("user":"alice",)");
        QTest::newRow("time: member, no column") << english << englishNames << QStringList{QStringLiteral("time"), QStringLiteral("unit")} << true << unit
                                                 << QStringLiteral(R"("unit":"sshd.service","time":"2024-05-14T09:21:37+03:00",)");
        QTest::newRow("no message id") << english << englishNames << QStringList{QStringLiteral("unit")} << false << unit
                                       << QStringLiteral(R"("unit":"sshd.service")");
        QTest::newRow("Russian") << QStringLiteral("Russian") << QStringLiteral("\"name_ru\":\"Service \\\"started\\\"\",\"type_ru\":\"Services\",")
                                 << QStringList() << true << QStringList() << QString();
        QTest::newRow("German: no names") << QStringLiteral("German") << QString() << QStringList() << true << QStringList() << QString();
    }

    void columnsAndLine()
    {
        QFETCH(QString, language);
        QFETCH(QString, names);
        QFETCH(QStringList, checked);
        QFETCH(bool, withMessageId);
        QFETCH(QStringList, extraColumns);
        QFETCH(QString, members);

        EventExample dialog;
        dialog.setLanguage(language);
        Catalogue catalogue(checked, withMessageId);
        dialog.prepareExample(catalogue.event);

        QStringList expected{QStringLiteral("№=1"),
                             QStringLiteral("Date and time=")
                                 + QLocale().toString(QDateTime::fromString(QStringLiteral("2024-05-14T09:21:37+03:00"), Qt::ISODate), QLocale::ShortFormat)};
        if (withMessageId) {
            expected << QStringLiteral("message_id=service_started");
        }
        expected << QStringLiteral("Event type=Services") << QStringLiteral("Priority=warning") << QStringLiteral("Event name=Service \"started\"")
                 << QStringLiteral("Source=tarn-auth") << extraColumns << QStringLiteral("Host=operator");
        QCOMPARE(columns(dialog.exampleModel()), expected);
        QCOMPARE(dialog.exampleModel()->rowCount(), 1);

        const QString messageId = withMessageId ? QStringLiteral(R"("message_id":"service_started")") : QString();
        const QString line = QStringLiteral(R"({"PRIORITY":"warning","MSG":{"tarn-auth":{)") + names + members + messageId
            + QStringLiteral(R"(}},"ISODATE":"2024-05-14T09:21:37+03:00","HOST":"operator","FACILITY":"user"})");
        QCOMPARE(dialog.jsonLine(), line);
        QJsonParseError error;
        QJsonDocument::fromJson(dialog.jsonLine().toUtf8(), &error);
        QCOMPARE(error.error, QJsonParseError::NoError);
    }

    void samples_data()
    {
        QTest::addColumn<QByteArray>("content"); // empty: no file
        QTest::addColumn<QString>("source");
        QTest::newRow("missing: warned") << QByteArray() << QStringLiteral("value");
        QTest::newRow("not JSON: warned") << QByteArray("{") << QStringLiteral("value");
        QTest::newRow("quote and backslash") << QByteArray("{ \"source\": { \"text\": \"a\\\"b\\\\c\" } }") << QStringLiteral("a\"b\\c");
    }

    void samples()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, source);
        SampleRoot sample;
        QVERIFY(content.isEmpty() ? sample.removeTree(ExampleFile) : sample.writeFile(ExampleFile, content));
        sample.activate();
        EventExample dialog;
        Catalogue catalogue({QStringLiteral("user")});
        dialog.prepareExample(catalogue.event);
        const bool warned = source == QLatin1String("value");
        QCOMPARE(dialog.readEventExampleFile().isNull(), warned);
        QCOMPARE(dialog.getDummyDataFromFile(QStringLiteral("user")), QStringLiteral("value"));
        const QJsonObject msg = QJsonDocument::fromJson(dialog.jsonLine().toUtf8()).object().value(QLatin1String("MSG")).toObject();
        QCOMPARE(msg.keys(), QStringList{source});

        MessageBoxWatcher boxes(MessageBoxWatcher::WithInformativeText);
        dialog.showExample();
        QCOMPARE(boxes.shown().size(), warned ? 1 : 0);
        if (warned) {
            QCOMPARE(boxes.shown().first(),
                     QStringLiteral("No event configuration detected||Config file \"%1\" is corrupted or does not exist.\nSome of dummy data will be empty.")
                         .arg(ExampleFile));
        }
        QVERIFY(dialog.isVisible());
        QVERIFY(!dialog.isModal());
    }

private:
    QTemporaryDir m_home;
    SampleRoot m_sample;
};

QTEST_MAIN(EventExampleTest)

#include "eventexampletest.moc"
