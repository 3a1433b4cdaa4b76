/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#pragma once

#include "notificationsdialogtype.h"

#include <QDialog>
#include <QString>
#include <QStringList>

class ConfigAccessService;
class EventTreeItem;
class LoggingService;

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
    // The lines of the event's rc section, each ending with "\n".
    QStringList createEventContent() const;
    // Writes or replaces the event's section of the running user's rc file.
    void writeTypeConfig() const;
    // The values of one option line of a destination file.
    static QStringList prepareParam(const QString &line);
    void setupNotificationRepetition();

public Q_SLOTS:
    void generateConfig();
    void setOkButtonState() const;

Q_SIGNALS:
    // File id, the event's display name, the destination file's lines, the mode.
    void notificationOn(QString fileId, QString eventName, QStringList lines, NotificationsDialogType type);
    void dbusAccepted(QString eventId);

private:
    ConfigAccessService &m_configAccessService;
    LoggingService &m_loggingService;
    EventTreeItem *m_event = nullptr;
    NotificationsDialogType m_type = EnableNotifications;
};
