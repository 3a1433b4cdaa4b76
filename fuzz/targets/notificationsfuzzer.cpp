/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
// The notification settings read back from disk: an event's notification
// destination file (recipients, title, parameters), the running user's rc
// file (methods, sound, log file, command) and the desktop event watcher's rc
// files that say which events can notify.
//
// Input: pieces separated by a line "%%": the destination file of the event
// "user_login_failed", the user's rc file, and one more rc file of the event
// watcher besides the sample's.
//
// Besides surviving, the dialog must open on what it read as unchanged, and
// what it writes when accepted must read back as the same settings: the same
// rc section and the same destination file once more.
#include "configaccessservice.h"
#include "dbusdialog.h"
#include "eventtreeitem.h"
#include "fuzzsupport.h"
#include "fuzztarget.h"
#include "loggingservice.h"
#include "notificationids.h"
#include "notificationsdictionary.h"

#include <QCoreApplication>
#include <QFile>
#include <QSet>
#include <QTextStream>

#include <algorithm>
#include <memory>

namespace
{
const QString MessageId = QStringLiteral("user_login_failed");
const QString WatcherDir = QStringLiteral("/usr/share/knotifications5/");
constexpr int MaxParameters = 24;

Fuzz::Root *fuzzRoot = nullptr;
DBusDialog *dialog = nullptr;
QStringList destination;

void initialize()
{
    Fuzz::ensureApplication(true);
    static Fuzz::Root root;
    fuzzRoot = &root;
    root.writeFile(WatcherDir + QStringLiteral("tarn-event-watcher_security.notifyrc"),
                   Fuzz::Root::sampleFile(WatcherDir + QStringLiteral("tarn-event-watcher_security.notifyrc")));
    dialog = new DBusDialog(*new ConfigAccessService(nullptr), *new LoggingService(nullptr));
    QObject::connect(dialog, &DBusDialog::notificationOn, [](const QString &, const QString &, const QStringList &lines, NotificationsDialogType) {
        destination = lines;
    });
}

// The lines of a destination file, as the module reads them.
QStringList linesOf(const QByteArray &text)
{
    QStringList lines;
    QTextStream stream(text);
    stream.setCodec("UTF-8");
    while (!stream.atEnd()) {
        lines << stream.readLine();
    }
    return lines;
}

// The event "user_login_failed" with a parameter for every name the
// destination file mentions; null when they are too many to show.
std::unique_ptr<EventTreeItem> eventFor(const QStringList &lines)
{
    QSet<QString> names;
    for (const QString &line : lines) {
        for (const QString &value : DBusDialog::prepareParam(line)) {
            for (const QString &name : value.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
                // Names of the catalogue's keys: no mnemonic marker.
                if (!name.contains(QLatin1Char('&'))) {
                    names.insert(name);
                }
            }
        }
    }
    if (names.size() > MaxParameters) {
        return nullptr;
    }
    auto event = std::make_unique<EventTreeItem>(QVector<QVariant>{QStringLiteral("Failed user login"), QVariant(), QVariant()});
    event->kind = EventTreeItem::Event;
    event->nativeName = QStringLiteral("user-login-failed");
    event->name = QStringLiteral("Failed user login");
    const auto add = [](EventTreeItem *parent, const QString &name, const QString &value) {
        auto *node = new EventTreeItem({name, value, QVariant()}, parent);
        node->nativeName = name;
        node->kind = EventTreeItem::Value;
        parent->appendChild(node);
        return node;
    };
    EventTreeItem *params = add(event.get(), QStringLiteral("message-params"), QString());
    add(params, QStringLiteral("message_id"), MessageId);
    add(params, QStringLiteral("message-type"), QStringLiteral("auth"));
    for (const QString &name : std::as_const(names)) {
        add(params, name, QStringLiteral("1"));
    }
    return event;
}

// Opens the dialog on the event as the module does for its settings.
void open(EventTreeItem *event, const QString &eventId, const QString &rcPath, const QStringList &lines)
{
    dialog->setParams(eventId, rcPath, lines);
    dialog->setDialogType(NotificationSettings);
    dialog->setEvent(event);
    // The check boxes of the previous opening.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// Whether the rc text has the section of `eventId`, as the dialog finds it.
bool hasSection(const QByteArray &rc, const QString &eventId)
{
    const QString header = QStringLiteral("[Event/%1]").arg(eventId);
    const QStringList lines = QString::fromUtf8(rc.left(rc.indexOf('\0') < 0 ? rc.size() : rc.indexOf('\0'))).split(QLatin1Char('\n'));
    return std::any_of(lines.begin(), lines.end(), [&header](const QString &line) {
        return line.trimmed() == header;
    });
}

// Settings of every method, opened before each input's: nothing of them may
// stay for an event whose own files say otherwise.
void openOtherSettings(EventTreeItem *event, const QString &eventId)
{
    const QString rc = QStringLiteral("/home/alice/.config/other.notifyrc");
    fuzzRoot->writeFile(rc,
                        QStringLiteral("[Event/%1]\nAction=Popup|Sound|Logfile|Execute\nExecute=/bin/true\nLogfile=file:///tmp/log\nSound=/s.oga\nTTS=hi\n")
                            .arg(eventId)
                            .toUtf8());
    open(event,
         eventId,
         fuzzRoot->resolve(rc),
         {QStringLiteral("\"event_user\", \"@all\""), QStringLiteral("\"event_group\", \"tarn-admin\""), QStringLiteral("\"event_title\", \"Other\"")});
}

int runOne(const std::uint8_t *data, std::size_t size)
{
    const QList<QByteArray> pieces = Fuzz::split(QByteArray::fromRawData(reinterpret_cast<const char *>(data), int(size)), "\n%%\n", 3);
    fuzzRoot->activate();
    qputenv("HOME", QFile::encodeName(fuzzRoot->resolve(QStringLiteral("/home/alice"))));
    fuzzRoot->writeFile(WatcherDir + QStringLiteral("tarn-event-watcher_fuzz.notifyrc"), pieces.value(2));

    NotificationsDictionary &dictionary = NotificationsDictionary::Instance();
    dictionary.reset();
    FUZZ_CHECK(dictionary.init());
    const QString eventId = NotificationIds::eventId(MessageId);
    FUZZ_CHECK(dictionary.contains(eventId));
    const QString rcPath = NotificationIds::userRcPath(dictionary.applicationName(eventId));
    FUZZ_CHECK(fuzzRoot->isInside(rcPath));
    fuzzRoot->writeFile(fuzzRoot->path().size() < rcPath.size() ? rcPath.mid(fuzzRoot->path().size()) : QString(), pieces.value(1));

    const QStringList lines = linesOf(pieces.value(0));
    const std::unique_ptr<EventTreeItem> event = eventFor(lines);
    if (!event) {
        dialog->setParams(eventId, rcPath, lines);
        return 0;
    }
    openOtherSettings(event.get(), eventId);
    open(event.get(), eventId, rcPath, lines);
    FUZZ_CHECK(dialog->checkStartParams());
    const QStringList section = dialog->createEventContent();
    if (!hasSection(pieces.value(1), eventId)) {
        FUZZ_CHECK(section
                   == QStringList({QStringLiteral("[Event/%1]\n").arg(eventId),
                                   QStringLiteral("Execute=\n"),
                                   QStringLiteral("Logfile=\n"),
                                   QStringLiteral("Sound=\n"),
                                   QStringLiteral("TTS=\n")}));
    }

    // Accepted unchanged: the rc section is written, the destination file
    // made; both read back as they were written.
    destination.clear();
    dialog->generateConfig();
    const QStringList written = destination;
    FUZZ_CHECK(!written.isEmpty());
    open(event.get(), eventId, rcPath, written);
    FUZZ_CHECK(dialog->checkStartParams());
    FUZZ_CHECK(dialog->createEventContent() == section);
    destination.clear();
    dialog->generateConfig();
    if (destination != written && qEnvironmentVariableIsSet("ADMINEVENTS_FUZZ_VERBOSE")) {
        qInfo("first:\n%s\nagain:\n%s", qPrintable(written.join(QLatin1Char('\n'))), qPrintable(destination.join(QLatin1Char('\n'))));
    }
    FUZZ_CHECK(destination == written);
    return 0;
}
}

ADMINEVENTS_FUZZ_TARGET(notifications, initialize, runOne)
