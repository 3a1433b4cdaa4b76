/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "diskspacemondialog.h"
#include "ui_diskspacemondialog.h"

#include "guiutils.h"

#include "compactjson.h"

#include <KLocalizedString>

#include <QFileDialog>
#include <QHeaderView>
#include <QIcon>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <array>

namespace
{
struct Column {
    QLatin1String key;
    QString defaultValue;
};

const QLatin1String PathKey("path");
// The columns of the table, by the key they edit.
const std::array<Column, 3> Columns{{
    {PathKey, QString()},
    {QLatin1String("limit_bytes"), QStringLiteral("104857600")},
    {QLatin1String("limit_percent"), QStringLiteral("100.0")},
}};
constexpr int PathColumn = 0;
// The whole object a row was read from, on the row's path item.
constexpr int RowObjectRole = Qt::UserRole;

// What a cell shows of a member: strings as they are, numbers and booleans
// as text.
QString cellText(const QJsonValue &value)
{
    return value.isString() ? value.toString() : value.toVariant().toString();
}
}

DiskSpaceMonDialog::DiskSpaceMonDialog(QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::DiskSpaceMonDialog)
{
    ui->setupUi(this);
    Gui::Utils::useStandardButtonTexts(ui->buttonBox);

    QTableWidget *table = ui->directoriesTable;
    table->verticalHeader()->hide();
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setColumnCount(int(Columns.size()));
    table->setHorizontalHeaderLabels({i18n("Directory"), i18n("Limit (bytes)"), i18n("Limit (%)")});
    table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    table->horizontalHeader()->setStretchLastSection(true);

    ui->addButton->setIcon(QIcon::fromTheme(QStringLiteral("list-add")));
    ui->addButton->setToolTip(i18n("Add new directory"));
    ui->removeButton->setIcon(QIcon::fromTheme(QStringLiteral("list-remove")));
    ui->removeButton->setToolTip(i18n("Remove selected directory"));

    connect(ui->addButton, &QToolButton::clicked, this, &DiskSpaceMonDialog::addNewDirectory);
    connect(ui->removeButton, &QToolButton::clicked, this, &DiskSpaceMonDialog::removeSelectedDirectory);
    connect(table->selectionModel(), &QItemSelectionModel::selectionChanged, this, &DiskSpaceMonDialog::selectionChanged);
    // The form closes the dialog first; the result is sent after.
    connect(ui->buttonBox, &QDialogButtonBox::accepted, this, &DiskSpaceMonDialog::prepareData);
    // A limit left empty means no limit.
    connect(table, &QTableWidget::itemChanged, this, [](QTableWidgetItem *item) {
        if (item->column() != PathColumn && item->text().isEmpty()) {
            item->setText(QStringLiteral("0"));
        }
    });
    selectionChanged();
}

DiskSpaceMonDialog::~DiskSpaceMonDialog()
{
    delete ui;
}

void DiskSpaceMonDialog::setData(const QString &text)
{
    QTableWidget *table = ui->directoriesTable;
    // The rows are shown as they are, empty limits included.
    const QSignalBlocker blocker(table);
    table->setRowCount(0);
    const QJsonArray array = QJsonDocument::fromJson(text.toUtf8()).array();
    for (const QJsonValue &element : array) {
        if (!element.isObject()) {
            continue;
        }
        const QJsonObject object = element.toObject();
        const int row = table->rowCount();
        table->insertRow(row);
        for (int column = 0; column < int(Columns.size()); ++column) {
            const auto member = object.constFind(Columns[column].key);
            if (column == PathColumn || member != object.constEnd()) {
                table->setItem(row, column, new QTableWidgetItem(member != object.constEnd() ? cellText(*member) : QString()));
            }
        }
        table->item(row, PathColumn)->setData(RowObjectRole, object);
    }
}

void DiskSpaceMonDialog::appendDirectory(const QString &path)
{
    QTableWidget *table = ui->directoriesTable;
    const QSignalBlocker blocker(table);
    const int row = table->rowCount();
    table->insertRow(row);
    QJsonObject object;
    for (int column = 0; column < int(Columns.size()); ++column) {
        const QString value = column == PathColumn ? path : Columns[column].defaultValue;
        table->setItem(row, column, new QTableWidgetItem(value));
        object.insert(Columns[column].key, value);
    }
    table->item(row, PathColumn)->setData(RowObjectRole, object);
    table->setCurrentCell(row, PathColumn);
}

void DiskSpaceMonDialog::addNewDirectory()
{
    const QString path = QFileDialog::getExistingDirectory(this, QString(), QString(), QFileDialog::ShowDirsOnly);
    if (!path.isEmpty()) {
        appendDirectory(path);
    }
}

void DiskSpaceMonDialog::removeSelectedDirectory()
{
    const int row = ui->directoriesTable->currentRow();
    if (row >= 0) {
        ui->directoriesTable->removeRow(row);
    }
}

void DiskSpaceMonDialog::selectionChanged()
{
    ui->removeButton->setEnabled(ui->directoriesTable->selectionModel()->hasSelection());
}

void DiskSpaceMonDialog::prepareData()
{
    const QTableWidget *table = ui->directoriesTable;
    QJsonArray rows;
    QStringList paths;
    for (int row = 0; row < table->rowCount(); ++row) {
        const QTableWidgetItem *pathItem = table->item(row, PathColumn);
        QJsonObject object = pathItem ? pathItem->data(RowObjectRole).toJsonObject() : QJsonObject();
        for (int column = 0; column < int(Columns.size()); ++column) {
            const QTableWidgetItem *item = table->item(row, column);
            const QString text = item ? item->text() : QString();
            const auto member = object.constFind(Columns[column].key);
            if (member == object.constEnd()) {
                // A member the row never had stays away unless it was filled in.
                if (!text.isEmpty()) {
                    object.insert(Columns[column].key, text);
                }
            } else if (cellText(*member) != text) {
                object.insert(Columns[column].key, text);
            }
        }
        const QJsonValue path = object.value(PathKey);
        if (path.isString()) {
            paths.append(path.toString());
        }
        rows.append(object);
    }
    Q_EMIT directoriesEdited({paths.join(QLatin1String(", ")), CompactJson::toText(rows)});
}
