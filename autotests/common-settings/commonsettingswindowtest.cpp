/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "commonsettingswindow.h"

#include "changesdialog.h"
#include "configaccessservice.h"
#include "destinationsmodel.h"
#include "destinationssettings.h"
#include "loggingservice.h"
#include "messageboxwatcher.h"
#include "sampleroot.h"
#include "scriptedservice.h"
#include "settingsexporter.h"
#include "settingsimporter.h"
#include "systempaths.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace
{
using Config = ScriptedService<ConfigAccessService>;
using Outcome = Config::Outcome;

const QString CommonFile = QString::fromLatin1(SystemPaths::SyslogNgCommonFile);
const QByteArray Destinations = R"(destination tarn_json_dst {
    file("/vigil/log/tarn/events");
};

destination tarn_remote_dst {
    network("10.20.0.15" port(514) transport("tcp"));
};

log {
    source(tarn_events_src);
    destination(tarn_remote_dst);
};
)";
const QString Reboot =
    QStringLiteral("Reboot|Configuration imported successfully.\nThe notification settings will take effect only after the system is rebooted.\nReboot now?");
const QString Fault = QStringLiteral(
    "Warning|Failed to import /etc/syslog-ng/conf.d/mod-tarn.conf!\nThe contents of the file are not compatible with the current version of the event "
    "logging subsystem.");

// The window over its own copy of the common file, with scripted services.
struct Window {
    Window()
    {
        sample.writeFile(CommonFile, Destinations);
        sample.activate();
        window = std::make_unique<CommonSettingsWindow>(CommonSettingsWindow::Services{destinations, logging, rotation, exporter, importer}, nullptr);
    }

    int destinationCount() const
    {
        return window->destinationsSettings()->model()->rowCount();
    }

    void removeDestination() const
    {
        window->destinationsSettings()->findChild<QTableView *>(QStringLiteral("destinationsView"))->selectRow(1);
        QVERIFY(window->destinationsSettings()->removeSelectedDestination());
    }

    QLineEdit *fileField(QWidget *page) const
    {
        return page->findChild<QLineEdit *>(QStringLiteral("fileLineEdit"));
    }

    SampleRoot sample{SampleRoot::Empty};
    Config *destinations = new Config;
    ScriptedService<LoggingService> *logging = new ScriptedService<LoggingService>;
    Config *rotation = new Config;
    Config *exporter = new Config;
    Config *importer = new Config;
    std::unique_ptr<CommonSettingsWindow> window;
};
}

class CommonSettingsWindowTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void form()
    {
        Window w;
        auto *tabs = w.window->findChild<QTabWidget *>(QStringLiteral("tabWidget"));
        QStringList texts;
        for (int tab = 0; tab < tabs->count(); ++tab) {
            texts << tabs->tabText(tab);
        }
        QCOMPARE(texts,
                 (QStringList{QStringLiteral("Destinations"),
                              QStringLiteral("Main log rotation"),
                              QStringLiteral("Export configuration"),
                              QStringLiteral("Import configuration")}));
        QCOMPARE(tabs->widget(CommonSettingsWindow::ImportTab)->findChild<SettingsImporter *>(QStringLiteral("settingsImporter")),
                 w.window->settingsImporter());
        QCOMPARE(w.window->settingsExporter()->findChild<QLabel *>(QStringLiteral("fileLabel"))->text(), QStringLiteral("File:"));

        // Opening shows the destinations with empty file fields.
        tabs->setCurrentIndex(CommonSettingsWindow::ImportTab);
        w.fileField(w.window->settingsExporter())->setText(QStringLiteral("/tmp/a.tar.gz"));
        w.fileField(w.window->settingsImporter())->setText(QStringLiteral("/tmp/b.tar.gz"));
        w.window->openDestinationSettings();
        QVERIFY(w.window->isVisible());
        QCOMPARE(tabs->currentIndex(), int(CommonSettingsWindow::DestinationsTab));
        QVERIFY(w.fileField(w.window->settingsExporter())->text().isEmpty());
        QVERIFY(w.fileField(w.window->settingsImporter())->text().isEmpty());
    }

    // What OK would write on the current tab, rendered without any action;
    // none for the archive tabs.
    void showChangesOfTheCurrentTab()
    {
        Window w;
        w.window->open();
        w.removeDestination();
        auto *button = w.window->findChild<QPushButton *>(QStringLiteral("showChangesButton"));
        button->click();
        const QString shown = w.window->changesDialog()->text();
        QVERIFY2(shown.startsWith(QStringLiteral("Replaced: %1\n").arg(SystemPaths::resolve(CommonFile))), qPrintable(shown));
        QVERIFY2(shown.contains(QStringLiteral("\n-destination tarn_remote_dst {\n")), qPrintable(shown));
        QVERIFY(w.destinations->actions.isEmpty());
        w.window->findChild<QTabWidget *>(QStringLiteral("tabWidget"))->setCurrentIndex(CommonSettingsWindow::ExportTab);
        QVERIFY(!button->isEnabled());
    }

    // The restore entry asks first; only a confirmed one reaches the module.
    void restoreEntryAsksFirst_data()
    {
        QTest::addColumn<bool>("confirmed");
        QTest::newRow("confirmed") << true;
        QTest::newRow("declined") << false;
    }

    void restoreEntryAsksFirst()
    {
        QFETCH(bool, confirmed);
        Window w;
        MessageBoxWatcher boxes;
        if (confirmed) {
            boxes.answerWith(QMessageBox::Yes);
        }
        QSignalSpy requested(w.window.get(), &CommonSettingsWindow::restorePreviousRequested);
        w.window->findChild<QPushButton *>(QStringLiteral("restoreButton"))->click();
        QCOMPARE(boxes.shown().size(), 1);
        QVERIFY(boxes.shown().first().startsWith(QStringLiteral("Restore previous configuration|")));
        QCOMPARE(requested.size(), confirmed ? 1 : 0);
    }

    // OK acts on the current tab only and reports the outcome; the window
    // closes unless a settings page could not be saved.
    void accept_data()
    {
        QTest::addColumn<int>("tab");
        QTest::addColumn<bool>("withFile");
        QTest::addColumn<int>("errorCode");
        QTest::addColumn<QVariantMap>("reply");
        QTest::addColumn<QStringList>("boxes");
        QTest::addColumn<bool>("closed");
        const int d = CommonSettingsWindow::DestinationsTab;
        const int e = CommonSettingsWindow::ExportTab;
        const int i = CommonSettingsWindow::ImportTab;
        const QVariantMap none;
        const QVariantMap fault{{QStringLiteral("mainConfigImportFault"), true}};
        const QString noFile = QStringLiteral("Error|No file selected");
        QTest::newRow("destinations") << d << false << 0 << none << QStringList() << true;
        QTest::newRow("destinations fail") << d << false << 4 << none << QStringList{QStringLiteral("Error|Not authorised")} << false;
        QTest::newRow("rotation") << int(CommonSettingsWindow::LogRotateTab) << false << 0 << none << QStringList() << true;
        QTest::newRow("export, no file") << e << false << 0 << none << QStringList{noFile} << true;
        QTest::newRow("export") << e << true << 0 << none << QStringList{QStringLiteral("Information|Configuration exported successfully")} << true;
        QTest::newRow("export fails") << e << true << 4 << none << QStringList{QStringLiteral("Error|Can not export configuration!")} << true;
        QTest::newRow("import, no file") << i << false << 0 << none << QStringList{noFile} << true;
        QTest::newRow("import") << i << true << 0 << none << QStringList{Reboot} << true;
        QTest::newRow("import, fault false") << i << true << 0 << QVariantMap{{QStringLiteral("mainConfigImportFault"), false}} << QStringList{Reboot} << true;
        QTest::newRow("import, fault") << i << true << 0 << fault << QStringList{Fault, Reboot} << true;
        QTest::newRow("import fails") << i << true << 4 << none << QStringList{QStringLiteral("Error|Can not import configuration!")} << true;
    }

    void accept()
    {
        QFETCH(int, tab);
        QFETCH(bool, withFile);
        QFETCH(int, errorCode);
        QFETCH(QVariantMap, reply);
        QFETCH(QStringList, boxes);
        QFETCH(bool, closed);
        Window w;
        QTemporaryDir work;
        QVERIFY(work.isValid());
        const QString archive = work.filePath(QStringLiteral("settings.tar.gz"));
        QFile file(archive);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        const QList<Config *> services{w.destinations, w.rotation, w.exporter, w.importer};
        services.at(tab)->outcomes << Outcome{errorCode, QStringLiteral("Not authorised"), reply};
        // Every page has an edit to drop.
        w.removeDestination();

        // While the helper works the window takes no input and says so.
        QStringList busy;
        const auto watchBusy = [&](bool running) {
            if (running) {
                busy << w.window->findChild<QLabel *>(QStringLiteral("busyLabel"))->text();
                busy << QString::number(w.window->findChild<QDialogButtonBox *>(QStringLiteral("buttonBox"))->isEnabled());
                busy << QString::number(w.window->isBusy());
            }
        };
        connect(w.window->settingsExporter(), &SettingsExporter::working, this, watchBusy);
        connect(w.window->settingsImporter(), &SettingsImporter::working, this, watchBusy);

        w.window->openDestinationSettings();
        w.window->findChild<QTabWidget *>(QStringLiteral("tabWidget"))->setCurrentIndex(tab);
        if (withFile) {
            w.fileField(tab == CommonSettingsWindow::ExportTab ? static_cast<QWidget *>(w.window->settingsExporter()) : w.window->settingsImporter())
                ->setText(archive);
        }
        QSignalSpy imported(w.window.get(), &CommonSettingsWindow::configurationImported);
        MessageBoxWatcher watcher;
        w.window->findChild<QDialogButtonBox *>(QStringLiteral("buttonBox"))->button(QDialogButtonBox::Ok)->click();

        QCOMPARE(watcher.shown(), boxes);
        QCOMPARE(w.window->isVisible(), !closed);
        QCOMPARE(imported.size(), tab == CommonSettingsWindow::ImportTab ? 1 : 0);
        QCOMPARE(w.destinations->actions.size(), tab == CommonSettingsWindow::DestinationsTab ? 1 : 0);
        QCOMPARE(w.exporter->actions.size(), tab == CommonSettingsWindow::ExportTab && withFile ? 1 : 0);
        QCOMPARE(w.importer->actions.size(), tab == CommonSettingsWindow::ImportTab && withFile ? 1 : 0);
        if (withFile) {
            const KAuth::Action &action = services.at(tab)->actions.first();
            const bool exporting = tab == CommonSettingsWindow::ExportTab;
            QCOMPARE(action.name(), exporting ? QStringLiteral("tarnos.kcm.adminevents.exportconfig") : QStringLiteral("tarnos.kcm.adminevents.importconfig"));
            QCOMPARE(action.arguments().value(exporting ? QStringLiteral("output") : QStringLiteral("input")).toString(), archive);
            QCOMPARE(busy, (QStringList{exporting ? QStringLiteral("Exporting…") : QStringLiteral("Importing…"), QStringLiteral("0"), QStringLiteral("1")}));
        }
        // A closed window shows the file again; a failed save keeps the edit.
        QCOMPARE(w.destinationCount(), closed ? 2 : 1);
        QCOMPARE(w.sample.readFile(CommonFile), Destinations);
    }

    void reject()
    {
        Window w;
        w.window->openDestinationSettings();
        w.removeDestination();
        QCOMPARE(w.destinationCount(), 1);
        w.window->findChild<QDialogButtonBox *>(QStringLiteral("buttonBox"))->button(QDialogButtonBox::Cancel)->click();
        QVERIFY(!w.window->isVisible());
        QCOMPARE(w.destinationCount(), 2);
        QVERIFY(w.destinations->actions.isEmpty());
    }
};

QTEST_MAIN(CommonSettingsWindowTest)

#include "commonsettingswindowtest.moc"
