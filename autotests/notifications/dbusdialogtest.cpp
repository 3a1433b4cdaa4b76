/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "dbusdialog.h"
#include "checkboxparam.h"
#include "configaccessservice.h"
#include "eventtreeitem.h"
#include "loggingservice.h"
#include "notificationsdictionary.h"
#include "sampleroot.h"
#include "syslogng.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>

namespace
{
using Params = QList<QPair<QString, QString>>; // display text, native name

const QString App = QStringLiteral("tarn-event-watcher_auth");

EventTreeItem *addNode(EventTreeItem *parent, const QString &text, const QVariant &value, const QString &nativeName)
{
    auto *node = new EventTreeItem({text, value}, parent);
    node->nativeName = nativeName;
    node->name = text;
    parent->appendChild(node);
    return node;
}

// A dialog over a private root whose dictionary knows the test's events, and
// a private home for the rc file.
struct Fixture {
    Fixture()
    {
        root.writeFile(QStringLiteral("/usr/share/knotifications5/%1.notifyrc").arg(App),
                       "[Event/userLoginFailed]\n\n[Event/titleCheck]\n\n[Event/title.check]\n\n[Event/other]\n");
        root.activate();
        NotificationsDictionary::Instance().reset();
        NotificationsDictionary::Instance().init();
        previousHome = qgetenv("HOME");
        qputenv("HOME", home.path().toUtf8());
        dialog = std::make_unique<DBusDialog>(config, logging);
    }
    ~Fixture()
    {
        qputenv("HOME", previousHome);
    }

    EventTreeItem *event(const QString &messageId, const Params &params = {}, const Params &extended = {}, bool repetition = false)
    {
        auto *event = addNode(tree.get(), QStringLiteral("Event ") + messageId, {}, messageId);
        event->kind = EventTreeItem::Event;
        addNode(event, QStringLiteral("Message id"), messageId, QStringLiteral("message_id"));
        addNode(event, QStringLiteral("Message type"), QStringLiteral("auth"), QStringLiteral("message-type"));
        const std::pair<QString, const Params *> groups[] = {{QStringLiteral("message-params"), &params}, {QStringLiteral("extend-message-params"), &extended}};
        for (const auto &[name, list] : groups) {
            EventTreeItem *group = addNode(event, name, {}, name);
            for (const auto &[text, nativeName] : *list) {
                addNode(group, text, QString(), nativeName);
            }
        }
        if (repetition) {
            EventTreeItem *node = addNode(event, QStringLiteral("Repetition"), {}, QStringLiteral("notification_repetition"));
            addNode(node, QStringLiteral("enabled"), 0, QStringLiteral("enabled"));
            addNode(node, QStringLiteral("interval"), 60, QStringLiteral("interval"));
        }
        return event;
    }

    template<typename T>
    T *widget(const char *name) const
    {
        T *found = dialog->findChild<T *>(QLatin1String(name));
        if (!found) {
            qFatal("no widget %s", name);
        }
        return found;
    }
    QPushButton *ok() const
    {
        return widget<QDialogButtonBox>("buttonBox")->button(QDialogButtonBox::Ok);
    }
    QList<CheckBoxParam *> boxes() const
    {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        // CheckBoxParam has no meta-object of its own.
        QList<CheckBoxParam *> boxes;
        for (QCheckBox *box : dialog->findChildren<QCheckBox *>()) {
            if (auto *param = dynamic_cast<CheckBoxParam *>(box)) {
                boxes.append(param);
            }
        }
        return boxes;
    }
    void tick(const QStringList &texts) const
    {
        for (CheckBoxParam *box : boxes()) {
            box->setChecked(texts.contains(box->text()));
        }
    }
    QString rcPath() const
    {
        return home.filePath(QStringLiteral(".config/%1.notifyrc").arg(App));
    }
    QByteArray rcContent() const
    {
        QFile file(rcPath());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    // Accepts the dialog; the destination file's lines, or none.
    QStringList accept() const
    {
        QSignalSpy spy(dialog.get(), &DBusDialog::notificationOn);
        dialog->accept();
        return spy.isEmpty() ? QStringList() : spy.first().at(2).toStringList();
    }
    // The dialog opened for `item` in the settings mode, started from `lines`.
    void reopen(EventTreeItem *item, const QStringList &lines) const
    {
        dialog->setParams(QStringLiteral("userLoginFailed"), rcPath(), lines);
        dialog->setDialogType(NotificationSettings);
        dialog->setEvent(item);
    }

    SampleRoot root{SampleRoot::Empty};
    QTemporaryDir home;
    QByteArray previousHome;
    ConfigAccessService config{nullptr};
    LoggingService logging{nullptr};
    std::unique_ptr<EventTreeItem> tree = std::make_unique<EventTreeItem>(QVector<QVariant>{QStringLiteral("Name"), QStringLiteral("Value")});
    std::unique_ptr<DBusDialog> dialog;
};

const Params LoginParams{{QStringLiteral("Remote host"), QStringLiteral("host")}, {QStringLiteral("Account"), QStringLiteral("user")}};

QStringList fileLines(const QByteArray &content)
{
    QStringList lines = QString::fromUtf8(content).split(QLatin1Char('\n'));
    lines.removeLast();
    return lines;
}
}

class DBusDialogTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        qRegisterMetaType<NotificationsDialogType>();
    }

    // The destination file of an ordinary event is byte for byte the sample
    // system's; the rc section and the signals follow.
    void generate_ordinaryEvent()
    {
        Fixture f;
        f.dialog->setDialogType(EnableNotifications);
        f.dialog->setEvent(f.event(QStringLiteral("user_login_failed"), LoginParams));
        f.widget<QLineEdit>("titleLineEdit")->setText(QStringLiteral("Failed login attempt"));
        f.tick({QStringLiteral("Account"), QStringLiteral("Remote host")});
        QSignalSpy on(f.dialog.get(), &DBusDialog::notificationOn);
        QSignalSpy accepted(f.dialog.get(), &DBusDialog::dbusAccepted);
        f.dialog->accept();
        QCOMPARE(on.size(), 1);
        QCOMPARE(on.first().at(0).toString(), QStringLiteral("user-login-failed"));
        QCOMPARE(on.first().at(1).toString(), QStringLiteral("Event user_login_failed"));
        QCOMPARE(on.first().at(3).value<NotificationsDialogType>(), EnableNotifications);
        QCOMPARE(accepted.first().at(0).toString(), QStringLiteral("userLoginFailed"));
        const SampleRoot sample;
        QCOMPARE(on.first().at(2).toStringList(), fileLines(sample.readFile(QStringLiteral("/etc/syslog-ng/conf.d/mod-tarn-user-login-failed.conf"))));
        QCOMPARE(f.rcContent(), QByteArray("[Event/userLoginFailed]\nAction=Popup\nExecute=\nLogfile=\nSound=\nTTS=\n"));
        // The dialog holds no event any more: a second accept does nothing.
        QVERIFY(f.accept().isEmpty());
    }

    void generate_values_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("title");
        QTest::addColumn<bool>("ticked");
        QTest::addColumn<QStringList>("expected"); // lines 10, 11, 13, 15, 16
        QTest::addColumn<QString>("readBack");
        const QString plain = QStringLiteral("Failed");
        QTest::newRow("all users, no parameters") << 0 << plain << false
                                                  << QStringList{QStringLiteral("\t\t\"event_user\", \"@all\""),
                                                                 QStringLiteral("\t\t\"event_group\", \"@all\""),
                                                                 QStringLiteral("\t\t\"event_title\", \"Failed\""),
                                                                 QStringLiteral("\t\t\"event_params\", \"\""),
                                                                 QStringLiteral("\t\t\"event_format\", \"\")")}
                                                  << plain;
        QTest::newRow("administrators, parameters in box order") << 1 << plain << true
                                                                 << QStringList{QStringLiteral("\t\t\"event_user\", \"@all\""),
                                                                                QStringLiteral("\t\t\"event_group\", \"tarn-admin\""),
                                                                                QStringLiteral("\t\t\"event_title\", \"Failed\""),
                                                                                QStringLiteral("\t\t\"event_params\", \"user,host\""),
                                                                                QStringLiteral("\t\t\"event_format\", \"{0} {1}\")")}
                                                                 << plain;
        QTest::newRow("event's user and group") << 2 << plain << false
                                                << QStringList{QStringLiteral("\t\t\"event_user\", \"\""),
                                                               QStringLiteral("\t\t\"event_group\", \"\""),
                                                               QStringLiteral("\t\t\"event_title\", \"Failed\""),
                                                               QStringLiteral("\t\t\"event_params\", \"\""),
                                                               QStringLiteral("\t\t\"event_format\", \"\")")}
                                                << plain;
        const QString tricky = QStringLiteral("Say \"hi\", \\ ok %2 `HOME`");
        QTest::newRow("quotes, backslash, comma, placeholder, backtick")
            << 0 << tricky << false
            << QStringList{QStringLiteral("\t\t\"event_user\", \"@all\""),
                           QStringLiteral("\t\t\"event_group\", \"@all\""),
                           QStringLiteral("\t\t\"event_title\", \"Say \\\"hi\\\", \\\\ ok %2 ``HOME``\""),
                           QStringLiteral("\t\t\"event_params\", \"\""),
                           QStringLiteral("\t\t\"event_format\", \"\")")}
            << tricky;
        QTest::newRow("line breaks") << 0 << QStringLiteral("a\nb\r\tc") << false
                                     << QStringList{QStringLiteral("\t\t\"event_user\", \"@all\""),
                                                    QStringLiteral("\t\t\"event_group\", \"@all\""),
                                                    QStringLiteral("\t\t\"event_title\", \"a b  c\""),
                                                    QStringLiteral("\t\t\"event_params\", \"\""),
                                                    QStringLiteral("\t\t\"event_format\", \"\")")}
                                     << QStringLiteral("a b  c");
    }
    // Option values as syslog-ng strings; reading them back gives what was
    // set, and the settings dialog opens unchanged on them.
    void generate_values()
    {
        QFETCH(int, mode);
        QFETCH(QString, title);
        QFETCH(bool, ticked);
        QFETCH(QStringList, expected);
        QFETCH(QString, readBack);
        Fixture f;
        f.dialog->setDialogType(EnableNotifications);
        f.dialog->setEvent(f.event(QStringLiteral("user_login_failed"), LoginParams));
        const char *radios[] = {"allUsersRadioButton", "selectGroupRadioButton", "userAndGroupRadioButton"};
        f.widget<QRadioButton>(radios[mode])->setChecked(true);
        f.widget<QLineEdit>("titleLineEdit")->setText(title);
        if (ticked) {
            f.tick({QStringLiteral("Account"), QStringLiteral("Remote host")});
        }
        const QStringList lines = f.accept();
        QCOMPARE(lines.size(), 27);
        QCOMPARE((QStringList{lines.at(9), lines.at(10), lines.at(12), lines.at(14), lines.at(15)}), expected);

        f.reopen(f.event(QStringLiteral("user_login_failed"), LoginParams), lines);
        QCOMPARE(f.widget<QLineEdit>("titleLineEdit")->text(), readBack);
        QVERIFY(f.widget<QRadioButton>(radios[mode])->isChecked());
        QCOMPARE(f.boxes().at(0)->isChecked(), ticked);
        QVERIFY(f.dialog->checkStartParams());
        QVERIFY(!f.ok()->isEnabled());
    }

    // Nothing is built for an event without message type, nor for a message
    // id that cannot name a file and a filter.
    void generate_refused()
    {
        Fixture f;
        EventTreeItem *noType = f.event(QStringLiteral("user_login_failed"));
        noType->deleteChild(1);
        f.dialog->setEvent(noType);
        QVERIFY(f.accept().isEmpty());

        f.dialog->setEvent(f.event(QStringLiteral("title.check")));
        QTimer::singleShot(0, [] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                box->accept();
            }
        });
        QVERIFY(f.accept().isEmpty());
        QVERIFY(!QFile::exists(f.rcPath()));
    }

    void prepareParam_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QStringList>("values");
        QTest::newRow("escapes, comma") << QStringLiteral("\t\t\"event_title\", \"Say \\\"hi\\\", \\\\ ok\"")
                                        << QStringList{QStringLiteral("Say \"hi\", \\ ok")};
        QTest::newRow("option keyword") << QStringLiteral("\toptions(\"destination_type\", \"dbus\"") << QStringList{QStringLiteral("dbus")};
        QTest::newRow("closing parenthesis") << QStringLiteral("\t\t\"event_format\", \"{0} {1}\")") << QStringList{QStringLiteral("{0} {1}")};
        QTest::newRow("empty value") << QStringLiteral("\t\t\"event_icon\", \"\"") << QStringList{QString()};
        QTest::newRow("list in one string") << QStringLiteral("\t\t\"event_params\", \"user,host\"") << QStringList{QStringLiteral("user,host")};
        QTest::newRow("unescaped backslash") << QStringLiteral("\t\t\"event_title\", \"C:\\path\"") << QStringList{QStringLiteral("C:\\path")};
        QTest::newRow("single quotes, backtick") << QStringLiteral("\t\"a\", 'x \"y\"', \"``z``\"")
                                                 << QStringList{QStringLiteral("x \"y\""), QStringLiteral("`z`")};
    }
    void prepareParam()
    {
        QFETCH(QString, line);
        QFETCH(QStringList, values);
        QCOMPARE(DBusDialog::prepareParam(line), values);
    }

    // A file of the sample system opens the settings dialog on its values.
    void readBack_sampleFile()
    {
        Fixture f;
        const SampleRoot sample;
        f.reopen(f.event(QStringLiteral("user_login_failed"), LoginParams),
                 fileLines(sample.readFile(QStringLiteral("/etc/syslog-ng/conf.d/mod-tarn-user-login-failed.conf"))));
        QCOMPARE(f.widget<QLineEdit>("titleLineEdit")->text(), QStringLiteral("Failed login attempt"));
        QVERIFY(f.widget<QRadioButton>("allUsersRadioButton")->isChecked());
        const QList<CheckBoxParam *> boxes = f.boxes();
        QCOMPARE(boxes.size(), 2);
        QVERIFY(boxes.at(0)->isChecked() && boxes.at(1)->isChecked());
    }

    void rcSection_data()
    {
        QTest::addColumn<QByteArray>("before"); // "-": no file
        QTest::addColumn<bool>("popup");
        QTest::addColumn<QString>("command");
        QTest::addColumn<QByteArray>("after");
        const QByteArray six = "[Event/userLoginFailed]\nAction=Popup\nExecute=\nLogfile=\nSound=\nTTS=\n";
        const QByteArray five = "[Event/userLoginFailed]\nExecute=\nLogfile=\nSound=\nTTS=\n";
        const QByteArray next = "[Event/other]\nAction=Sound\nExecute=\nLogfile=\nSound=/s.ogg\nTTS=\n";
        QTest::newRow("no file, no .config") << QByteArray("-") << true << QString() << six;
        QTest::newRow("appended") << next << true << QString() << next + "\n" + six;
        QTest::newRow("six lines replaced by five") << six + "\n" + next << false << QString() << five + "\n" + next;
        QTest::newRow("five lines replaced by six") << five + "\n" + next << true << QString() << six + "\n" + next;
        QTest::newRow("shorter section before another") << QByteArray("[Event/userLoginFailed]\nAction=Popup\n") + next << true << QString() << six + next;
        QTest::newRow("foreign keys stay, marked keys go") << QByteArray("[Event/userLoginFailed]\nShowInHistory=false\nExecute[$e]=$(id)\nAction=Sound\n\n")
                + next << true << QString() << six + "ShowInHistory=false\n\n" + next;
        QTest::newRow("no key or section injected") << QByteArray() << false << QStringLiteral("run\n[Event/other]\nAction=Execute")
                                                    << QByteArray("\n[Event/userLoginFailed]\nExecute=runEvent/other]Action=Execute\nLogfile=\nSound=\nTTS=\n");
    }
    // The event's section, and only it, is written; the rest of the file
    // stays byte for byte.
    void rcSection()
    {
        QFETCH(QByteArray, before);
        QFETCH(bool, popup);
        QFETCH(QString, command);
        QFETCH(QByteArray, after);
        Fixture f;
        if (before != "-") {
            QVERIFY(QDir().mkpath(QFileInfo(f.rcPath()).absolutePath()));
            QFile file(f.rcPath());
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(before);
        }
        f.dialog->setEvent(f.event(QStringLiteral("user_login_failed")));
        f.widget<QCheckBox>("popupCheckBox")->setChecked(popup);
        f.widget<QLineEdit>("executeEdit")->setText(command);
        QVERIFY(!f.accept().isEmpty());
        QCOMPARE(f.rcContent(), after);
    }

    // The rc values come back exactly, through the dialog and through KConfig.
    void rcValues_readBack()
    {
        Fixture f;
        EventTreeItem *event = f.event(QStringLiteral("user_login_failed"));
        f.dialog->setEvent(event);
        const QString command = QStringLiteral("/usr/bin/alert --level=high C:\\x");
        const QString logFile = QStringLiteral("/tmp/a b.log");
        const QString sound = QStringLiteral("/usr/share/sounds/x.ogg");
        for (const char *name : {"soundCheckBox", "logFileCheckBox", "executeCheckBox"}) {
            f.widget<QCheckBox>(name)->setChecked(true);
        }
        f.widget<QLineEdit>("executeEdit")->setText(command);
        f.widget<QLineEdit>("logFileEdit")->setText(logFile);
        f.widget<QLineEdit>("soundEdit")->setText(sound);
        const QStringList lines = f.accept();

        f.reopen(event, lines);
        QCOMPARE(f.widget<QLineEdit>("executeEdit")->text(), command);
        QCOMPARE(f.widget<QLineEdit>("logFileEdit")->text(), logFile);
        QCOMPARE(f.widget<QLineEdit>("soundEdit")->text(), sound);
        QVERIFY(f.widget<QCheckBox>("executeCheckBox")->isChecked());
        QVERIFY(f.dialog->checkStartParams());

        const QString kreadconfig = QStandardPaths::findExecutable(QStringLiteral("kreadconfig5"));
        if (kreadconfig.isEmpty()) {
            QSKIP("kreadconfig5 is not installed");
        }
        const auto read = [&](const QString &key) {
            QProcess process;
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            environment.insert(QStringLiteral("HOME"), f.home.path());
            environment.insert(QStringLiteral("XDG_CONFIG_HOME"), f.home.filePath(QStringLiteral(".config")));
            process.setProcessEnvironment(environment);
            process.start(
                kreadconfig,
                {QStringLiteral("--file"), f.rcPath(), QStringLiteral("--group"), QStringLiteral("Event/userLoginFailed"), QStringLiteral("--key"), key});
            process.waitForFinished();
            return QString::fromUtf8(process.readAllStandardOutput()).chopped(1);
        };
        QCOMPARE(read(QStringLiteral("Action")), QStringLiteral("Popup|Sound|Logfile|Execute"));
        QCOMPARE(read(QStringLiteral("Execute")), command);
        QCOMPARE(read(QStringLiteral("Logfile")), QStringLiteral("file://") + logFile);
        QCOMPARE(read(QStringLiteral("Sound")), sound);
    }

    // Switching on: defaults, OK at once.
    void dialog_enableDefaults()
    {
        Fixture f;
        f.dialog->setDialogType(EnableNotifications);
        f.dialog->setEvent(f.event(QStringLiteral("user_login_failed"), LoginParams));
        QVERIFY(f.widget<QRadioButton>("allUsersRadioButton")->isChecked());
        QCOMPARE(f.widget<QLineEdit>("titleLineEdit")->text(), QStringLiteral("Event user_login_failed"));
        QCOMPARE(f.widget<QLabel>("eventLabel")->text(), QStringLiteral("Event user_login_failed"));
        for (CheckBoxParam *box : f.boxes()) {
            QVERIFY(!box->isChecked());
        }
        QVERIFY(f.widget<QCheckBox>("popupCheckBox")->isChecked());
        for (const char *name : {"soundCheckBox", "logFileCheckBox", "executeCheckBox"}) {
            QVERIFY(!f.widget<QCheckBox>(name)->isChecked());
        }
        for (const char *name : {"soundEdit", "logFileEdit", "executeEdit"}) {
            QVERIFY(f.widget<QLineEdit>(name)->text().isEmpty());
            QVERIFY(!f.widget<QLineEdit>(name)->isEnabled());
        }
        QVERIFY(f.ok()->isEnabled());
        QVERIFY(f.widget<QGroupBox>("repeatGroupBox")->isHidden());
        f.widget<QCheckBox>("soundCheckBox")->setChecked(true);
        QVERIFY(f.widget<QLineEdit>("soundEdit")->isEnabled());
    }

    // Editing: OK follows the difference from the start values, repetition
    // included; the repetition widgets write into the event at once.
    void dialog_settingsOkState()
    {
        Fixture f;
        EventTreeItem *event = f.event(QStringLiteral("user_login_failed"), LoginParams, {}, true);
        f.dialog->setEvent(event);
        const QStringList lines = f.accept();
        f.reopen(event, lines);
        QVERIFY(!f.ok()->isEnabled());
        QVERIFY(!f.widget<QGroupBox>("repeatGroupBox")->isHidden());
        QCOMPARE(f.widget<QSpinBox>("intervalSpinBox")->value(), 60);
        QCOMPARE(event->findChildByNativeName(QStringLiteral("interval"))->data(1), QVariant(60));
        f.boxes().at(0)->setChecked(true);
        QVERIFY(f.ok()->isEnabled());
        f.boxes().at(0)->setChecked(false);
        QVERIFY(!f.ok()->isEnabled());
        f.widget<QSpinBox>("intervalSpinBox")->setValue(90);
        QVERIFY(f.ok()->isEnabled());
        QCOMPARE(event->findChildByNativeName(QStringLiteral("interval"))->data(1), QVariant(QStringLiteral("90")));
        f.widget<QCheckBox>("repeatCheckBox")->setChecked(true);
        QCOMPARE(event->findChildByNativeName(QStringLiteral("enabled"))->data(1), QVariant(QStringLiteral("1")));

        // Switching another event on afterwards keeps OK enabled.
        f.dialog->setDialogType(EnableNotifications);
        f.dialog->setEvent(f.event(QStringLiteral("title_check"), {}, {}, true));
        f.widget<QSpinBox>("intervalSpinBox")->setValue(30);
        f.widget<QCheckBox>("popupCheckBox")->setChecked(true);
        QVERIFY(f.ok()->isEnabled());
    }

    // Boxes sorted by display text ("&" removed, "overlay" left out), one per
    // text, the message parameter first; none for a name the file could not
    // list (a comma, a control character); reopening replaces them; the
    // generated list follows the boxes.
    void dialog_parameterBoxes()
    {
        Fixture f;
        const Params params{{QStringLiteral("Zeta"), QStringLiteral("z")},
                            {QStringLiteral("Alpha"), QStringLiteral("a")},
                            {QStringLiteral("B&eta"), QStringLiteral("b")},
                            {QStringLiteral("Comma"), QStringLiteral("c,d")}};
        const Params extended{{QStringLiteral("Alpha"), QStringLiteral("a2")},
                              {QStringLiteral("overlay_x"), QStringLiteral("o")},
                              {QStringLiteral("Gamma"), QStringLiteral("g")},
                              {QStringLiteral("Tab"), QStringLiteral("t\tu")}};
        f.dialog->setEvent(f.event(QStringLiteral("title_check"), params, extended));
        QStringList texts;
        QStringList names;
        for (CheckBoxParam *box : f.boxes()) {
            texts << box->text();
            names << box->param().toString();
            box->setChecked(true);
        }
        QCOMPARE(texts, (QStringList{QStringLiteral("Alpha"), QStringLiteral("Beta"), QStringLiteral("Gamma"), QStringLiteral("Zeta")}));
        QCOMPARE(names, (QStringList{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("g"), QStringLiteral("z")}));
        QCOMPARE(f.accept().at(14), QStringLiteral("\t\t\"event_params\", \"a,b,g,z\""));

        f.dialog->setEvent(f.event(QStringLiteral("user_login_failed"), LoginParams));
        QCOMPARE(f.boxes().size(), 2);
    }

    void dialog_settingsOpenUnchanged_data()
    {
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QByteArray>("rc"); // "-": no file
        QTest::addColumn<QString>("title");
        QTest::addColumn<QStringList>("ticked");
        QTest::addColumn<QString>("method"); // the one method box checked, or none
        const QString title = QStringLiteral("\t\t\"event_title\", \"Failed\"");
        QTest::newRow("parameters in another order than the boxes")
            << QStringList{title, QStringLiteral("\t\t\"event_params\", \"user,host\"")} << QByteArray("[Event/userLoginFailed]\nAction=Popup\n")
            << QStringLiteral("Failed") << QStringList{QStringLiteral("Remote host"), QStringLiteral("Account")} << QStringLiteral("popupCheckBox");
        QTest::newRow("no title: the event's name") << QStringList{QStringLiteral("\t\t\"event_params\", \"host\"")}
                                                    << QByteArray("[Event/userLoginFailed]\nAction=Sound\nSound=/s.oga\n")
                                                    << QStringLiteral("Event user_login_failed") << QStringList{QStringLiteral("Remote host")}
                                                    << QStringLiteral("soundCheckBox");
        QTest::newRow("no section of the event") << QStringList{title} << QByteArray("[Event/other]\nAction=Popup|Sound\nSound=/o.oga\n")
                                                 << QStringLiteral("Failed") << QStringList() << QString();
        QTest::newRow("empty rc file") << QStringList{title} << QByteArray() << QStringLiteral("Failed") << QStringList() << QString();
        QTest::newRow("no rc file") << QStringList{title} << QByteArray("-") << QStringLiteral("Failed") << QStringList() << QString();
    }
    // The settings dialog opens on what the files say, unchanged: OK stays
    // off after a change is undone, and nothing of the settings opened
    // before stays.
    void dialog_settingsOpenUnchanged()
    {
        QFETCH(QStringList, lines);
        QFETCH(QByteArray, rc);
        QFETCH(QString, title);
        QFETCH(QStringList, ticked);
        QFETCH(QString, method);
        Fixture f;
        const auto writeRc = [&f](const QByteArray &content) {
            QDir().mkpath(QFileInfo(f.rcPath()).absolutePath());
            QFile file(f.rcPath());
            return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(content) == content.size();
        };
        EventTreeItem *event = f.event(QStringLiteral("user_login_failed"), LoginParams);
        QVERIFY(writeRc("[Event/userLoginFailed]\nAction=Popup|Sound|Logfile|Execute\nExecute=/bin/x\nLogfile=file:///l\nSound=/x.oga\n"));
        f.reopen(event, {QStringLiteral("\t\t\"event_title\", \"Other\""), QStringLiteral("\t\t\"event_params\", \"user\"")});

        QVERIFY(rc == "-" ? QFile::remove(f.rcPath()) : writeRc(rc));
        f.reopen(event, lines);
        QCOMPARE(f.widget<QLineEdit>("titleLineEdit")->text(), title);
        for (CheckBoxParam *box : f.boxes()) {
            QCOMPARE(box->isChecked(), ticked.contains(box->text()));
        }
        for (const char *name : {"popupCheckBox", "soundCheckBox", "logFileCheckBox", "executeCheckBox"}) {
            QCOMPARE(f.widget<QCheckBox>(name)->isChecked(), method == QLatin1String(name));
        }
        QCOMPARE(f.widget<QLineEdit>("executeEdit")->text(), QString());
        QVERIFY(f.dialog->checkStartParams());
        CheckBoxParam *box = f.boxes().at(0);
        box->setChecked(!box->isChecked());
        QVERIFY(f.ok()->isEnabled());
        box->setChecked(!box->isChecked());
        QVERIFY(!f.ok()->isEnabled());
    }

    // What syslog-ng makes of the files: both pass its syntax check, and the
    // python destination receives the title exactly.
    void syslogNg_takesFiles()
    {
        if (SyslogNg::program().isEmpty()) {
            QSKIP("syslog-ng is not installed");
        }
        Fixture f;
        const QString tricky = QStringLiteral("Say \"hi\", \\ ok `HOME` %2");
        QTemporaryDir work;
        QVERIFY(work.isValid());
        QStringList files;
        for (const auto &[messageId, title] :
             {std::pair{QStringLiteral("user_login_failed"), QStringLiteral("Failed login attempt")}, std::pair{QStringLiteral("title_check"), tricky}}) {
            f.dialog->setDialogType(EnableNotifications);
            f.dialog->setEvent(f.event(messageId, LoginParams));
            f.widget<QLineEdit>("titleLineEdit")->setText(title);
            f.tick({QStringLiteral("Account")});
            const QStringList lines = f.accept();
            QVERIFY(!lines.isEmpty());
            files << work.filePath(messageId + QStringLiteral(".conf"));
            QFile file(files.last());
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write((lines.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8());
        }
        SyslogNg syslogNg(work.path());
        const QString main = syslogNg.writeMainConfig(files);
        const auto checked = syslogNg.checkSyntax(main);
        // QVERIFY2 evaluates its message even when the check holds.
        QVERIFY2(checked.has_value(), checked ? "" : qPrintable(checked.error()));

        const auto started = syslogNg.start(main);
        QVERIFY2(started.has_value(), started ? "" : qPrintable(started.error()));
        // A record of another event reaches no notification.
        QVERIFY(syslogNg.send("{\"tarn-auth\": {\"message_id\": \"user_logout\", \"user\": \"root\"}}"));
        QVERIFY(syslogNg.send("{\"tarn-auth\": {\"message_id\": \"title_check\", \"user\": \"root\"}}"));
        const QByteArray line = SyslogNg::waitForLine(syslogNg.pythonOutputPath(), "title_check");
        QVERIFY2(!line.isEmpty(), qPrintable(syslogNg.output()));
        const QJsonObject options = QJsonDocument::fromJson(line).object().value(QStringLiteral("options")).toObject();
        QCOMPARE(options.value(QStringLiteral("event_title")).toString(), tricky);
        QCOMPARE(options.value(QStringLiteral("event_params")).toString(), QStringLiteral("user"));
        QCOMPARE(options.value(QStringLiteral("event_id")).toString(), QStringLiteral("titleCheck"));
        QCOMPARE(options.value(QStringLiteral("event_format")).toString(), QStringLiteral("{0}"));
        QCOMPARE(options.value(QStringLiteral("event_user")).toString(), QStringLiteral("@all"));
        QCOMPARE(options.value(QStringLiteral("event_group")).toString(), QStringLiteral("@all"));
        syslogNg.stop();
        QFile delivered(syslogNg.pythonOutputPath());
        QVERIFY(delivered.open(QIODevice::ReadOnly));
        QCOMPARE(delivered.readAll().count('\n'), 1);
    }
};

QTEST_MAIN(DBusDialogTest)
#include "dbusdialogtest.moc"
