/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "auditdialog.h"
#include "ui_auditdialog.h"

#include "guiutils.h"

#include "auditrecord.h"
#include "audittablemodel.h"

#include <QHeaderView>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>

namespace
{
const QString OverlayPrefix = QStringLiteral("overlay");
const QString On = QStringLiteral("1");
const QString Off = QStringLiteral("0");

// `text` as a JSON string literal, quotes included.
QString jsonString(const QString &text)
{
    const QByteArray array = QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact);
    // Strip the brackets of ["..."].
    return QString::fromUtf8(array.mid(1, array.size() - 2));
}
}

AuditDialog::AuditDialog(QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::AuditDialog)
{
    ui->setupUi(this);
    Gui::Utils::useStandardButtonTexts(ui->buttonBox);
    m_model = new AuditTableModel(this);

    QTableView *view = ui->tableView;
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->horizontalHeader()->setStretchLastSection(true);
    view->horizontalHeader()->setHighlightSections(false);
    view->verticalHeader()->hide();
    view->setModel(m_model);

    // The form closes the dialog first; the result is sent after.
    connect(ui->buttonBox, &QDialogButtonBox::accepted, this, &AuditDialog::prepareData);
}

AuditDialog::~AuditDialog()
{
    delete ui;
}

void AuditDialog::setDialogType(AuditDialog::DialogType type)
{
    m_type = type;
}

void AuditDialog::setTableData(const QString &json) const
{
    const QJsonObject table = QJsonDocument::fromJson(json.toUtf8()).object();
    QList<AuditRecord> records;
    for (auto it = table.constBegin(); it != table.constEnd(); ++it) {
        if (it.key().startsWith(OverlayPrefix)) {
            continue;
        }
        AuditRecord record;
        record.name = it.key();
        const QJsonObject entry = it.value().toObject();
        for (auto flag = entry.constBegin(); flag != entry.constEnd(); ++flag) {
            if (flag.key() == QLatin1String("succ")) {
                record.succ = flag.value().toVariant().toString() == On;
            } else if (flag.key() == QLatin1String("fail")) {
                record.fail = flag.value().toVariant().toString() == On;
            }
        }
        records.append(record);
    }
    // In the order of the names themselves: Qt's JSON objects order keys
    // beyond the Basic Multilingual Plane differently depending on how the
    // object was built, and the table must read the same after a write.
    std::sort(records.begin(), records.end(), [](const AuditRecord &a, const AuditRecord &b) {
        return a.name < b.name;
    });
    m_model->updateData(records);
}

void AuditDialog::prepareData()
{
    QString json = QStringLiteral("{ ");
    QStringList names;
    const int rows = m_model->rowCount();
    for (int row = 0; row < rows; ++row) {
        const AuditRecord record = m_model->getRecord(row);
        const QString separator = row + 1 < rows ? QStringLiteral(", ") : QString();
        names.append(record.name);
        // Names are JSON-escaped: a quote or a backslash in a name must not
        // break the table.
        json += QStringLiteral("%1 : { \"succ\": \"%2\", \"fail\": \"%3\" } %4")
                    .arg(jsonString(record.name), record.succ ? On : Off, record.fail ? On : Off, separator);
    }
    json += QLatin1Char('}');
    Q_EMIT auditSettingsEdited({names.join(QLatin1String(", ")), json, static_cast<int>(m_type)});
}
