/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "destinationssettings.h"
#include "ui_destinationssettings.h"

#include "adddestinationdialog.h"
#include "commonsettingsparser.h"
#include "commonwriter.h"
#include "configaccessservice.h"
#include "coreutils.h"
#include "destinationsdictionary.h"
#include "destinationsmodel.h"
#include "fileeditor.h"
#include "loggingservice.h"
#include "systempaths.h"
#include "treeitem.h"

#include <KLocalizedString>
#include <KMessageWidget>

#include <QAction>
#include <QFileInfo>
#include <QHeaderView>
#include <QIcon>
#include <QMenu>
#include <QRegularExpression>

#include <algorithm>

namespace
{
// The destination of the event log itself.
const QString ProtectedDestination = QStringLiteral("tarn_json_dst");
const QString NetworkDriver = QStringLiteral("network");
}

DestinationsSettings::DestinationsSettings(QWidget *parent)
    : DestinationsSettings(new ConfigAccessService(nullptr), new LoggingService(nullptr), parent)
{
}

DestinationsSettings::DestinationsSettings(ConfigAccessService *config, LoggingService *logging, QWidget *parent)
    : QWidget(parent)
    , ui(new Ui::DestinationsSettings)
    , m_config(config)
    , m_logging(logging)
{
    ui->setupUi(this);
    m_config->setParent(this);
    m_logging->setParent(this);

    m_notice = new KMessageWidget(this);
    m_notice->setMessageType(KMessageWidget::Warning);
    m_notice->setCloseButtonVisible(false);
    m_notice->setWordWrap(true);
    auto *openAction = new QAction(QIcon::fromTheme(QStringLiteral("document-edit")), i18n("Open in editor"), m_notice);
    connect(openAction, &QAction::triggered, this, &DestinationsSettings::openEditor);
    m_notice->addAction(openAction);
    m_notice->hide();
    ui->verticalLayout->insertWidget(0, m_notice);

    // Editors.
    m_addDialog = new AddDestinationDialog(this);
    m_addDialog->setWindowTitle(i18n("Destination adding"));
    connect(m_addDialog, &AddDestinationDialog::newDestCreated, this, &DestinationsSettings::insertNewDest);
    m_fileEditor = new FileEditor(configFile(), this);
    m_fileEditor->setWindowTitle(i18n("Events settings file"));
    m_fileEditor->setServices(m_config, m_logging);
    connect(m_fileEditor, &QDialog::accepted, this, &DestinationsSettings::loadConfig);

    // View.
    m_model = new DestinationsModel(this);
    QTableView *view = ui->destinationsView;
    view->setModel(m_model);
    view->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    view->horizontalHeader()->setStretchLastSection(true);
    view->verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    connect(view, &QWidget::customContextMenuRequested, this, &DestinationsSettings::contextMenuRequested);
    connect(view->selectionModel(), &QItemSelectionModel::selectionChanged, this, &DestinationsSettings::selectionChanged);

    // Tool buttons.
    ui->addButton->setIcon(QIcon::fromTheme(QStringLiteral("list-add")));
    ui->addButton->setToolTip(i18n("Add new destination"));
    connect(ui->addButton, &QToolButton::clicked, m_addDialog, &QDialog::show);
    ui->removeButton->setIcon(QIcon::fromTheme(QStringLiteral("list-remove")));
    ui->removeButton->setToolTip(i18n("Remove selected destination"));
    connect(ui->removeButton, &QToolButton::clicked, this, &DestinationsSettings::removeSelectedDestination);
    selectionChanged();
}

DestinationsSettings::~DestinationsSettings()
{
    delete ui;
}

QString DestinationsSettings::configFile() const
{
    return SystemPaths::resolve(SystemPaths::SyslogNgCommonFile);
}

DestinationsModel *DestinationsSettings::model() const
{
    return m_model;
}

AddDestinationDialog *DestinationsSettings::addDestinationDialog() const
{
    return m_addDialog;
}

FileEditor *DestinationsSettings::fileEditor() const
{
    return m_fileEditor;
}

QStringList DestinationsSettings::unparsedStatements() const
{
    return m_unparsed;
}

std::optional<QString> DestinationsSettings::saveProblem(const CommonSettingsParser &parser) const
{
    const QStringList unparsed = parser.unparsedStatements();
    if (!unparsed.isEmpty()) {
        return i18n("The file %1 holds statements this page cannot show; saving would lose them:\n%2", configFile(), unparsed.join(QLatin1Char('\n')));
    }
    // A file that is there but could not be read would be replaced.
    const QFileInfo file(configFile());
    if (file.exists() && (!file.isFile() || !file.isReadable())) {
        return i18n("The file %1 cannot be read; saving would replace it: %2", configFile(), parser.errorString());
    }
    return std::nullopt;
}

void DestinationsSettings::showProblem(const CommonSettingsParser &parser) const
{
    if (!saveProblem(parser)) {
        m_notice->hide();
        return;
    }
    if (parser.unparsedStatements().isEmpty()) {
        m_notice->setText(i18n("The file %1 cannot be read. The destinations will not be saved over it.", configFile()));
    } else {
        m_notice->setText(
            i18n("The file %1 holds statements this page cannot show. The destinations will not be saved over them; repair the file in the editor.",
                 configFile()));
    }
    m_notice->show();
}

void DestinationsSettings::loadConfig()
{
    CommonSettingsParser parser(configFile());
    m_model->setRootItem(parser.parse());
    m_unparsed = parser.unparsedStatements();
    m_addDialog->setDestItems(m_model->destinationItems());
    showProblem(parser);
    selectionChanged();
}

bool DestinationsSettings::isDestinationsModified() const
{
    CommonSettingsParser parser(configFile());
    DestinationsModel saved;
    saved.setRootItem(parser.parse());
    return !Core::Utils::isModelsEqual(&saved, m_model, Qt::DisplayRole);
}

std::expected<void, QString> DestinationsSettings::saveConfig()
{
    if (!isDestinationsModified()) {
        return {};
    }
    // What is in the file now, not what was there at the last load.
    CommonSettingsParser parser(configFile());
    delete parser.parse();
    if (const auto problem = saveProblem(parser)) {
        return std::unexpected(*problem);
    }
    CommonWriter writer(*m_config, configFile());
    if (!writer.writeConfig(m_model->rootItem())) {
        return std::unexpected(m_config->errorString());
    }
    m_logging->restart();
    loadConfig();
    return {};
}

QList<PlannedFile> DestinationsSettings::plannedFiles() const
{
    if (!isDestinationsModified() || !m_model->rootItem()) {
        return {};
    }
    CommonWriter writer(*m_config, configFile());
    return {{configFile(), ConfigAccessService::linesToBytes(writer.getConfig(m_model->rootItem()))}};
}

QStringList DestinationsSettings::takeUncheckedFiles()
{
    return m_config->takeUncheckedFiles();
}

void DestinationsSettings::insertNewDest(std::vector<QVariant> values)
{
    TreeItem *root = m_model->rootItem();
    if (!root || values.size() < 3 || values.size() > 5) {
        return;
    }
    const QString driver = values[0].toString();
    const QString name = values[1].toString();
    const QString target = values[2].toString();
    // Only what the dialog offers and checks goes into the configuration.
    static const QRegularExpression namePattern(QStringLiteral("^[a-zA-Z][a-zA-Z0-9_]*$"));
    const auto rows = m_model->destinationItems();
    const bool taken = std::any_of(rows.cbegin(), rows.cend(), [&name](const TreeItem *item) {
        return item->parentItem()->data(1).toString() == name;
    });
    if (DestinationsDictionary::Instance().findByParameter(driver).isEmpty() || !namePattern.match(name).hasMatch() || taken || target.isEmpty()
        || DestinationsModel::hasControlCharacters(target)) {
        return;
    }
    QString argument = DestinationsModel::quoted(target);
    if (driver == NetworkDriver && values.size() == 5) {
        bool isNumber = false;
        const int port = values[3].toInt(&isNumber);
        const QString protocol = values[4].toString();
        if (!isNumber || port < 1 || port > 65535 || (protocol != QLatin1String("tcp") && protocol != QLatin1String("udp"))) {
            return;
        }
        argument += QStringLiteral(" port(%1) transport(%2) flags(syslog-protocol)").arg(port).arg(protocol);
    }
    auto *statement = new TreeItem({QStringLiteral("destination"), name, QVariant()}, root);
    statement->appendChild(new TreeItem({driver, QLatin1String(CommonSettingsParser::ParenthesisOption), argument}, statement));
    m_model->insertItem(statement);
    m_addDialog->setDestItems(m_model->destinationItems());
    selectionChanged();
    Q_EMIT destinationsChanged();
}

bool DestinationsSettings::removeSelectedDestination()
{
    const QModelIndexList rows = ui->destinationsView->selectionModel()->selectedRows();
    if (rows.isEmpty()) {
        ui->removeButton->setEnabled(false);
        return false;
    }
    const int row = rows.first().row();
    const QString name = m_model->index(row, DestinationsModel::NameColumn).data().toString();
    const TreeItem *item = m_model->destinationItem(row);
    if (!item || name == ProtectedDestination || !m_model->deleteItem(item->parentItem())) {
        return false;
    }
    m_model->rootItem()->deleteLogChild(name);
    m_addDialog->setDestItems(m_model->destinationItems());
    selectionChanged();
    Q_EMIT destinationsChanged();
    return true;
}

void DestinationsSettings::selectionChanged() const
{
    const QModelIndexList rows = ui->destinationsView->selectionModel()->selectedRows(DestinationsModel::NameColumn);
    const bool removable = !rows.isEmpty() && std::none_of(rows.cbegin(), rows.cend(), [](const QModelIndex &index) {
        return index.data().toString() == ProtectedDestination;
    });
    ui->removeButton->setEnabled(removable);
}

void DestinationsSettings::contextMenuRequested(const QPoint &pos)
{
    auto *menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->addAction(QIcon::fromTheme(QStringLiteral("document-edit")), i18n("Open in editor"), this, &DestinationsSettings::openEditor);
    menu->popup(ui->destinationsView->viewport()->mapToGlobal(pos));
}

void DestinationsSettings::openEditor() const
{
    m_fileEditor->resetContents();
    m_fileEditor->show();
}
