/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "adddestinationdialog.h"
#include "ui_adddestinationdialog.h"

#include "guiutils.h"

#include "destinationsdictionary.h"
#include "destinationsmodel.h"
#include "treeitem.h"

#include <KLocalizedString>

#include <QFileDialog>
#include <QIcon>
#include <QPushButton>
#include <QRegularExpressionValidator>

AddDestinationDialog::AddDestinationDialog(QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::AddDestinationDialog)
    // syslog-ng identifiers are ASCII: \w would take any letter.
    , m_namePattern(QStringLiteral("^[a-zA-Z][a-zA-Z0-9_]*$"))
    , m_addressPattern(QStringLiteral("^((25[0-5]|(2[0-4]|1\\d|[1-9]|)\\d)\\.?\\b){4}$"))
    , m_addressValidator(new QRegularExpressionValidator(m_addressPattern, this))
{
    ui->setupUi(this);
    Gui::Utils::useStandardButtonTexts(ui->buttonBox);
    setWindowTitle(i18n("New destination"));
    ui->typeLabel->setText(i18n("Type"));
    ui->nameLabel->setText(i18n("Name"));
    ui->portLabel->setText(i18n("Port"));
    ui->protocolLabel->setText(i18n("Protocol"));
    ui->chooseFileButton->setIcon(QIcon::fromTheme(QStringLiteral("document-folder")));
    ui->chooseFileButton->setToolTip(i18n("Choose the file"));

    for (const auto &[label, driver] : DestinationsDictionary::Instance().m_dict) {
        ui->typeEdit->addItem(label, driver);
    }
    ui->protocolEdit->addItems({QStringLiteral("tcp"), QStringLiteral("udp")});

    connect(ui->typeEdit, &QComboBox::currentTextChanged, this, &AddDestinationDialog::updateControls);
    connect(ui->nameEdit, &QLineEdit::textChanged, this, &AddDestinationDialog::validateInput);
    connect(ui->addressEdit, &QLineEdit::textChanged, this, &AddDestinationDialog::validateInput);
    connect(ui->chooseFileButton, &QToolButton::clicked, this, &AddDestinationDialog::chooseFile);
    connect(ui->buttonBox, &QDialogButtonBox::accepted, this, &AddDestinationDialog::accept);

    updateControls();
}

AddDestinationDialog::~AddDestinationDialog()
{
    delete ui;
}

void AddDestinationDialog::setDestItems(std::vector<TreeItem *> items)
{
    m_destNames.clear();
    for (const TreeItem *item : items) {
        if (item && item->parentItem()) {
            m_destNames << item->parentItem()->data(1).toString();
        }
    }
    validateInput();
}

QString AddDestinationDialog::destinationType() const
{
    return ui->typeEdit->currentData(Qt::UserRole).toString();
}

std::optional<QString> AddDestinationDialog::nameValidationError() const
{
    const QString name = ui->nameEdit->text();
    if (name.isEmpty()) {
        return QString();
    }
    if (!m_namePattern.match(name).hasMatch()) {
        return i18n("The destination name is not valid.");
    }
    if (m_destNames.contains(name)) {
        return i18n("Destination with this name already exists.");
    }
    return std::nullopt;
}

std::optional<QString> AddDestinationDialog::addressValidationError() const
{
    const QString address = ui->addressEdit->text();
    if (address.isEmpty()) {
        return QString();
    }
    if (destinationType() == QLatin1String("network") && !m_addressPattern.match(address).hasMatch()) {
        return i18n("The IP-address is not valid.");
    }
    if (DestinationsModel::hasControlCharacters(address)) {
        return i18n("The path must not contain line breaks or other control characters.");
    }
    return std::nullopt;
}

std::optional<QString> AddDestinationDialog::inputValidationError() const
{
    if (const auto error = nameValidationError()) {
        return error;
    }
    return addressValidationError();
}

void AddDestinationDialog::validateInput()
{
    const auto error = inputValidationError();
    ui->buttonBox->button(QDialogButtonBox::Ok)->setEnabled(!error);
    ui->warningLabel->setText(error.value_or(QString()));
}

void AddDestinationDialog::updateControls()
{
    ui->nameEdit->clear();
    ui->addressEdit->clear();
    const bool network = destinationType() == QLatin1String("network");
    ui->addressLabel->setText(network ? i18n("IP-address") : i18n("Address"));
    ui->addressEdit->setValidator(network ? m_addressValidator : nullptr);
    ui->portLabel->setVisible(network);
    ui->portEdit->setVisible(network);
    ui->protocolLabel->setVisible(network);
    ui->protocolEdit->setVisible(network);
    ui->chooseFileButton->setVisible(!network);
    validateInput();
}

void AddDestinationDialog::accept()
{
    if (inputValidationError()) {
        return;
    }
    const QString driver = destinationType();
    std::vector<QVariant> values{driver, ui->nameEdit->text(), ui->addressEdit->text()};
    if (driver == QLatin1String("network")) {
        values.emplace_back(ui->portEdit->value());
        values.emplace_back(ui->protocolEdit->currentText());
    }
    Q_EMIT newDestCreated(values);
    QDialog::accept();
    // The next destination starts afresh.
    updateControls();
}

void AddDestinationDialog::chooseFile()
{
    const QString path =
        QFileDialog::getSaveFileName(this, i18n("Log file of the destination"), ui->addressEdit->text(), QString(), nullptr, QFileDialog::DontConfirmOverwrite);
    if (!path.isEmpty()) {
        ui->addressEdit->setText(path);
    }
}
