/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "fakeprogram.h"
#include "messageboxwatcher.h"

#include "admineventsmodule.h"
#include "checkabletreemodel.h"
#include "commonsettingswindow.h"
#include "destinationssettings.h"
#include "eventsproxymodel.h"
#include "eventtreeitem.h"
#include "fileeditor.h"
#include "notificationsdialogtype.h"

#include <statewidget.h>

#include <KCModule>
#include <KMessageWidget>
#include <KPluginFactory>

#include <QAction>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QListWidget>
#include <QMap>
#include <QPlainTextEdit>
#include <QPluginLoader>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>

#include <cstdio>
#include <memory>

// The module through the real KAuth path: created by the plug-in's factory as
// the settings host does, over the system tree that the activated helper
// writes into. Runs under scripts/kauth-session, which names the tree in
// ADMINEVENTS_E2E_ROOT and the log of the stand-in systemctl (first on the
// helper's PATH) in ADMINEVENTS_E2E_SYSTEMCTL_LOG, and the file whose presence
// makes that systemctl fail in ADMINEVENTS_E2E_SYSTEMCTL_FAIL; skipped
// elsewhere.
namespace
{
const QString SettingsFile = QStringLiteral("/etc/tarn-syslog.conf");
const QString AuditRulesFile = QStringLiteral("/etc/audit/rules.d/tarn-syslog.rules");
const QString AuditStore = QStringLiteral("/var/lib/tarnevents/audit-settings.json");
// The local accounts of the sample tree, whatever the machine has.
const QString GetentBody = QStringLiteral(
    "case \"$1\" in\n"
    "passwd) printf 'alice:x:1000:1000::/home/alice:/bin/bash\\nbob:x:1001:1001::/home/bob:/bin/bash\\n' ;;\n"
    "group) printf 'alice:x:1000:\\nbob:x:1001:\\n' ;;\n"
    "esac\n");

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Every file the module writes below `root`: path -> content.
QMap<QString, QByteArray> configurationFiles(const QString &root)
{
    QMap<QString, QByteArray> files;
    for (const QString &path : {SettingsFile, AuditRulesFile}) {
        files.insert(path, readAll(root + path));
    }
    const QDir confDir(root + QStringLiteral("/etc/syslog-ng/conf.d"));
    for (const QString &name : confDir.entryList(QDir::Files)) {
        files.insert(name, readAll(confDir.filePath(name)));
    }
    return files;
}

QModelIndex indexOf(const CheckableTreeModel *model, const EventTreeItem *item, int column = 0)
{
    if (!item || item == model->rootItem()) {
        return {};
    }
    return model->index(item->row(), column, indexOf(model, item->parentItem()));
}
}

class ModuleApplyTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        m_root = qEnvironmentVariable("ADMINEVENTS_E2E_ROOT");
        m_systemctlLog = qEnvironmentVariable("ADMINEVENTS_E2E_SYSTEMCTL_LOG");
        m_systemctlFails = qEnvironmentVariable("ADMINEVENTS_E2E_SYSTEMCTL_FAIL");
        if (m_root.isEmpty() || m_systemctlLog.isEmpty() || m_systemctlFails.isEmpty()) {
            QSKIP("needs the KAuth session of scripts/e2e");
        }
        QCOMPARE(qEnvironmentVariable("ADMINEVENTS_ROOT"), m_root);
        QVERIFY(m_bin.isValid());
        // The notification dialog writes the running user's own rc file.
        QVERIFY(m_home.isValid());
        qputenv("HOME", QFile::encodeName(m_home.path()));
        FakeProgram getent(m_bin.path(), QStringLiteral("getent"), GetentBody);
        FakeProgram::prependToPath(m_bin.path());

        QPluginLoader loader(QStringLiteral(PLUGIN_FILE));
        auto *factory = qobject_cast<KPluginFactory *>(loader.instance());
        QVERIFY2(factory, qPrintable(loader.errorString()));
        m_host = std::make_unique<QWidget>();
        auto *module = factory->create<KCModule>(m_host.get(), QVariantList{QString(), QJsonArray()});
        QVERIFY(module);
        // The plug-in carries its own copy of the module's code, so its meta
        // object is not this program's: compare by name.
        QCOMPARE(module->metaObject()->className(), "AdminEventsModule");
        m_module = static_cast<AdminEventsModule *>(module);
        m_boxes = std::make_unique<MessageBoxWatcher>();
    }

    void cleanupTestCase()
    {
        m_boxes.reset();
        m_host.reset();
    }

    void applyWritesExactlyTheChanges()
    {
        const QJsonObject before = QJsonDocument::fromJson(readAll(m_root + SettingsFile)).object();
        QVERIFY(!before.isEmpty());

        m_host->show();
        m_module->show(); // the base calls access()
        CheckableTreeModel *model = m_module->workingModel();
        QCOMPARE(model->rowCount(), 9);

        // Uncheck an event and change a parameter of another one.
        EventTreeItem *started = model->rootItem()->findChildByNativeName(QStringLiteral("service-started"));
        QVERIFY(started && started->checkState == Qt::Checked && started->dependents.empty());
        QVERIFY(model->setData(indexOf(model, started), QVariant(), Qt::CheckStateRole));
        EventTreeItem *failed = model->rootItem()->findChildByNativeName(QStringLiteral("user-login-failed"));
        EventTreeItem *interval = failed->findChildByNativeName(QStringLiteral("interval"));
        QVERIFY(model->setData(indexOf(model, interval, 1), QStringLiteral("300"), Qt::EditRole));

        QSignalSpy changed(m_module, qOverload<bool>(&KCModule::changed));
        QSignalSpy resets(model, &QAbstractItemModel::modelReset);
        QFile::remove(m_systemctlLog);

        const QByteArray store = readAll(m_root + AuditStore);
        QVERIFY(!store.isEmpty());
        m_module->save(); // the host's apply
        // The sample's audit store holds what its catalogue asks for: no
        // audit setting changes, nothing asks to reboot, nothing is written.
        QVERIFY2(m_boxes->shown().isEmpty(), qPrintable(m_boxes->shown().join(QLatin1Char('\n'))));
        QCOMPARE(readAll(m_root + AuditStore), store);

        // The helper wrote the file: the old overrides and the two changes.
        QJsonObject expected = before;
        expected.insert(QStringLiteral("service-started"), QJsonObject{{QStringLiteral("enabled"), QStringLiteral("0")}});
        QJsonObject failedSettings = expected.value(QStringLiteral("user-login-failed")).toObject();
        QJsonObject repetition = failedSettings.value(QStringLiteral("notification_repetition")).toObject();
        repetition.insert(QStringLiteral("interval"), QStringLiteral("300"));
        failedSettings.insert(QStringLiteral("notification_repetition"), repetition);
        expected.insert(QStringLiteral("user-login-failed"), failedSettings);
        const QJsonObject written = QJsonDocument::fromJson(readAll(m_root + SettingsFile)).object();
        QCOMPARE(written, expected);

        // The logging service was restarted through the helper.
        QTRY_VERIFY_WITH_TIMEOUT(readAll(m_systemctlLog).contains("restart syslog-ng"), 10000);
        QVERIFY(readAll(m_systemctlLog).contains("restart auditd"));

        // The reload shows the saved state, with nothing left to apply.
        QCOMPARE(resets.count(), 1);
        started = model->rootItem()->findChildByNativeName(QStringLiteral("service-started"));
        QCOMPARE(started->checkState, int(Qt::Unchecked));
        failed = model->rootItem()->findChildByNativeName(QStringLiteral("user-login-failed"));
        QCOMPARE(failed->findChildByNativeName(QStringLiteral("interval"))->data(1).toString(), QStringLiteral("300"));
        QVERIFY(m_module->compareModels());
        QCOMPARE(changed.last().first().toBool(), false);
        QCOMPARE(m_module->stateWidget()->text(), QStringLiteral("Changes applied."));

        // The module's own write brings no second reload.
        QTest::qWait(1000);
        QCOMPARE(resets.count(), 1);
    }

    // The file list dialog, as the administrator uses it: its list replaced,
    // OK, apply.
    void fileListThroughItsDialog()
    {
        CheckableTreeModel *model = m_module->workingModel();
        EventTreeItem *key =
            model->rootItem()->findChildByNativeName(QStringLiteral("modifying-file"))->findChildTopLevelByNativeName(QStringLiteral(".auditd.key"));
        QVERIFY(key);
        const QModelIndex value = m_module->proxyModel()->mapFromSource(indexOf(model, key, 1));
        m_module->eventsView()->setCurrentIndex(value);
        QVERIFY(QMetaObject::invokeMethod(m_module, "editEvent", Q_ARG(QModelIndex, value)));
        QDialog *dialog = nullptr;
        const QList<QDialog *> dialogs = m_module->findChildren<QDialog *>();
        for (QDialog *candidate : dialogs) {
            if (qstrcmp(candidate->metaObject()->className(), "FilesDialog") == 0) {
                dialog = candidate;
            }
        }
        QVERIFY(dialog && dialog->isVisible());
        auto *list = dialog->findChild<QListWidget *>(QStringLiteral("filesList"));
        list->clear();
        const QStringList paths{QStringLiteral("/etc/hosts"), QStringLiteral("/etc/журнал\"1\"")};
        list->addItems(paths);
        dialog->findChild<QDialogButtonBox *>(QStringLiteral("buttonBox"))->button(QDialogButtonBox::Ok)->click();

        m_module->save();
        QVERIFY2(m_boxes->shown().isEmpty(), qPrintable(m_boxes->shown().join(QLatin1Char('\n'))));
        const QJsonObject written = QJsonDocument::fromJson(readAll(m_root + SettingsFile)).object();
        QCOMPARE(written.value(QStringLiteral("modifying-file")).toObject().value(QStringLiteral(".auditd.key")).toString(), paths.join(QLatin1String(", ")));
        const QByteArray rules = readAll(m_root + AuditRulesFile);
        for (const QString &path : paths) {
            QVERIFY2(rules.contains(QStringLiteral("-w %1 -p wa -k %1\n").arg(path).toUtf8()), rules.constData());
        }
        QVERIFY(!rules.contains("/etc/passwd"));
    }

    void aPriorityOnlyChangeAsksNothing()
    {
        CheckableTreeModel *model = m_module->workingModel();
        const QByteArray store = readAll(m_root + AuditStore);
        for (const char *priority : {"warning", "err"}) {
            EventTreeItem *chmod = model->rootItem()->findChildByNativeName(QStringLiteral("audit-chmod"));
            EventTreeItem *item = chmod->findChildByNativeName(QStringLiteral("priority"));
            QVERIFY(model->setData(indexOf(model, item, 1), QString::fromLatin1(priority), Qt::EditRole));
            m_module->save();
            QVERIFY2(m_boxes->shown().isEmpty(), qPrintable(m_boxes->shown().join(QLatin1Char('\n'))));
            QCOMPARE(readAll(m_root + AuditStore), store);
        }
    }

    // One notification switched off, another switched on through the
    // dialog's report: the helper deletes and writes their destination
    // files, and the reload shows the events as the files now say.
    // Switched on through the notification dialog and applied, the
    // destination file appears and the event notifies after the reload;
    // switched off and applied, the file is gone.
    void notificationsReachTheDisk()
    {
        const QString confDir = m_root + QStringLiteral("/etc/syslog-ng/conf.d/");
        const QString startedFile = confDir + QStringLiteral("mod-tarn-service-started.conf");
        QVERIFY(QFile::exists(confDir + QStringLiteral("mod-tarn-user-login-failed.conf")));
        QVERIFY(!QFile::exists(startedFile));
        CheckableTreeModel *model = m_module->workingModel();
        const auto event = [model](const char *id) {
            return model->rootItem()->findChildByNativeName(QString::fromLatin1(id));
        };
        QVERIFY(event("user-login-failed")->isNotificationOn());
        QVERIFY(!event("service-started")->isNotificationOn());

        // Through the plug-in's own meta object: its code is not this program's.
        QVERIFY(QMetaObject::invokeMethod(m_module, "switchDbus", Q_ARG(EventTreeItem *, event("user-login-failed")), Q_ARG(bool, false)));
        QVERIFY(QMetaObject::invokeMethod(m_module, "switchDbus", Q_ARG(EventTreeItem *, event("service-started")), Q_ARG(bool, true)));
        QDialog *dialog = nullptr;
        for (QDialog *candidate : m_module->findChildren<QDialog *>()) {
            if (qstrcmp(candidate->metaObject()->className(), "DBusDialog") == 0) {
                dialog = candidate;
            }
        }
        QVERIFY(dialog && dialog->isVisible());
        dialog->findChild<QLineEdit *>(QStringLiteral("titleLineEdit"))->setText(QStringLiteral("Служба \"запущена\""));
        dialog->findChild<QDialogButtonBox *>(QStringLiteral("buttonBox"))->button(QDialogButtonBox::Ok)->click();
        QVERIFY2(m_boxes->shown().isEmpty(), qPrintable(m_boxes->shown().join(QLatin1Char('\n'))));

        m_module->save();
        QVERIFY2(m_boxes->shown().isEmpty(), qPrintable(m_boxes->shown().join(QLatin1Char('\n'))));
        QVERIFY(!QFile::exists(confDir + QStringLiteral("mod-tarn-user-login-failed.conf")));
        const QByteArray written = readAll(startedFile);
        QVERIFY2(written.contains("filter tarn_service_started_filter {"), written.constData());
        QVERIFY2(written.contains("\"event_title\", \"Служба \\\"запущена\\\"\""), written.constData());
        QVERIFY(!event("user-login-failed")->isNotificationOn());
        QVERIFY(event("service-started")->isNotificationOn());

        QVERIFY(QMetaObject::invokeMethod(m_module, "switchDbus", Q_ARG(EventTreeItem *, event("service-started")), Q_ARG(bool, false)));
        m_module->save();
        QVERIFY(!QFile::exists(startedFile));
        QVERIFY(!event("service-started")->isNotificationOn());
    }

    void anotherProgramsChangeReloads()
    {
        CheckableTreeModel *model = m_module->workingModel();
        QSignalSpy resets(model, &QAbstractItemModel::modelReset);
        QByteArray content = readAll(m_root + SettingsFile);
        QVERIFY(content.contains("\"300\""));
        const QString path = m_root + SettingsFile;
        QFile file(path + QStringLiteral(".other"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content.replace("\"300\"", "\"420\""));
        file.close();
        QCOMPARE(::rename(QFile::encodeName(file.fileName()).constData(), QFile::encodeName(path).constData()), 0);
        QTRY_VERIFY(resets.count() >= 1);
        EventTreeItem *failed = model->rootItem()->findChildByNativeName(QStringLiteral("user-login-failed"));
        QCOMPARE(failed->findChildByNativeName(QStringLiteral("interval"))->data(1).toString(), QStringLiteral("420"));
    }

    // The common file edited in its editor into something syslog-ng rejects:
    // nothing is installed, and the editor shows syslog-ng's own message.
    void rejectedCommonFileIsShownAndKept()
    {
        const QString common = m_root + QStringLiteral("/etc/syslog-ng/conf.d/mod-tarn.conf");
        const QByteArray before = readAll(common);
        QVERIFY(!before.isEmpty());
        FileEditor *editor = m_module->commonSettingsWindow()->destinationsSettings()->fileEditor();
        editor->resetContents();
        editor->show();
        editor->findChild<QPlainTextEdit *>(QStringLiteral("textEdit"))
            ->setPlainText(QString::fromUtf8(before) + QStringLiteral("destination d_broken { file(\"/vigil/log/broken\"; };\n"));
        m_boxes->clear();
        editor->findChild<QDialogButtonBox *>(QStringLiteral("buttonBox"))->button(QDialogButtonBox::Save)->click();

        QCOMPARE(m_boxes->shown().size(), 1);
        const QString shown = m_boxes->shown().first();
        QVERIFY2(shown.contains(QLatin1String("syslog-ng rejects the new configuration:\nError parsing")), qPrintable(shown));
        QVERIFY2(shown.contains(QLatin1String("syntax error")) && shown.contains(common + QLatin1Char(':')), qPrintable(shown));
        QCOMPARE(readAll(common), before);
        // The edit stays, to be corrected.
        QVERIFY(editor->isVisible());
        editor->reject();
        m_boxes->clear();
    }

    // An apply whose restart of the logging service fails: the module says
    // so and offers to restore, and the restore puts every file back.
    void failedRestartOffersTheRestore()
    {
        const QMap<QString, QByteArray> before = configurationFiles(m_root);
        QVERIFY(before.contains(QStringLiteral("mod-tarn-removable-media-attached.conf")));
        CheckableTreeModel *model = m_module->workingModel();
        EventTreeItem *failed = model->rootItem()->findChildByNativeName(QStringLiteral("user-login-failed"));
        QVERIFY(model->setData(indexOf(model, failed->findChildByNativeName(QStringLiteral("interval")), 1), QStringLiteral("900"), Qt::EditRole));
        QVERIFY(QMetaObject::invokeMethod(m_module,
                                          "switchDbus",
                                          Q_ARG(EventTreeItem *, model->rootItem()->findChildByNativeName(QStringLiteral("removable-media-attached"))),
                                          Q_ARG(bool, false)));

        QFile marker(m_systemctlFails);
        QVERIFY(marker.open(QIODevice::WriteOnly));
        marker.close();
        m_module->save();
        QVERIFY2(m_boxes->shown().isEmpty(), qPrintable(m_boxes->shown().join(QLatin1Char('\n'))));
        QVERIFY(configurationFiles(m_root) != before);
        KMessageWidget *message = m_module->serviceMessage();
        QTRY_VERIFY_WITH_TIMEOUT(message->isVisible(), 20000);
        QVERIFY2(message->text().contains(QLatin1String("could not be restarted with the changes just applied")), qPrintable(message->text()));
        QCOMPARE(message->actions().size(), 1);
        QVERIFY(QFile::remove(m_systemctlFails));

        QFile::remove(m_systemctlLog);
        message->actions().first()->trigger();
        QCOMPARE(configurationFiles(m_root), before);
        QCOMPARE(message->messageType(), KMessageWidget::Positive);
        QVERIFY2(message->text().contains(m_root + SettingsFile), qPrintable(message->text()));
        QTRY_VERIFY_WITH_TIMEOUT(readAll(m_systemctlLog).contains("restart syslog-ng"), 20000);
        // The module shows what is on disk again.
        QCOMPARE(model->rootItem()->findChildByNativeName(QStringLiteral("user-login-failed"))->findChildByNativeName(QStringLiteral("interval"))->data(1),
                 QVariant(QStringLiteral("420")));
    }

private:
    QString m_root;
    QString m_systemctlLog;
    QString m_systemctlFails;
    std::unique_ptr<QWidget> m_host;
    AdminEventsModule *m_module = nullptr;
    std::unique_ptr<MessageBoxWatcher> m_boxes;
    QTemporaryDir m_bin;
    QTemporaryDir m_home;
};

QTEST_MAIN(ModuleApplyTest)

#include "moduleapplytest.moc"
