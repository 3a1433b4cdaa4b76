/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "destinationssettings.h"

#include "adddestinationdialog.h"
#include "commonwriter.h"
#include "configaccessservice.h"
#include "destinationsmodel.h"
#include "loggingservice.h"
#include "sampleroot.h"
#include "scriptedservice.h"
#include "syslogng.h"
#include "systempaths.h"
#include "testpaths.h"

#include <KMessageWidget>

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include <memory>

namespace
{
const QString CommonFile = QString::fromLatin1(SystemPaths::SyslogNgCommonFile);
const QByteArray Config = R"(destination tarn_json_dst {
    file("/vigil/log/tarn/events"
template("$(format-json --scope none --key MSG.*)\n")
perm(0640));
};

destination tarn_remote_dst {
    network("10.20.0.15" port(514) transport("tcp"));
};

log {
    source(tarn_events_src);
    parser(tarn_events_parser);
    destination(tarn_json_dst);
};

log {
    source(tarn_events_src);
    destination(tarn_remote_dst);
};
)";
const QString Exists = QStringLiteral("Destination with this name already exists.");

// The page over its own copy of the common file, with scripted services.
struct Page {
    explicit Page(const QByteArray &content = Config)
    {
        sample.writeFile(CommonFile, content);
        sample.activate();
        page = std::make_unique<DestinationsSettings>(config, logging);
        page->loadConfig();
    }

    QStringList names() const
    {
        QStringList names;
        for (int row = 0; row < page->model()->rowCount(); ++row) {
            names << page->model()->index(row, DestinationsModel::NameColumn).data().toString();
        }
        return names;
    }

    // The statements the page would write.
    QStringList lines() const
    {
        CommonWriter writer(*config, QString());
        return writer.getConfig(page->model()->rootItem());
    }

    QString rendered() const
    {
        return lines().join(QString());
    }

    // The dialog's warning for a new file destination `name`.
    QString warningFor(const QString &name) const
    {
        AddDestinationDialog *dialog = page->addDestinationDialog();
        dialog->findChild<QLineEdit *>(QStringLiteral("nameEdit"))->setText(name);
        return dialog->findChild<QLabel *>(QStringLiteral("warningLabel"))->text();
    }

    QTableView *view() const
    {
        return page->findChild<QTableView *>(QStringLiteral("destinationsView"));
    }

    QToolButton *removeButton() const
    {
        return page->findChild<QToolButton *>(QStringLiteral("removeButton"));
    }

    SampleRoot sample{SampleRoot::Empty};
    ScriptedService<ConfigAccessService> *config = new ScriptedService<ConfigAccessService>;
    ScriptedService<LoggingService> *logging = new ScriptedService<LoggingService>;
    std::unique_ptr<DestinationsSettings> page;
};
}

class DestinationsSettingsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // The event log's own destination stays; another one goes with its log
    // statement, and its name is free again.
    void removeDestination()
    {
        Page page;
        QCOMPARE(page.names(), (QStringList{QStringLiteral("tarn_json_dst"), QStringLiteral("tarn_remote_dst")}));
        QVERIFY(!page.removeButton()->isEnabled());
        page.view()->selectRow(0);
        QVERIFY(!page.removeButton()->isEnabled());
        QVERIFY(!page.page->removeSelectedDestination());
        QCOMPARE(page.names().size(), 2);

        page.view()->selectRow(1);
        QVERIFY(page.removeButton()->isEnabled());
        page.removeButton()->click();
        QCOMPARE(page.names(), QStringList{QStringLiteral("tarn_json_dst")});
        QVERIFY(!page.rendered().contains(QLatin1String("tarn_remote_dst")));
        QVERIFY(page.rendered().contains(QLatin1String("destination(tarn_json_dst);")));
        QCOMPARE(page.warningFor(QStringLiteral("tarn_remote_dst")), QString());
        QVERIFY(page.page->isDestinationsModified());
    }

    void insertNewDest_data()
    {
        QTest::addColumn<QVariantList>("values");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("written");
        QTest::newRow("file, quote and backslash") << QVariantList{QStringLiteral("file"), QStringLiteral("copy"), QStringLiteral("/tmp/a \"b\"\\c")}
                                                   << "/tmp/a \"b\"\\c"
                                                   << "destination copy {\n    file(\"/tmp/a \\\"b\\\"\\\\c\");\n};\n";
        QTest::newRow("network") << QVariantList{QStringLiteral("network"), QStringLiteral("siem"), QStringLiteral("10.20.0.99"), 601, QStringLiteral("udp")}
                                 << "10.20.0.99 port(601) transport(udp) flags(syslog-protocol)"
                                 << "destination siem {\n    network(\"10.20.0.99\" port(601) transport(udp) flags(syslog-protocol));\n};\n";
        // Ignored.
        QTest::newRow("too few") << QVariantList{QStringLiteral("file"), QStringLiteral("copy")} << QString() << QString();
        QTest::newRow("too many") << QVariantList{QStringLiteral("network"), QStringLiteral("siem"), QStringLiteral("10.0.0.1"), 514, QStringLiteral("tcp"), 1}
                                  << QString() << QString();
        QTest::newRow("name taken") << QVariantList{QStringLiteral("file"), QStringLiteral("tarn_remote_dst"), QStringLiteral("/a")} << QString() << QString();
        QTest::newRow("line break") << QVariantList{QStringLiteral("file"), QStringLiteral("copy"), QStringLiteral("/a\n/b")} << QString() << QString();
    }

    // A new destination follows the others, its log chain follows the log
    // statements, and the dialog knows its name at once.
    void insertNewDest()
    {
        QFETCH(QVariantList, values);
        QFETCH(QString, shown);
        QFETCH(QString, written);
        Page page;
        const QString before = page.rendered();
        page.page->insertNewDest(std::vector<QVariant>(values.cbegin(), values.cend()));
        if (written.isEmpty()) {
            QCOMPARE(page.names().size(), 2);
            QCOMPARE(page.rendered(), before);
            return;
        }
        const QString name = values[1].toString();
        QCOMPARE(page.names(), (QStringList{QStringLiteral("tarn_json_dst"), QStringLiteral("tarn_remote_dst"), name}));
        QCOMPARE(page.page->model()->index(2, DestinationsModel::ValueColumn).data().toString(), shown);
        const QString log = QStringLiteral("log {\n    source(tarn_events_src);\n    destination(%1);\n};\n").arg(name);
        const QString after = page.rendered();
        QVERIFY2(after.endsWith(log) && after.indexOf(written) > 0 && after.indexOf(written) < after.indexOf(QLatin1String("log {")), qPrintable(after));
        QCOMPARE(page.warningFor(name), Exists);
    }

    // syslog-ng takes what the page writes: a path with a quote and a
    // backslash names the file syslog-ng really writes, and a network
    // destination passes its syntax check.
    // The page's own save, after adding a file and a network destination
    // and removing one, is a configuration syslog-ng runs: a record sent to
    // the event source reaches the new file.
    void syslogNgRunsWhatThePageSaves()
    {
        if (SyslogNg::program().isEmpty()) {
            QSKIP("syslog-ng is not installed");
        }
        QTemporaryDir work;
        QVERIFY(TestPaths::isUsable(work));
        SyslogNg syslogNg(work.path());
        // The event log goes into the work directory as well.
        const QString events = work.filePath(QStringLiteral("events"));
        Page page(QByteArray(Config).replace("/vigil/log/tarn/events", events.toUtf8()));
        const QString log = work.filePath(QStringLiteral("a \"b\"\\c.log"));
        page.page->insertNewDest({QStringLiteral("file"), QStringLiteral("copy"), log});
        page.page->insertNewDest({QStringLiteral("network"), QStringLiteral("siem"), QStringLiteral("10.20.0.99"), 514, QStringLiteral("tcp")});
        page.view()->selectRow(1);
        QVERIFY(page.page->removeSelectedDestination());
        QCOMPARE(page.names(), QStringList({QStringLiteral("tarn_json_dst"), QStringLiteral("copy"), QStringLiteral("siem")}));
        QVERIFY(page.page->saveConfig().has_value());
        QCOMPARE(page.config->actions.size(), 1);

        const QString conf = work.filePath(QStringLiteral("mod-tarn.conf"));
        QFile file(conf);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(page.config->actions.first().arguments().value(QStringLiteral("content")).toByteArray());
        file.close();
        const QString mainConfig = syslogNg.writeMainConfig({conf});
        const auto checked = syslogNg.checkSyntax(mainConfig);
        QVERIFY2(checked.has_value(), checked ? "" : qPrintable(checked.error()));
        // The network destination sends to an address nobody listens on; the
        // file destinations take the record all the same.
        const auto started = syslogNg.start(mainConfig);
        QVERIFY2(started.has_value(), started ? "" : qPrintable(started.error()));
        QVERIFY(syslogNg.send(R"({"tarn-auth": {"message_id": "user_login_failed"}})"));
        QVERIFY2(!SyslogNg::waitForLine(log, "user_login_failed").isEmpty(), qPrintable(syslogNg.output()));
        QVERIFY(!SyslogNg::waitForLine(events, "user_login_failed").isEmpty());
        syslogNg.stop();
    }

    // Saving writes only a modified tree and never over statements the page
    // could not read; the service restarts only after a write.
    void saveConfig_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("edit");
        QTest::addColumn<int>("writeError");
        QTest::addColumn<QString>("error");
        QTest::addColumn<int>("writes");
        QTest::addColumn<int>("restarts");
        const QByteArray cutOff = Config + "destination broken {\n    file(\"/x\");\n";
        QTest::newRow("unmodified") << Config << false << 0 << "" << 0 << 0;
        QTest::newRow("modified") << Config << true << 0 << "" << 1 << 1;
        QTest::newRow("write fails") << Config << true << 4 << "Not authorised" << 1 << 0;
        QTest::newRow("unmodified, unparsed") << cutOff << false << 0 << "" << 0 << 0;
        QTest::newRow("modified, unparsed") << cutOff << true << 0 << "destination broken" << 0 << 0;
    }

    void saveConfig()
    {
        QFETCH(QByteArray, content);
        QFETCH(bool, edit);
        QFETCH(int, writeError);
        QFETCH(QString, error);
        QFETCH(int, writes);
        QFETCH(int, restarts);
        Page page(content);
        auto *notice = page.page->findChild<KMessageWidget *>();
        QCOMPARE(notice->isHidden(), !content.contains("broken"));
        QCOMPARE(notice->actions().size(), 1);
        QCOMPARE(notice->actions().first()->text(), QStringLiteral("Open in editor"));
        if (edit) {
            page.view()->selectRow(1);
            QVERIFY(page.page->removeSelectedDestination());
        }
        page.config->outcomes << ScriptedService<ConfigAccessService>::Outcome{writeError, QStringLiteral("Not authorised"), {}};
        QByteArray written;
        for (const QString &line : page.lines()) {
            written += line.toUtf8() + '\n';
        }

        const auto saved = page.page->saveConfig();
        QCOMPARE(saved.has_value(), error.isEmpty());
        if (!saved) {
            QVERIFY2(saved.error().contains(error), qPrintable(saved.error()));
        }
        QCOMPARE(page.config->actions.size(), writes);
        QCOMPARE(page.logging->actions.size(), restarts);
        if (writes) {
            const QVariantMap arguments = page.config->actions.first().arguments();
            QCOMPARE(arguments.value(QStringLiteral("path")).toString(), page.sample.filePath(CommonFile));
            QCOMPARE(arguments.value(QStringLiteral("content")).toByteArray(), written);
        }
        if (restarts) {
            QCOMPARE(page.logging->actions.first().arguments().value(QStringLiteral("cmd")).toString(), QStringLiteral("restart"));
            // Loaded again: the scripted write left the file as it was.
            QCOMPARE(page.names().size(), 2);
        }
        QCOMPARE(page.sample.readFile(CommonFile), content);
    }
};

QTEST_MAIN(DestinationsSettingsTest)

#include "destinationssettingstest.moc"
