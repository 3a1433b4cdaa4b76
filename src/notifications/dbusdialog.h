/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#pragma once

#include "notificationsdialogtype.h"

#include <QDialog>
#include <QString>
#include <QStringList>

#include <map>
#include <vector>

class CheckBoxParam;
class ConfigAccessService;
class EventTreeItem;
class LoggingService;
class QMediaPlayer;
class TreeItem;

namespace Ui
{
class DBusDialog;
}

// How one event notifies: recipients, title, the parameters shown, the
// methods and, where the event has it, repetition. Accepting it builds the
// event's notification destination file (reported by notificationOn), writes
// the event's section of the running user's rc file and asks KNotifications
// to read that file again.
class DBusDialog : public QDialog
{
    Q_OBJECT
public:
    DBusDialog(ConfigAccessService &configAccessService, LoggingService &loggingService, QWidget *parent = nullptr);
    ~DBusDialog() override;

    // Call before setEvent().
    void setDialogType(NotificationsDialogType type);
    NotificationsDialogType dialogType() const;
    // The notification event id, the running user's rc path and the lines of
    // the event's destination file: the start values of NotificationSettings.
    void setParams(const QString &eventId, const QString &rcPath, const QStringList &lines);
    // Makes `item` the current event and fills the widgets.
    void setEvent(EventTreeItem *item);
    EventTreeItem *currentEvent() const;

    // True when every widget still shows its start value.
    bool checkStartParams() const;
    // The lines of the event's rc section, each ending with "\n". Values lose
    // line breaks and "[" (they could start a key or a section of their own)
    // and carry backslashes escaped the way KConfig reads them.
    QStringList createEventContent() const;
    // Writes or replaces the event's section of the running user's rc file,
    // atomically; the other sections stay as they were.
    void writeTypeConfig() const;
    // The values of one option line of a destination file, read as syslog-ng
    // strings (escapes honoured, commas inside quotes kept): the line
    //     "event_title", "Say \"hi\", ok"
    // gives `Say "hi", ok`. The option's name is not among them.
    static QStringList prepareParam(const QString &line);
    void setupNotificationRepetition();

public Q_SLOTS:
    void playButtonClicked() const;
    void soundDialogButtonClicked();
    void logFileDialogButtonClicked();
    void executeDialogButtonClicked();
    void handleRepeatCheckBox(int state) const;
    void setRepeatInterval(int value);
    void generateConfig();
    void setOkButtonState() const;
    void enableSoundElements() const;
    void enableLogFileElements() const;
    void enableExecuteElements() const;

Q_SIGNALS:
    // File id, the event's display name, the destination file's lines, the mode.
    void notificationOn(QString fileId, QString eventName, QStringList lines, NotificationsDialogType type);
    void dbusAccepted(QString eventId);

private:
    // The value node `name` ("enabled", "interval") of the current event's
    // repetition settings, or null.
    TreeItem *repetitionValue(const QString &name) const;
    void disconnectOkButtonState();
    void readRcSection(const QByteArray &content);
    // " second" or " seconds" after the repetition interval, as the number asks.
    void updateIntervalSuffix(int seconds);

    Ui::DBusDialog *ui;
    EventTreeItem *m_event = nullptr;
    QMediaPlayer *m_player;
    NotificationsDialogType m_type = EnableNotifications;
    ConfigAccessService &m_configAccessService;
    LoggingService &m_loggingService;
    // Display text -> native name.
    std::map<QString, QString> m_params;
    std::vector<CheckBoxParam *> m_checkBoxes;
    QString m_startTitle;
    QStringList m_startParams;
    int m_startMode = 0;
    QString m_eventId;
    QString m_rcPath;
    QString m_startAction;
    QString m_startExecute;
    QString m_startLogFile;
    QString m_startSound;
    QString m_startTts;
    bool m_startRepeat = false;
    int m_startInterval = 30;
};
