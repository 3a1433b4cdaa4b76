/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#pragma once

#include "eventconfigstorage.h"
#include "eventtreeitem.h"
#include "notificationsdialogtype.h"
#include "plannedfile.h"

#include <guardkcmodule.h>

#include <QHash>
#include <QModelIndex>
#include <QPair>
#include <QPoint>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QVariantHash>

#include <expected>
#include <unordered_map>

class AuditDialog;
class DiskSpaceMonDialog;
class AuditService;
class AuditSettingsController;
class ChangesDialog;
class CheckableTreeModel;
class CommonSettingsWindow;
class ConfigAccessService;
class DBusDialog;
class EventFinder;
class EventExample;
class EventsProxyModel;
class FilesDialog;
class KMessageWidget;
class LoggingService;
class QAction;
class QFileSystemWatcher;
class QKeyEvent;
class QTreeView;
class SingleEventsParser;

namespace Ui
{
class AdminEventsModule;
}

// The security events settings module: shows the event catalogue as a
// checkable tree, keeps track of what the administrator changed against the
// tree as loaded, writes the changes through the helper on apply, and reloads
// when the catalogue or the event settings file change underneath it.
class AdminEventsModule : public KCMGS::GuardKCModule
{
    Q_OBJECT
public:
    // Which dialog edits a value cell; plain values are edited inline.
    enum class ValueEditor {
        None,
        FileList,
        DirectoryList,
        Directories,
        Users,
        Groups,
    };

    // Message id (its "_" form) -> the lines of its notification destination file.
    using NotificationLines = std::unordered_map<QString, QStringList>;
    // Message id (its "_" form) -> the path of its destination file.
    using NotificationPaths = std::unordered_map<QString, QString>;

    // The clients of the helper the module works through.
    struct Services {
        ConfigAccessService *config = nullptr;
        LoggingService *logging = nullptr;
        AuditService *audit = nullptr;
    };

    AdminEventsModule(QWidget *parent, const QList<QVariant> &args);
    // The same over the given clients, which the module takes over.
    AdminEventsModule(QWidget *parent, const QList<QVariant> &args, const Services &services);
    ~AdminEventsModule() override;

    // Puts the two trees of `parser` into the working and the reference model.
    void loadEvents(const SingleEventsParser &parser);
    // True when the working model shows what was loaded. Marks every changed
    // node of the working tree `overridden` on the way.
    bool compareModels() const;
    // Compares a cell of the reference model with the same cell of the
    // working model, children included; true when equal.
    bool compareIndexes(const QModelIndex &reference, const QModelIndex &working) const;

    // The dialog that edits the value cell `index` of the view, if any.
    ValueEditor valueEditorFor(const QModelIndex &index) const;

    FilesDialog *filesDialog() const;
    DiskSpaceMonDialog *diskSpaceMonDialog() const;
    EventExample *eventExample() const;
    CommonSettingsWindow *commonSettingsWindow() const;
    ChangesDialog *changesDialog() const;

    // Every file the next save would write or remove, with the content it
    // would write, in the order of the save. Rendering only.
    QList<PlannedFile> plannedChanges();

    CheckableTreeModel *workingModel() const;
    CheckableTreeModel *referenceModel() const;
    EventsProxyModel *proxyModel() const;
    QTreeView *eventsView() const;
    EventFinder *eventFinder() const;

    // The notification state since the last load: the destination files as
    // read, and the administrator's changes that the next save deploys.
    const NotificationLines &readNotifications() const;
    const NotificationLines &enabledNotifications() const;
    const NotificationPaths &disabledNotifications() const;
    // Reads the notification destination files into readNotifications().
    void readNotificationsSettings();
    // The notification event id of the event selected in the view, or an
    // empty string. Loads the notification dictionary on first use.
    QString getSelectedMessageId() const;

    // Room for the names, the values and the search bar.
    QSize sizeHint() const override;

    // The inline messages: a catalogue that cannot be shown, a configuration
    // changed on disk under unsaved edits, the logging service's answers.
    KMessageWidget *catalogueMessage() const;
    KMessageWidget *configChangedMessage() const;
    KMessageWidget *serviceMessage() const;

public Q_SLOTS:
    void access() override;
    // The host's reset: brings back the configuration as it is on disk and
    // the audit settings as the system holds them, dropping every edit.
    void load() override;
    // Saves, then reloads what was saved; when a step failed, keeps the
    // administrator's edits and tells the base.
    void change() override;

    void load_p();
    // Writes the changes through the helper: the event settings and audit
    // rules, then the audit settings, then restarts the logging services or
    // asks to reboot. Stops at the first step that fails, says in one message
    // what was not saved, and returns false; nothing is restarted then.
    bool save_p();
    // Shows what the next save would change on disk.
    void showChanges();
    // Puts back the configuration as it was before the last apply, restarts
    // the logging service and reloads. The outcome is told in a message box
    // over `reportTo`, or inline without it.
    void restorePreviousConfiguration(QWidget *reportTo = nullptr);
    // Reloads, or with unsaved edits asks first, inline.
    void configsChanged(const QString &path);
    void startWatchConfigs();
    void stopWatchConfigs();

    // Recomputes whether anything differs from what was loaded.
    void dataChanged();

    void editSelection(const QModelIndex &index);
    void editEvent(const QModelIndex &index);
    void contextMenuRequested(QPoint pos);
    // Brings the parameters of `event` back to the catalogue defaults.
    void resetEvent(EventTreeItem *event);
    void expandSeView() const;

    // Writes the list the file list dialog emitted into the selected value,
    // and the audit watch rules of its paths into the event's audit rules.
    void fileArrayAccepted(QVariant value);
    // Writes the paths and the table the disk-space dialog emitted into the
    // selected row.
    void directoriesAccepted(QList<QVariant> values);
    // Writes the table the audit dialog emitted into the selected row.
    void auditSettingsAccepted(QList<QVariant> values);

    // The notification dialog accepted for the event `eventName`: `lines` are
    // its destination file, deployed at the next save.
    void setNotificationOn(const QString &fileId, const QString &eventName, const QStringList &lines, NotificationsDialogType type);
    // Switching on opens the notification dialog; switching off marks the
    // event's destination file for removal at the next save.
    void switchDbus(EventTreeItem *item, bool on);
    // Opens the notification dialog on the settings of a notifying event.
    void notificationSettings(EventTreeItem *item);
    // An outside event viewer's request: `action` "notify" opens the
    // settings of the event named `name` ("_" for spaces),
    // "enableNotifications" switches its notifications on.
    void notificationSettingsFromViewer(const QString &name, const QString &action);
    // Gives every user the super-user's notification rc file; asks to
    // reboot when a user received it for the first time.
    void notificationsUpdated() const;

    void switchSngStatus();
    void startSyslogNg();
    void stopSyslogNg();

protected:
    // F2, Return and Enter on the view edit the value of the current row.
    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;

private:
    // What the last start or stop asked for, while it runs.
    enum class SngRequest {
        None,
        Start,
        Stop,
        // The restart that takes up an apply.
        ApplyRestart,
    };
    // The view's expanded rows, current cell and selected row, by
    // native-name path.
    struct ViewState {
        QSet<QString> expanded;
        QString current;
        int currentColumn = 0;
        QString selected;
    };
    // The rows of a ViewState found again.
    struct FoundRows {
        QModelIndex current;
        QModelIndex selected;
    };

    void createMessages();
    void createEditor();
    void createToolButtons();
    void createView();
    void createSearch();
    void createDbusDialog();
    // The notification changes reach the disk through the helper; the reason
    // when they could not.
    std::expected<void, QString> removeDisabledNotificationsConfigs();
    std::expected<void, QString> writeEnabledNotificationsConfigs();
    // Path -> content of the destination files the next save writes.
    QVariantHash enabledNotificationFiles() const;
    void setNotificationState(EventTreeItem *item, EventTreeItem::NotificationState state);
    void setSngAction(bool running) const;
    // The event the view's selection belongs to, or any node of it.
    EventTreeItem *selectedItem() const;
    EventTreeItem *findEvent(const QString &eventId) const;
    // Saves the audit settings; true when they changed and need a reboot,
    // the reason when they could not be written.
    std::expected<bool, QString> saveAuditSettings();
    static void copyDefaults(EventTreeItem *target, const EventTreeItem *defaults);
    void watchSettingsFile();
    // Keeps the tree shown, disabled, under `title` and `text`.
    void showCatalogueError(const QString &title, const QString &text);
    void showServiceMessage(const QString &text, bool offerRestore = false);
    void sngCommandFinished();
    void sngCommandFailed(const QString &message);
    void editCurrentValue();
    QString pathOf(const QModelIndex &index) const;
    ViewState viewState() const;
    void restoreViewState(const ViewState &state);
    void restoreExpansion(const QModelIndex &parent, const ViewState &state, FoundRows &found);
    // Writes the audit settings as the system holds them into both trees.
    void synchronizeAuditSettings();

    Ui::AdminEventsModule *ui;
    ConfigAccessService *m_configAccessService;
    LoggingService *m_loggingService;
    AuditService *m_auditService = nullptr;
    EventConfigStorage m_eventConfigStorage;

    bool m_accessed = false;
    bool m_reloading = false;
    bool m_sngStatus = false;
    bool m_auditRead = false;
    // The host asks for a load after the first show, right after access()
    // loaded everything.
    bool m_skipHostLoad = false;
    // Whether the working tree differs from what was loaded, as last told
    // to the host.
    bool m_unsaved = false;
    bool m_catalogueBroken = false;
    SngRequest m_sngRequest = SngRequest::None;

    CheckableTreeModel *m_referenceModel = nullptr;
    CheckableTreeModel *m_workingModel = nullptr;
    CommonSettingsWindow *m_commonSettingsWindow = nullptr;
    DBusDialog *m_dbusDialog = nullptr;
    EventFinder *m_eventFinder = nullptr;
    EventExample *m_eventExample = nullptr;
    EventsProxyModel *m_proxyModel = nullptr;
    FilesDialog *m_filesDialog = nullptr;
    DiskSpaceMonDialog *m_diskSpaceMonDialog = nullptr;
    AuditDialog *m_auditDialog = nullptr;
    QFileSystemWatcher *m_configWatcher = nullptr;

    // The event whose notification settings the host asked to open.
    QString m_viewerFirstArg;
    QString m_viewerSecondArg;

    NotificationLines m_readNotifications;
    NotificationLines m_enabledNotifications;
    NotificationPaths m_disabledNotifications;

    // The audit settings and the module's audit methods.
    AuditSettingsController *m_auditSettings = nullptr;

    KMessageWidget *m_catalogueMessage = nullptr;
    KMessageWidget *m_configChangedMessage = nullptr;
    KMessageWidget *m_serviceMessage = nullptr;
    QAction *m_restoreAction = nullptr;
    ChangesDialog *m_changesDialog = nullptr;
};
