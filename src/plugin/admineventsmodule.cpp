/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "admineventsmodule.h"
#include "ui_admineventsmodule.h"

#include "actionids.h"
#include "auditdialog.h"
#include "auditservice.h"
#include "auditsettings.h"
#include "auditsettingscontroller.h"
#include "changesdialog.h"
#include "checkabletreemodel.h"
#include "commonsettingswindow.h"
#include "configaccessservice.h"
#include "coreutils.h"
#include "dbusdialog.h"
#include "dbuskeeper.h"
#include "diskspacemondialog.h"
#include "eventexample.h"
#include "eventfinder.h"
#include "eventsproxymodel.h"
#include "eventswriter.h"
#include "eventtreeitem.h"
#include "filesdialog.h"
#include "guiutils.h"
#include "loggingservice.h"
#include "notificationids.h"
#include "notificationsdictionary.h"
#include "singleeventsparser.h"
#include "snghandler.h"
#include "systempaths.h"
#include "tooltipper.h"
#include "valuedelegate.h"

#include <statewidget.h>

#include <KAuth/Action>
#include <KLocalizedString>
#include <KMessageWidget>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTextStream>
#include <QTimer>
#include <QTreeView>

#include <memory>
#include <utility>

namespace
{
const QString ButtonStyle = QStringLiteral("QPushButton { text-align: left; padding: 6px; }");
// Joins the native names of a path; no native name holds it.
const QChar PathSeparator(0x1f);

// A message in bold followed by its details, as plain texts; the details
// keep their line breaks.
QString titled(const QString &title, const QString &text)
{
    return QStringLiteral("<b>%1</b><br/>%2").arg(title.toHtmlEscaped(), text.toHtmlEscaped().replace(QLatin1Char('\n'), QLatin1String("<br/>")));
}

EventTreeItem *eventItem(TreeItem *item)
{
    return static_cast<EventTreeItem *>(item);
}

// Marks the child `name` of `item` (found depth-first) when there is one.
void markChild(const EventTreeItem *item, const QString &name)
{
    if (!item) {
        return;
    }
    if (EventTreeItem *child = item->findChildByNativeName(name)) {
        child->overridden = true;
    }
}

void mark(EventTreeItem *item)
{
    if (item) {
        item->overridden = true;
    }
}

// Marks what the events writer must write when `item` of the working tree
// differs from the tree as loaded. Audit switches and tables are written with
// their whole audit event; a switch of "extend-message-params" is written
// with all its siblings.
void markChanged(EventTreeItem *item)
{
    const QString succ = QStringLiteral("succ");
    const QString fail = QStringLiteral("fail");
    const QString users = QStringLiteral("users");
    const QString groups = QStringLiteral("groups");

    EventTreeItem *parent = item->parentItem();
    EventTreeItem *grandparent = parent ? parent->parentItem() : nullptr;

    if (item->nativeName == succ || item->nativeName == fail) {
        markChild(parent, fail);
        markChild(parent, succ);
        mark(parent);
        mark(grandparent);
        mark(grandparent ? grandparent->parentItem() : nullptr);
        markChild(grandparent, users);
        markChild(grandparent, groups);
    } else if (item->nativeName == groups || item->nativeName == users) {
        const QString &other = item->nativeName == groups ? users : groups;
        mark(item);
        mark(parent);
        mark(grandparent);
        if (parent) {
            if (EventTreeItem *everybody = parent->findChildByNativeName(QStringLiteral("other"))) {
                everybody->overridden = true;
                markChild(everybody, fail);
                markChild(everybody, succ);
            }
        }
        markChild(parent, other);
    }
    item->overridden = true;

    if (grandparent && item->nativeName == QLatin1String("enabled") && grandparent->nativeName == QLatin1String("extend-message-params")) {
        for (int row = 0; row < parent->childCount(); ++row) {
            EventTreeItem *sibling = eventItem(parent->child(row));
            if (!sibling->nativeName.startsWith(QLatin1String("overlay"))) {
                sibling->overridden = true;
            }
        }
    }
}
}

AdminEventsModule::AdminEventsModule(QWidget *parent, const QList<QVariant> &args)
    : AdminEventsModule(parent, args, {new ConfigAccessService(nullptr), new LoggingService(nullptr), new AuditService(nullptr)})
{
}

AdminEventsModule::AdminEventsModule(QWidget *parent, const QList<QVariant> &args, const Services &services)
    : KCMGS::GuardKCModule(QStringLiteral("tarn_kcm_admin_events"), parent, args)
    , ui(new Ui::AdminEventsModule)
    , m_configAccessService(services.config)
    , m_loggingService(services.logging)
    , m_auditService(services.audit)
    , m_eventConfigStorage(SystemPaths::resolve(SystemPaths::EventSettingsDir))
{
    m_configAccessService->setParent(this);
    m_loggingService->setParent(this);
    m_auditService->setParent(this);
    m_auditSettings = new AuditSettingsController(m_auditService, this);
    ui->setupUi(contentWidget());

    m_filesDialog = new FilesDialog(this);
    m_diskSpaceMonDialog = new DiskSpaceMonDialog(this);
    m_eventExample = new EventExample(this);
    m_auditDialog = new AuditDialog(this);
    m_changesDialog = new ChangesDialog(this);
    createEditor();

    createMessages();
    createToolButtons();
    createView();
    createSearch();
    createDbusDialog();

    // The host's Reset is the one the administrator sees: the base's own
    // reset button would only do the same a second time, so it stays hidden.
    setButtons(Help | Apply);

    connect(m_loggingService, &LoggingService::stateChanged, this, &AdminEventsModule::sngCommandFinished);
    connect(m_loggingService, &AccessService::error, this, [this](const KAuth::Action *, const QString &message) {
        sngCommandFailed(message);
    });
    connect(this, qOverload<bool>(&KCModule::changed), this, [this](bool changed) {
        m_unsaved = changed;
        ui->showChangesButton->setEnabled(changed);
    });

    // kcmshell5 passes ("", []); a viewer that wants the notification settings
    // of one event passes more.
    if (args.size() > 2) {
        m_viewerFirstArg = args.at(0).toString();
        m_viewerSecondArg = args.at(1).toString();
    }
    connect(m_filesDialog, &FilesDialog::fileListEdited, this, &AdminEventsModule::fileArrayAccepted);
    connect(m_diskSpaceMonDialog, &DiskSpaceMonDialog::directoriesEdited, this, &AdminEventsModule::directoriesAccepted);
    connect(m_auditDialog, &AuditDialog::auditSettingsEdited, this, &AdminEventsModule::auditSettingsAccepted);

    readNotificationsSettings();
}

AdminEventsModule::~AdminEventsModule()
{
    delete ui;
}

FilesDialog *AdminEventsModule::filesDialog() const
{
    return m_filesDialog;
}

DiskSpaceMonDialog *AdminEventsModule::diskSpaceMonDialog() const
{
    return m_diskSpaceMonDialog;
}

EventExample *AdminEventsModule::eventExample() const
{
    return m_eventExample;
}

CommonSettingsWindow *AdminEventsModule::commonSettingsWindow() const
{
    return m_commonSettingsWindow;
}

ChangesDialog *AdminEventsModule::changesDialog() const
{
    return m_changesDialog;
}

CheckableTreeModel *AdminEventsModule::workingModel() const
{
    return m_workingModel;
}

CheckableTreeModel *AdminEventsModule::referenceModel() const
{
    return m_referenceModel;
}

EventsProxyModel *AdminEventsModule::proxyModel() const
{
    return m_proxyModel;
}

QTreeView *AdminEventsModule::eventsView() const
{
    return ui->singleEventsView;
}

EventFinder *AdminEventsModule::eventFinder() const
{
    return m_eventFinder;
}

KMessageWidget *AdminEventsModule::catalogueMessage() const
{
    return m_catalogueMessage;
}

KMessageWidget *AdminEventsModule::configChangedMessage() const
{
    return m_configChangedMessage;
}

KMessageWidget *AdminEventsModule::serviceMessage() const
{
    return m_serviceMessage;
}

void AdminEventsModule::createMessages()
{
    const auto message = [this](const char *name, KMessageWidget::MessageType type) {
        auto *widget = new KMessageWidget(this);
        widget->setObjectName(QString::fromLatin1(name));
        widget->setMessageType(type);
        widget->setWordWrap(true);
        widget->setCloseButtonVisible(false);
        widget->hide();
        return widget;
    };
    // The tree's messages sit right above it.
    m_catalogueMessage = message("catalogueMessage", KMessageWidget::Error);
    m_configChangedMessage = message("configChangedMessage", KMessageWidget::Warning);
    const int view = ui->verticalLayout->indexOf(ui->singleEventsView);
    ui->verticalLayout->insertWidget(view, m_catalogueMessage);
    ui->verticalLayout->insertWidget(view + 1, m_configChangedMessage);
    m_configChangedMessage->setText(
        i18n("The configuration was changed on disk by another program. Reload it and lose your unsaved changes, or keep "
             "your changes and write them over it on apply?"));
    auto *reload = new QAction(QIcon::fromTheme(QStringLiteral("view-refresh")), i18n("Reload"), m_configChangedMessage);
    connect(reload, &QAction::triggered, this, &AdminEventsModule::load_p);
    m_configChangedMessage->addAction(reload);
    auto *keep = new QAction(QIcon::fromTheme(QStringLiteral("dialog-ok")), i18n("Keep my changes"), m_configChangedMessage);
    connect(keep, &QAction::triggered, m_configChangedMessage, &QWidget::hide);
    m_configChangedMessage->addAction(keep);

    // The logging service's below its status line.
    m_serviceMessage = message("serviceMessage", KMessageWidget::Error);
    m_serviceMessage->setCloseButtonVisible(true);
    ui->verticalLayout->addWidget(m_serviceMessage);
    // Offered when the logging service does not take up an apply.
    m_restoreAction = new QAction(QIcon::fromTheme(QStringLiteral("edit-undo")), i18n("Restore previous configuration"), m_serviceMessage);
    connect(m_restoreAction, &QAction::triggered, this, [this] {
        restorePreviousConfiguration();
    });
}

// ---------------------------------------------------------------------------
// Life cycle

void AdminEventsModule::access()
{
    const bool first = !m_accessed;
    load_p();
    stateWidget()->resetState();
    m_accessed = true;
    m_skipHostLoad = true;
    QTimer::singleShot(0, this, [this]() {
        m_skipHostLoad = false;
    });
    startWatchConfigs();
    // A viewer asks for the notification settings of one event when the
    // module opens, not at every later access.
    if (first && !m_viewerFirstArg.isEmpty() && !m_viewerSecondArg.isEmpty()) {
        notificationSettingsFromViewer(m_viewerSecondArg, m_viewerFirstArg);
    }
}

void AdminEventsModule::load()
{
    // Before the first show there is nothing to bring back, and the load
    // the host asks for after it has just been done.
    if (!m_accessed || std::exchange(m_skipHostLoad, false)) {
        return;
    }
    load_p();
    stateWidget()->resetState();
}

void AdminEventsModule::change()
{
    // Nothing was loaded that could be written.
    if (m_catalogueBroken) {
        return;
    }
    if (!save_p()) {
        // The edits stay as they are, to be applied again.
        reportChangeFailed();
        return;
    }
    load_p();
    stateWidget()->resetState();
}

void AdminEventsModule::load_p()
{
    const QString settingsDir = SystemPaths::resolve(SystemPaths::EventSettingsDir);
    const QDir dir(settingsDir);
    if (!dir.exists() || dir.isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System)) {
        showCatalogueError(i18n("No event configuration detected"), i18n("The directory \"%1\" does not exist or is empty.", settingsDir));
        return;
    }

    // What the last load knew of the notifications goes, with the changes
    // made since; the registry is rebuilt from the files now on disk.
    m_readNotifications.clear();
    m_enabledNotifications.clear();
    m_disabledNotifications.clear();
    readNotificationsSettings();
    DBusKeeper::Instance().init();

    const SingleEventsParser parser;
    if (!parser.isConfigCorrect()) {
        showCatalogueError(i18n("Event configuration is incorrect."),
                           i18n("Check if there are no duplicate event_id in event configuration(even in different groups)."));
        return;
    }
    const ViewState shown = viewState();
    loadEvents(parser);
    m_auditSettings->updateSubjects(parser.defaultUsers(), parser.defaultGroups(), m_workingModel->rootItem());

    if (!m_accessed && !m_auditRead) {
        // The audit settings are read from the system once in a module's
        // life.
        m_auditRead = true;
        m_auditSettings->getAuditSettings();
    }
    if (m_auditRead) {
        synchronizeAuditSettings();
    }
    restoreViewState(shown);

    m_catalogueBroken = false;
    m_catalogueMessage->hide();
    m_configChangedMessage->hide();
    ui->singleEventsView->setEnabled(true);

    switchSngStatus();
    // A fresh load has nothing to apply.
    Q_EMIT changed(false);
}

void AdminEventsModule::synchronizeAuditSettings()
{
    // The catalogue says what the events ask for; the trees show what the
    // system holds: what was read at the first load, with every value the
    // module wrote since.
    m_auditSettings->synchronizeAuditSettings(m_workingModel->rootItem());
    m_auditSettings->synchronizeAuditSettings(m_referenceModel->rootItem());
}

void AdminEventsModule::showCatalogueError(const QString &title, const QString &text)
{
    // The host goes on; the module shows what it has, if anything, and
    // offers nothing to apply until the catalogue can be read again.
    m_catalogueBroken = true;
    m_configChangedMessage->hide();
    m_catalogueMessage->setText(titled(title, text));
    m_catalogueMessage->show();
    ui->singleEventsView->setEnabled(false);
    Q_EMIT changed(false);
}

void AdminEventsModule::loadEvents(const SingleEventsParser &parser)
{
    EventTreeItem *working = parser.parse();
    if (!working) {
        // The catalogue became unreadable between the check and the parse:
        // keep what is shown rather than an empty tree that would be written.
        return;
    }
    // Parsing the same catalogue again would give the same tree; a copy
    // costs a fraction of a parse.
    EventTreeItem *reference = working->clone();
    m_workingModel->setRootItem(working);
    m_referenceModel->setRootItem(reference);
}

bool AdminEventsModule::save_p()
{
    stopWatchConfigs();
    // What the save is about to change, to be looked at when it fails.
    const QList<PlannedFile> planned = plannedChanges();
    // Every write of the save is one apply, which a restore undoes.
    m_configAccessService->beginApply();
    m_configAccessService->takeUncheckedFiles();
    const auto failed = [this, &planned](const QString &details) {
        m_configAccessService->endApply();
        QMessageBox box(QMessageBox::Warning, i18n("Error"), i18n("The changes were not saved:\n%1", details), QMessageBox::Ok, this);
        const QPushButton *show = box.addButton(i18n("Show changes…"), QMessageBox::ActionRole);
        box.exec();
        if (box.clickedButton() == show) {
            m_changesDialog->showChanges(planned, details);
        }
        startWatchConfigs();
        return false;
    };

    // The notification destination files first: the registry rebuilt from
    // them marks the notifying events at the reload after the save.
    if (const auto removed = removeDisabledNotificationsConfigs(); !removed) {
        return failed(removed.error());
    }
    if (const auto written = writeEnabledNotificationsConfigs(); !written) {
        return failed(written.error());
    }
    DBusKeeper::Instance().init();

    EventTreeItem *root = m_workingModel->rootItem();
    if (root && root->childCount() > 0) {
        EventsWriter writer(*m_configAccessService, SystemPaths::resolve(SystemPaths::EventSettingsFile), SystemPaths::resolve(SystemPaths::AuditRulesFile));
        const bool written = writer.writeConfig(root);
        if (!written || !writer.errors().isEmpty()) {
            return failed(writer.errors().join(QLatin1Char('\n')));
        }
    }
    m_configAccessService->endApply();
    if (const QStringList unchecked = m_configAccessService->takeUncheckedFiles(); !unchecked.isEmpty()) {
        QMessageBox::information(this,
                                 i18n("Installed without a check"),
                                 i18n("These files were installed, but their new configuration could not be checked:\n%1", unchecked.join(QLatin1Char('\n'))));
    }

    const std::expected<bool, QString> audit = saveAuditSettings();
    if (!audit) {
        return failed(i18n("The audit settings: %1", audit.error()));
    }
    // Audit settings that changed take effect only after a reboot.
    if (*audit && Gui::Utils::confirmAboutReboot(i18n("The audit settings will take effect only after the system is rebooted."))) {
        Core::Utils::rebootSystem();
    } else {
        m_sngRequest = SngRequest::ApplyRestart;
        m_loggingService->restart();
    }

    startWatchConfigs();
    return true;
}

QList<PlannedFile> AdminEventsModule::plannedChanges()
{
    QList<PlannedFile> files;
    QStringList removed;
    for (const auto &[key, path] : m_disabledNotifications) {
        removed.append(path);
    }
    removed.sort();
    for (const QString &path : std::as_const(removed)) {
        files.append({path, std::nullopt});
    }
    const QVariantHash written = enabledNotificationFiles();
    QStringList paths = written.keys();
    paths.sort();
    for (const QString &path : std::as_const(paths)) {
        files.append({path, written.value(path).toByteArray()});
    }
    EventTreeItem *root = m_workingModel->rootItem();
    if (root && root->childCount() > 0) {
        // What EventsWriter::writeConfig() writes.
        EventsWriter writer(*m_configAccessService, SystemPaths::resolve(SystemPaths::EventSettingsFile), SystemPaths::resolve(SystemPaths::AuditRulesFile));
        files.append({writer.configFile(), writer.renderEventSettings(root)});
        files.append({writer.auditRulesFile(), writer.renderAuditRules()});
    }
    return files;
}

void AdminEventsModule::showChanges()
{
    m_changesDialog->showChanges(plannedChanges());
}

void AdminEventsModule::restorePreviousConfiguration(QWidget *reportTo)
{
    m_serviceMessage->hide();
    stopWatchConfigs();
    const bool restored = m_configAccessService->restorePrevious();
    QStringList files = m_configAccessService->getActionResult(QString::fromLatin1(ActionIds::RestoredKey)).toStringList();
    for (QString &file : files) {
        file = SystemPaths::resolve(file);
    }
    const QString error = AccessService::presentable(m_configAccessService->errorString());
    if (restored) {
        m_sngRequest = SngRequest::None;
        m_loggingService->restart();
        load_p();
        m_commonSettingsWindow->loadConfig();
    }
    startWatchConfigs();

    const QString title = restored ? i18n("The previous configuration was restored.") : i18n("The previous configuration could not be restored.");
    const QString details = restored ? i18n("Files put back as they were before the last apply:\n%1", files.join(QLatin1Char('\n'))) : error;
    if (reportTo) {
        if (restored) {
            QMessageBox::information(reportTo, i18n("Restore previous configuration"), title + QLatin1Char('\n') + details);
        } else {
            QMessageBox::critical(reportTo, i18n("Restore previous configuration"), title + QLatin1Char('\n') + details);
        }
        return;
    }
    showServiceMessage(titled(title, details));
    if (restored) {
        m_serviceMessage->setMessageType(KMessageWidget::Positive);
    }
}

std::expected<bool, QString> AdminEventsModule::saveAuditSettings()
{
    return m_auditSettings->saveAuditSettings();
}

void AdminEventsModule::fileArrayAccepted(QVariant value)
{
    QTreeView *view = ui->singleEventsView;
    if (!view->selectionModel()->hasSelection()) {
        return;
    }
    // The value of the current row, whichever of its cells is current.
    const QModelIndex current = view->currentIndex().siblingAtColumn(1);
    if (!current.isValid() || !m_proxyModel->setData(current, value, Qt::EditRole)) {
        return;
    }
    const QModelIndex rules = current.data(CheckableTreeModel::AuditRulesIndexRole).toModelIndex();
    if (rules.isValid()) {
        m_workingModel->setAuditFileRules(rules, value);
    }
}

void AdminEventsModule::directoriesAccepted(QList<QVariant> values)
{
    QTreeView *view = ui->singleEventsView;
    if (!view->selectionModel()->hasSelection() || values.size() < 2) {
        return;
    }
    const QModelIndex current = view->currentIndex();
    if (!current.isValid()) {
        return;
    }
    m_proxyModel->setData(current.siblingAtColumn(1), values.at(0), Qt::EditRole);
    m_proxyModel->setData(current.siblingAtColumn(2), values.at(1), Qt::EditRole);
}

void AdminEventsModule::auditSettingsAccepted(QList<QVariant> values)
{
    AuditSettingsController::acceptTable(ui->singleEventsView, values);
}

void AdminEventsModule::dataChanged()
{
    m_auditSettings->checkAuditSettings(m_workingModel->rootItem());
    // A notification switched off and on again shows the state it was loaded
    // with, but its new settings still wait to be written.
    const bool notificationsPending = !m_enabledNotifications.empty() || !m_disabledNotifications.empty();
    Q_EMIT changed(!compareModels() || notificationsPending);
}

// ---------------------------------------------------------------------------
// Comparison with the tree as loaded

bool AdminEventsModule::compareModels() const
{
    const int rows = m_referenceModel->rowCount();
    const int columns = m_referenceModel->columnCount();
    if (rows != m_workingModel->rowCount() || columns != m_workingModel->columnCount()) {
        return false;
    }
    if (rows < 1 || columns < 1) {
        return true;
    }
    bool equal = true;
    for (int row = 0; row < rows; ++row) {
        for (int column = 0; column < columns; ++column) {
            // Every cell is visited: the comparison marks what is written.
            if (!compareIndexes(m_referenceModel->index(row, column), m_workingModel->index(row, column))) {
                equal = false;
            }
        }
    }
    return equal;
}

bool AdminEventsModule::compareIndexes(const QModelIndex &reference, const QModelIndex &working) const
{
    if (!reference.isValid() || !working.isValid()) {
        return reference.isValid() == working.isValid();
    }
    const QVariant referenceDisplay = reference.data(Qt::DisplayRole);
    const QVariant workingDisplay = working.data(Qt::DisplayRole);
    bool differ;
    if (!referenceDisplay.isValid()) {
        differ = !workingDisplay.toString().isEmpty();
    } else {
        differ = referenceDisplay != workingDisplay || reference.data(Qt::CheckStateRole) != working.data(Qt::CheckStateRole);
    }

    auto *item = static_cast<EventTreeItem *>(working.internalPointer());
    const auto *referenceItem = static_cast<const EventTreeItem *>(reference.internalPointer());
    if (differ) {
        markChanged(item);
    } else if (referenceItem->notificationState != item->notificationState) {
        item->overridden = true;
        differ = true;
    }

    const QAbstractItemModel *referenceModel = reference.model();
    const QAbstractItemModel *workingModel = working.model();
    const int rows = referenceModel->rowCount(reference);
    const int columns = referenceModel->columnCount(reference);
    if (rows < 1) {
        return !differ;
    }
    bool equal = !differ;
    const int workingRows = workingModel->rowCount(working);
    const int workingColumns = workingModel->columnCount(working);
    if (rows != workingRows || columns != workingColumns) {
        equal = false;
    }
    // Only the cells both trees have are compared.
    const int commonRows = std::min(rows, workingRows);
    const int commonColumns = std::min(columns, workingColumns);
    for (int row = 0; row < commonRows; ++row) {
        for (int column = 0; column < commonColumns; ++column) {
            if (!compareIndexes(referenceModel->index(row, column, reference), workingModel->index(row, column, working))) {
                equal = false;
            }
        }
    }
    return equal;
}

// ---------------------------------------------------------------------------
// Watching the configuration

void AdminEventsModule::startWatchConfigs()
{
    if (!m_configWatcher) {
        m_configWatcher = new QFileSystemWatcher(this);
        m_configWatcher->addPath(SystemPaths::resolve(SystemPaths::EventSettingsDir));
    } else {
        // Notifications of our own writes since stopWatchConfigs() are still
        // queued; let them pass while nothing listens.
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }
    watchSettingsFile();
    connect(m_configWatcher, &QFileSystemWatcher::fileChanged, this, &AdminEventsModule::configsChanged, Qt::UniqueConnection);
    connect(m_configWatcher, &QFileSystemWatcher::directoryChanged, this, &AdminEventsModule::configsChanged, Qt::UniqueConnection);
}

void AdminEventsModule::watchSettingsFile()
{
    // The helper replaces the file (a new file renamed over the old one), and
    // the watcher loses a file that is replaced: add it again whenever it is
    // there and not watched.
    const QString settingsFile = SystemPaths::resolve(SystemPaths::EventSettingsFile);
    if (QFileInfo::exists(settingsFile) && !m_configWatcher->files().contains(settingsFile)) {
        m_configWatcher->addPath(settingsFile);
    }
}

void AdminEventsModule::stopWatchConfigs()
{
    if (!m_configWatcher) {
        return;
    }
    disconnect(m_configWatcher, &QFileSystemWatcher::fileChanged, this, &AdminEventsModule::configsChanged);
    disconnect(m_configWatcher, &QFileSystemWatcher::directoryChanged, this, &AdminEventsModule::configsChanged);
}

void AdminEventsModule::configsChanged(const QString &path)
{
    Q_UNUSED(path)
    if (m_reloading) {
        return;
    }
    if (m_unsaved) {
        // The administrator decides whether the edits go.
        m_configChangedMessage->show();
    } else {
        m_reloading = true;
        load_p();
        m_reloading = false;
    }
    // Another program may have replaced the file as the helper does.
    if (m_configWatcher) {
        watchSettingsFile();
    }
}

// ---------------------------------------------------------------------------
// Keys

bool AdminEventsModule::eventFilter(QObject *watched, QEvent *event)
{
    QTreeView *view = ui->singleEventsView;
    // An open editor gets its keys itself; these reach the view only when it
    // has the focus.
    if (watched == view && event->type() == QEvent::KeyPress) {
        switch (static_cast<QKeyEvent *>(event)->key()) {
        case Qt::Key_F2:
        case Qt::Key_Return:
        case Qt::Key_Enter:
            editCurrentValue();
            return true;
        default:
            break;
        }
    }
    return KCMGS::GuardKCModule::eventFilter(watched, event);
}

void AdminEventsModule::editCurrentValue()
{
    // The value of the current row, whichever of its cells is current.
    const QModelIndex value = ui->singleEventsView->currentIndex().siblingAtColumn(1);
    if (!value.isValid()) {
        return;
    }
    if (valueEditorFor(value) != ValueEditor::None) {
        editEvent(value);
    } else {
        ui->singleEventsView->edit(value);
    }
}

void AdminEventsModule::keyPressEvent(QKeyEvent *event)
{
    if (event->key() != Qt::Key_Return && event->key() != Qt::Key_Enter) {
        KCMGS::GuardKCModule::keyPressEvent(event);
        return;
    }
    const QWidget *focus = QApplication::focusWidget();
    if (m_eventFinder && (m_eventFinder->hasFocus() || m_eventFinder->isAncestorOf(focus))) {
        return;
    }
    if (ui->sngStartStopButton->hasFocus()) {
        Q_EMIT ui->sngStartStopButton->clicked();
    } else if (ui->commonSettingsButton->hasFocus()) {
        Q_EMIT ui->commonSettingsButton->clicked();
    }
}

void AdminEventsModule::keyReleaseEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Up:
    case Qt::Key_Right:
    case Qt::Key_Down:
        editSelection(ui->singleEventsView->currentIndex());
        break;
    default:
        break;
    }
    KCMGS::GuardKCModule::keyReleaseEvent(event);
}

// ---------------------------------------------------------------------------
// The view and its actions

QSize AdminEventsModule::sizeHint() const
{
    return KCMGS::GuardKCModule::sizeHint().expandedTo(QSize(860, 520));
}

void AdminEventsModule::createEditor()
{
    m_commonSettingsWindow = new CommonSettingsWindow(this);
    m_commonSettingsWindow->setWindowTitle(i18n("Common parameters"));
    // An import replaces the whole configuration under the module.
    connect(m_commonSettingsWindow, &CommonSettingsWindow::configurationImported, this, [this] {
        m_loggingService->restart();
        load_p();
        changed(false);
    });
    connect(m_commonSettingsWindow, &CommonSettingsWindow::restorePreviousRequested, this, [this] {
        restorePreviousConfiguration(m_commonSettingsWindow);
    });
}

void AdminEventsModule::createToolButtons()
{
    ui->commonSettingsButton->setIcon(QIcon::fromTheme(QStringLiteral("gear")));
    ui->commonSettingsButton->setText(i18n("Settings"));
    ui->commonSettingsButton->setStyleSheet(ButtonStyle);
    connect(ui->commonSettingsButton, &QPushButton::clicked, m_commonSettingsWindow, &CommonSettingsWindow::openDestinationSettings);
    ui->sngStartStopButton->setStyleSheet(ButtonStyle);
    switchSngStatus();
    ui->showChangesButton->setIcon(QIcon::fromTheme(QStringLiteral("document-preview")));
    ui->showChangesButton->setText(i18n("Show changes"));
    ui->showChangesButton->setToolTip(i18n("Every file Apply is about to write, replace or remove, against what is on disk now"));
    ui->showChangesButton->setStyleSheet(ButtonStyle);
    ui->showChangesButton->setEnabled(false);
    connect(ui->showChangesButton, &QPushButton::clicked, this, &AdminEventsModule::showChanges);
}

void AdminEventsModule::createView()
{
    m_referenceModel = new CheckableTreeModel(m_eventConfigStorage, this);
    m_referenceModel->setObjectName(QStringLiteral("referenceModel"));
    m_workingModel = new CheckableTreeModel(m_eventConfigStorage, this);
    m_workingModel->setObjectName(QStringLiteral("workingModel"));

    m_proxyModel = new EventsProxyModel(this);
    m_proxyModel->setFilterRole(CheckableTreeModel::VisibleRole);
    m_proxyModel->setSourceModel(m_workingModel);

    QTreeView *view = ui->singleEventsView;
    view->setModel(m_proxyModel);
    // Typed values get editors that fit them; the view owns the delegate.
    new ValueDelegate(view);
    // The names column fits the rows on screen: measuring every row of a
    // large catalogue on each keystroke of the search would make typing lag.
    view->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    view->header()->setResizeContentsPrecision(0);
    view->setAlternatingRowColors(true);

    connect(view, &QTreeView::clicked, this, &AdminEventsModule::editSelection);
    connect(view, &QTreeView::doubleClicked, this, &AdminEventsModule::editEvent);

    // The proxy passes the change on to the view; a check click changes rows
    // beyond the clicked one, so the whole viewport is repainted.
    connect(m_workingModel, &CheckableTreeModel::dataChanged, view->viewport(), qOverload<>(&QWidget::update));
    connect(m_workingModel, &CheckableTreeModel::modelReset, this, &AdminEventsModule::expandSeView);
    connect(m_workingModel, &CheckableTreeModel::dataChanged, this, &AdminEventsModule::dataChanged);
    connect(m_workingModel, &CheckableTreeModel::notificationChanged, this, &AdminEventsModule::dataChanged);

    view->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(view, &QTreeView::customContextMenuRequested, this, &AdminEventsModule::contextMenuRequested);
    view->installEventFilter(this);

    auto *toolTipper = new ToolTipper(view);
    view->viewport()->installEventFilter(toolTipper);
}

void AdminEventsModule::createSearch()
{
    m_eventFinder = new EventFinder(ui->singleEventsView, m_workingModel, m_proxyModel);
    ui->searchLayout->addWidget(m_eventFinder);
    ui->searchLayout->addStretch();
}

void AdminEventsModule::expandSeView() const
{
    ui->singleEventsView->expandToDepth(0);
}

QString AdminEventsModule::pathOf(const QModelIndex &index) const
{
    QStringList names;
    for (QModelIndex source = m_proxyModel->mapToSource(index.siblingAtColumn(0)); source.isValid(); source = source.parent()) {
        names.prepend(static_cast<const EventTreeItem *>(source.internalPointer())->nativeName);
    }
    return names.join(PathSeparator);
}

AdminEventsModule::ViewState AdminEventsModule::viewState() const
{
    ViewState state;
    const QTreeView *view = ui->singleEventsView;
    QList<QModelIndex> open{QModelIndex()};
    while (!open.isEmpty()) {
        const QModelIndex parent = open.takeLast();
        for (int row = 0; row < m_proxyModel->rowCount(parent); ++row) {
            const QModelIndex index = m_proxyModel->index(row, 0, parent);
            if (view->isExpanded(index)) {
                state.expanded.insert(pathOf(index));
                open.append(index);
            }
        }
    }
    const QModelIndex current = view->currentIndex();
    if (current.isValid()) {
        state.current = pathOf(current);
        state.currentColumn = current.column();
    }
    // The search selects a match without making it current.
    const QModelIndexList selected = view->selectionModel()->selectedIndexes();
    if (!selected.isEmpty()) {
        state.selected = pathOf(selected.first());
    }
    return state;
}

void AdminEventsModule::restoreViewState(const ViewState &state)
{
    // A first load keeps the groups open, as a reset of the model leaves them.
    if (state.expanded.isEmpty() && state.current.isEmpty()) {
        return;
    }
    FoundRows found;
    restoreExpansion(QModelIndex(), state, found);
    QTreeView *view = ui->singleEventsView;
    if (found.current.isValid()) {
        view->selectionModel()->setCurrentIndex(found.current.siblingAtColumn(state.currentColumn), QItemSelectionModel::NoUpdate);
    }
    if (found.selected.isValid()) {
        // The row's name and value, as a click selects them.
        editSelection(found.selected);
        view->scrollTo(found.selected);
    } else {
        view->selectionModel()->clearSelection();
    }
}

void AdminEventsModule::restoreExpansion(const QModelIndex &parent, const ViewState &state, FoundRows &found)
{
    QTreeView *view = ui->singleEventsView;
    for (int row = 0; row < m_proxyModel->rowCount(parent); ++row) {
        const QModelIndex index = m_proxyModel->index(row, 0, parent);
        const QString path = pathOf(index);
        if (path == state.current) {
            found.current = index;
        }
        if (path == state.selected) {
            found.selected = index;
        }
        const bool expanded = state.expanded.contains(path);
        view->setExpanded(index, expanded);
        // The rows sought lie below open rows, or are lost.
        if (expanded) {
            restoreExpansion(index, state, found);
        }
    }
}

void AdminEventsModule::editSelection(const QModelIndex &index)
{
    if (!index.isValid()) {
        return;
    }
    const QModelIndex value = index.siblingAtColumn(1);
    if (!value.isValid()) {
        return;
    }
    QItemSelectionModel *selection = ui->singleEventsView->selectionModel();
    selection->clearSelection();
    selection->select(value, QItemSelectionModel::Select);
    selection->select(index, QItemSelectionModel::Select);
}

AdminEventsModule::ValueEditor AdminEventsModule::valueEditorFor(const QModelIndex &index) const
{
    if (!index.isValid() || index.column() != 1) {
        return ValueEditor::None;
    }
    const QModelIndex name = index.siblingAtColumn(0);
    const auto has = [&name](int role) {
        return name.data(role).toInt() != 0;
    };
    if (has(CheckableTreeModel::FileArrayRole)) {
        return ValueEditor::FileList;
    }
    if (has(CheckableTreeModel::DirectoryArrayRole)) {
        return ValueEditor::DirectoryList;
    }
    if (has(CheckableTreeModel::DirectoriesRole)) {
        return ValueEditor::Directories;
    }
    if (has(CheckableTreeModel::UsersRole)) {
        return ValueEditor::Users;
    }
    if (has(CheckableTreeModel::GroupsRole)) {
        return ValueEditor::Groups;
    }
    return ValueEditor::None;
}

void AdminEventsModule::editEvent(const QModelIndex &index)
{
    const QString name = index.siblingAtColumn(0).data(Qt::DisplayRole).toString();
    switch (valueEditorFor(index)) {
    case ValueEditor::FileList:
    case ValueEditor::DirectoryList:
        m_filesDialog->setWindowTitle(name);
        m_filesDialog->setDialogType(valueEditorFor(index) == ValueEditor::FileList ? FilesDialog::Files : FilesDialog::Directories);
        m_filesDialog->setData(index.data(Qt::DisplayRole));
        m_filesDialog->show();
        break;
    case ValueEditor::Directories:
        m_diskSpaceMonDialog->setWindowTitle(name);
        m_diskSpaceMonDialog->setData(index.siblingAtColumn(2).data(Qt::DisplayRole).toString());
        m_diskSpaceMonDialog->show();
        break;
    case ValueEditor::Users:
        AuditSettingsController::editTable(m_auditDialog, index, AuditDialog::Users);
        break;
    case ValueEditor::Groups:
        AuditSettingsController::editTable(m_auditDialog, index, AuditDialog::Groups);
        break;
    case ValueEditor::None:
        // Plain values are edited inline (double click).
        break;
    }
}

EventTreeItem *AdminEventsModule::findEvent(const QString &eventId) const
{
    EventTreeItem *root = m_workingModel->rootItem();
    EventTreeItem *found = root ? root->findChildByNativeName(eventId) : nullptr;
    return found && found->kind == EventTreeItem::Event ? found : nullptr;
}

EventTreeItem *AdminEventsModule::selectedItem() const
{
    const QModelIndexList selected = ui->singleEventsView->selectionModel()->selectedIndexes();
    if (selected.isEmpty()) {
        return nullptr;
    }
    // The row's own item, not a look-up by the shown text: two events of
    // different groups may have the same name.
    const QModelIndex source = m_proxyModel->mapToSource(selected.first().siblingAtColumn(0));
    return source.isValid() ? static_cast<EventTreeItem *>(source.internalPointer()) : nullptr;
}

void AdminEventsModule::contextMenuRequested(QPoint pos)
{
    QTreeView *view = ui->singleEventsView;
    auto *menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);

    auto *collapse = new QAction(QIcon::fromTheme(QStringLiteral("draw-arrow-up")), i18n("Collapse all"), menu);
    connect(collapse, &QAction::triggered, view, &QTreeView::collapseAll);
    menu->addAction(collapse);
    auto *expand = new QAction(QIcon::fromTheme(QStringLiteral("draw-arrow-down")), i18n("Expand all"), menu);
    connect(expand, &QAction::triggered, this, &AdminEventsModule::expandSeView);
    menu->addAction(expand);

    // Loads the notification dictionary that the entries below rely on.
    getSelectedMessageId();
    EventTreeItem *item = selectedItem();
    if (item && item->kind == EventTreeItem::Event) {
        auto *settings = new QAction(QIcon::fromTheme(QStringLiteral("dialog-warning")), i18n("Notification settings"), menu);
        connect(settings, &QAction::triggered, this, [this, eventId = item->nativeName]() {
            if (EventTreeItem *event = findEvent(eventId)) {
                notificationSettings(event);
            }
        });
        auto *example = new QAction(QIcon::fromTheme(QStringLiteral("document-edit")), i18n("Show example of an event"), menu);
        connect(example, &QAction::triggered, m_eventExample, &EventExample::showExample);
        menu->addAction(example);
        auto *reset = new QAction(QIcon::fromTheme(QStringLiteral("edit-reset")), i18n("Reset to the default state"), menu);
        // A reload while the menu is open replaces the tree: find the event
        // again when the entry is chosen.
        connect(reset, &QAction::triggered, this, [this, eventId = item->nativeName]() {
            resetEvent(findEvent(eventId));
        });
        menu->addAction(reset);
        m_eventExample->prepareExample(item);

        if (!item->notRedirected && item->findChildByNativeName(QStringLiteral("message_id"))) {
            const bool on = item->isNotificationOn();
            auto *switchAction = on ? new QAction(QIcon::fromTheme(QStringLiteral("dialog-cancel")), i18n("Disable notifications sending"), menu)
                                    : new QAction(QIcon::fromTheme(QStringLiteral("legalmoves")), i18n("Enable notifications sending"), menu);
            connect(switchAction, &QAction::triggered, this, [this, eventId = item->nativeName, on]() {
                if (EventTreeItem *event = findEvent(eventId)) {
                    switchDbus(event, !on);
                }
            });
            menu->addAction(switchAction);
            // Settings exist only for an event that notifies.
            settings->setEnabled(on);
            menu->addAction(settings);
        }
    }
    menu->popup(view->viewport()->mapToGlobal(pos));
}

void AdminEventsModule::resetEvent(EventTreeItem *event)
{
    if (!event) {
        return;
    }
    const SingleEventsParser parser;
    const std::unique_ptr<EventTreeItem> defaults(parser.createEventItem(event->nativeName, SingleEventsParser::DefaultEvent, nullptr));
    if (!defaults) {
        return;
    }
    for (int row = 0; row < event->childCount(); ++row) {
        EventTreeItem *child = eventItem(event->child(row));
        if (const EventTreeItem *fresh = defaults->findChildTopLevelByNativeName(child->nativeName)) {
            copyDefaults(child, fresh);
        }
    }
    dataChanged();
    ui->singleEventsView->viewport()->update();
}

void AdminEventsModule::copyDefaults(EventTreeItem *target, const EventTreeItem *defaults)
{
    if (target->childCount() == 0) {
        target->setData(1, defaults->data(1));
        target->setData(2, defaults->data(2));
        const QString value = target->data(1).toString();
        const auto switchState = [&value](int current) {
            if (value == QLatin1String("1")) {
                return static_cast<int>(Qt::Checked);
            }
            if (value == QLatin1String("0")) {
                return static_cast<int>(Qt::Unchecked);
            }
            return current;
        };
        if (target->nativeName == QLatin1String("enabled")) {
            if (EventTreeItem *owner = target->parentItem()) {
                owner->checkState = switchState(owner->checkState);
            }
        } else if (target->nativeName == QLatin1String("fail") || target->nativeName == QLatin1String("succ")) {
            target->checkState = switchState(target->checkState);
        }
        return;
    }
    for (int row = 0; row < target->childCount(); ++row) {
        EventTreeItem *child = eventItem(target->child(row));
        if (const EventTreeItem *fresh = defaults->findChildTopLevelByNativeName(child->nativeName)) {
            copyDefaults(child, fresh);
        }
    }
}

// ---------------------------------------------------------------------------
// Notifications

namespace
{
// The message id of an event, or an empty string without one.
QString messageIdOf(const EventTreeItem *event)
{
    const EventTreeItem *node = event ? event->findChildByNativeName(QStringLiteral("message_id")) : nullptr;
    return node ? node->data(1).toString() : QString();
}

QModelIndex sourceIndexOf(const CheckableTreeModel *model, const EventTreeItem *item)
{
    if (!item || item == model->rootItem() || !item->parentItem()) {
        return {};
    }
    return model->index(item->row(), 0, sourceIndexOf(model, item->parentItem()));
}
}

const AdminEventsModule::NotificationLines &AdminEventsModule::readNotifications() const
{
    return m_readNotifications;
}

const AdminEventsModule::NotificationLines &AdminEventsModule::enabledNotifications() const
{
    return m_enabledNotifications;
}

const AdminEventsModule::NotificationPaths &AdminEventsModule::disabledNotifications() const
{
    return m_disabledNotifications;
}

void AdminEventsModule::createDbusDialog()
{
    m_dbusDialog = new DBusDialog(*m_configAccessService, *m_loggingService, this);
    m_dbusDialog->setWindowTitle(i18n("Notifications sending"));
    connect(m_dbusDialog, &DBusDialog::notificationOn, this, &AdminEventsModule::setNotificationOn);
}

void AdminEventsModule::readNotificationsSettings()
{
    m_readNotifications.clear();
    const QDir dir(SystemPaths::resolve(SystemPaths::SyslogNgConfDir), QStringLiteral("mod-tarn-*"), QDir::Unsorted, QDir::Files);
    const QStringList names = dir.entryList();
    for (const QString &name : names) {
        QFile file(dir.filePath(name));
        // One file that cannot be read costs only its own event's lines.
        if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
            continue;
        }
        QTextStream stream(&file);
        stream.setCodec("UTF-8");
        QStringList lines;
        while (!stream.atEnd()) {
            lines << stream.readLine();
        }
        QString key = name;
        key.remove(QStringLiteral("mod-tarn-")).remove(QStringLiteral(".conf"));
        m_readNotifications[NotificationIds::tableKey(key)] = lines;
    }
}

void AdminEventsModule::setNotificationState(EventTreeItem *item, EventTreeItem::NotificationState state)
{
    const QModelIndex index = sourceIndexOf(m_workingModel, item);
    if (index.isValid()) {
        m_workingModel->setData(index, QVariant::fromValue(state), Qt::DecorationRole);
    }
}

void AdminEventsModule::setNotificationOn(const QString &fileId, const QString &eventName, const QStringList &lines, NotificationsDialogType type)
{
    const QModelIndexList found = m_proxyModel->match(m_proxyModel->index(0, 0), Qt::DisplayRole, eventName, -1, Qt::MatchRecursive);

    const QString key = NotificationIds::tableKey(fileId);
    m_disabledNotifications.erase(key);
    m_readNotifications.erase(key);
    m_enabledNotifications[key] = lines;

    if (found.isEmpty()) {
        return;
    }
    switch (type) {
    case EnableNotifications:
        m_proxyModel->setData(found.first(), QVariant::fromValue(EventTreeItem::NotificationOn), Qt::DecorationRole);
        break;
    case NotificationSettings:
        m_proxyModel->setData(found.first(), QVariant::fromValue(EventTreeItem::NotificationOnConfigured), Qt::DecorationRole);
        break;
    }
}

void AdminEventsModule::switchDbus(EventTreeItem *item, bool on)
{
    if (!item || !item->findChildByNativeName(QStringLiteral("message_id"))) {
        return;
    }
    if (on) {
        // Recorded when the dialog is accepted, by setNotificationOn().
        m_dbusDialog->setDialogType(EnableNotifications);
        m_dbusDialog->setEvent(item);
        m_dbusDialog->show();
        return;
    }
    const QString messageId = messageIdOf(item);
    const QString key = NotificationIds::tableKey(messageId);
    m_readNotifications.erase(key);
    m_enabledNotifications.erase(key);
    m_disabledNotifications[key] = SystemPaths::notificationDestinationFile(NotificationIds::fileId(messageId));
    setNotificationState(item, EventTreeItem::NotificationOff);
}

void AdminEventsModule::notificationSettings(EventTreeItem *item)
{
    if (!item || !item->findChildByNativeName(QStringLiteral("message_id"))) {
        return;
    }
    const QString messageId = messageIdOf(item);
    const QString eventId = NotificationIds::eventId(messageId);
    // Loaded on first use, whoever asks first.
    NotificationsDictionary &dictionary = NotificationsDictionary::Instance();
    dictionary.init();
    if (!dictionary.contains(eventId)) {
        Gui::Utils::confirmAboutBrokenNotifyConfig(this, eventId);
        return;
    }
    const QString key = NotificationIds::tableKey(messageId);
    QStringList lines;
    if (const auto read = m_readNotifications.find(key); read != m_readNotifications.end()) {
        lines = read->second;
    } else if (const auto enabled = m_enabledNotifications.find(key); enabled != m_enabledNotifications.end()) {
        lines = enabled->second;
    }
    m_dbusDialog->setParams(eventId, NotificationIds::userRcPath(dictionary.applicationName(eventId)), lines);
    m_dbusDialog->setDialogType(NotificationSettings);
    m_dbusDialog->setEvent(item);
    m_dbusDialog->show();
}

void AdminEventsModule::notificationSettingsFromViewer(const QString &name, const QString &action)
{
    NotificationsDictionary::Instance().init();
    EventTreeItem *root = m_workingModel->rootItem();
    if (!root) {
        return;
    }
    auto *node = static_cast<EventTreeItem *>(root->findChild(QString(name).replace(QLatin1Char('_'), QLatin1Char(' ')), 0));
    if (!node || !node->findChildByNativeName(QStringLiteral("message_id"))) {
        return;
    }
    if (action == QLatin1String("notify")) {
        notificationSettings(node);
    } else if (action == QLatin1String("enableNotifications")) {
        switchDbus(node, true);
    }
}

QString AdminEventsModule::getSelectedMessageId() const
{
    if (!ui->singleEventsView->selectionModel()->hasSelection() || !NotificationsDictionary::Instance().init()) {
        return {};
    }
    const EventTreeItem *item = selectedItem();
    if (!item || item->kind != EventTreeItem::Event) {
        return {};
    }
    return NotificationIds::eventId(item->nativeName);
}

std::expected<void, QString> AdminEventsModule::removeDisabledNotificationsConfigs()
{
    if (m_disabledNotifications.empty()) {
        return {};
    }
    QStringList paths;
    for (const auto &[key, path] : m_disabledNotifications) {
        paths << path;
    }
    if (!m_configAccessService->removeNotificationConfigs(paths)) {
        return std::unexpected(i18n("The notifications switched off: %1", m_configAccessService->errorString()));
    }
    return {};
}

QVariantHash AdminEventsModule::enabledNotificationFiles() const
{
    QVariantHash notifications;
    for (const auto &[key, lines] : m_enabledNotifications) {
        QByteArray content;
        QTextStream stream(&content, QIODevice::WriteOnly);
        stream.setCodec("UTF-8");
        for (const QString &line : lines) {
            stream << line << '\n';
        }
        stream.flush();
        notifications.insert(SystemPaths::notificationDestinationFile(NotificationIds::fileId(key)), content);
    }
    return notifications;
}

std::expected<void, QString> AdminEventsModule::writeEnabledNotificationsConfigs()
{
    if (m_enabledNotifications.empty()) {
        return {};
    }
    if (!m_configAccessService->writeNotificationConfigs(enabledNotificationFiles())) {
        return std::unexpected(i18n("The notifications switched on or changed: %1", m_configAccessService->errorString()));
    }
    return {};
}

void AdminEventsModule::notificationsUpdated() const
{
    QFile rcFile(SystemPaths::resolve(SystemPaths::RootNotifyrcFile));
    if (!rcFile.exists() || !Core::Utils::makeNotifyrcForUsers(SystemPaths::resolve(SystemPaths::HomeRoot), rcFile)) {
        return;
    }
    if (Gui::Utils::confirmAboutReboot(i18n("The notification settings will take effect only after the system is rebooted."))) {
        Core::Utils::rebootSystem();
    }
}

// ---------------------------------------------------------------------------
// Logging service status

void AdminEventsModule::switchSngStatus()
{
    SngHandler &handler = SngHandler::Instance();
    const bool running = handler.getStatus();
    if (m_accessed && running == m_sngStatus) {
        return;
    }
    m_sngStatus = running;
    setSngAction(running);
    ui->sngStatusLabel->setToolTip(handler.toolTip);
}

void AdminEventsModule::setSngAction(bool running) const
{
    QPushButton *button = ui->sngStartStopButton;
    auto *self = const_cast<AdminEventsModule *>(this);
    if (running) {
        ui->sngStatusLabel->setText(i18n("Logging service is running."));
        button->setIcon(QIcon::fromTheme(QStringLiteral("media-playback-stop")));
        button->setText(i18n("Stop logging service"));
        disconnect(button, &QPushButton::clicked, self, &AdminEventsModule::startSyslogNg);
        connect(button, &QPushButton::clicked, self, &AdminEventsModule::stopSyslogNg, Qt::UniqueConnection);
    } else {
        ui->sngStatusLabel->setText(i18n("Logging service stopped."));
        button->setIcon(QIcon::fromTheme(QStringLiteral("media-playback-start")));
        button->setText(i18n("Start logging service"));
        disconnect(button, &QPushButton::clicked, self, &AdminEventsModule::stopSyslogNg);
        connect(button, &QPushButton::clicked, self, &AdminEventsModule::startSyslogNg, Qt::UniqueConnection);
    }
    button->setEnabled(true);
}

void AdminEventsModule::startSyslogNg()
{
    ui->sngStartStopButton->setEnabled(false);
    m_serviceMessage->hide();
    m_sngRequest = SngRequest::Start;
    m_loggingService->start();
}

void AdminEventsModule::stopSyslogNg()
{
    ui->sngStartStopButton->setEnabled(false);
    m_serviceMessage->hide();
    m_sngRequest = SngRequest::Stop;
    m_loggingService->stop();
}

void AdminEventsModule::sngCommandFinished()
{
    const SngRequest request = std::exchange(m_sngRequest, SngRequest::None);
    switchSngStatus();
    if (request == SngRequest::None || request == SngRequest::ApplyRestart) {
        return;
    }
    // The helper ran the command, but the services may still not be in the
    // state asked for (one of them failed to start, or was started again).
    if (m_sngStatus != (request == SngRequest::Start)) {
        const QString details = SngHandler::Instance().toolTip;
        showServiceMessage(m_sngStatus ? i18n("The logging service is still running (%1).", details)
                                       : i18n("The logging service is still stopped (%1).", details));
        ui->sngStartStopButton->setEnabled(true);
    }
}

void AdminEventsModule::sngCommandFailed(const QString &message)
{
    switch (std::exchange(m_sngRequest, SngRequest::None)) {
    case SngRequest::Start:
        showServiceMessage(titled(i18n("The logging service could not be started."), message));
        break;
    case SngRequest::Stop:
        showServiceMessage(titled(i18n("The logging service could not be stopped."), message));
        break;
    case SngRequest::None:
        showServiceMessage(titled(i18n("The logging service could not be restarted."), message));
        break;
    case SngRequest::ApplyRestart:
        showServiceMessage(
            titled(i18n("The logging service could not be restarted with the changes just applied."),
                   message + QLatin1Char('\n') + i18n("Restoring the previous configuration puts back the files as they were before this apply.")),
            true);
        break;
    }
    ui->sngStartStopButton->setEnabled(true);
}

void AdminEventsModule::showServiceMessage(const QString &text, bool offerRestore)
{
    m_serviceMessage->setMessageType(KMessageWidget::Error);
    m_serviceMessage->removeAction(m_restoreAction);
    if (offerRestore) {
        m_serviceMessage->addAction(m_restoreAction);
    }
    m_serviceMessage->setText(text);
    m_serviceMessage->show();
}
