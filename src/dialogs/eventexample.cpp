/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "eventexample.h"
#include "ui_eventexample.h"

#include "coreutils.h"
#include "eventtreeitem.h"
#include "localekeeper.h"
#include "systempaths.h"

#include <KLocalizedString>

#include <QDateTime>
#include <QDir>
#include <QHeaderView>
#include <QJsonArray>
#include <QJsonObject>
#include <QLocale>
#include <QMessageBox>
#include <QStandardItemModel>
#include <QStringList>

namespace
{
const QString MessageIdKey = QStringLiteral("message_id");
const QString ExtendedParamsKey = QStringLiteral("extend-message-params");
const QString TimeKey = QStringLiteral("time");

// `text` as a JSON string literal, quotes included.
QString jsonString(const QString &text)
{
    const QByteArray array = QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact);
    // Strip the brackets of ["..."].
    return QString::fromUtf8(array.mid(1, array.size() - 2));
}

QString jsonMember(const QString &key, const QString &value)
{
    return jsonString(key) + QLatin1Char(':') + jsonString(value);
}

QString textOf(const TreeItem *item, int column)
{
    return item ? item->data(column).toString() : QString();
}

// The name the system gives the machine's user: the last component of the
// home directory.
QString hostName()
{
    return QDir(QDir::homePath()).dirName();
}
}

EventExample::EventExample(QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::EventExample)
    , m_samples(readEventExampleFile())
    , m_model(new QStandardItemModel(this))
    , m_language(LocaleKeeper::Instance().language())
{
    ui->setupUi(this);
    setWindowTitle(i18n("Example of a log entry"));
    ui->logLabel->setText(i18n("Example in /vigil/log/tarn/events:"));
    ui->viewerLabel->setText(i18n("Example in wisp-event-viewer:"));
    ui->tableView->setModel(m_model);
    ui->tableView->verticalHeader()->hide();
    ui->tableView->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    resize(600, 600);
}

EventExample::~EventExample()
{
    delete ui;
}

QJsonDocument EventExample::readEventExampleFile() const
{
    const auto bytes = Core::Utils::readFile(SystemPaths::resolve(SystemPaths::EventExampleFile));
    if (!bytes) {
        return {};
    }
    const auto document = Core::Utils::convertFromJson(*bytes);
    return document ? *document : QJsonDocument();
}

QString EventExample::getDummyDataFromFile(const QString &key) const
{
    const QJsonValue text = m_samples.object().value(key).toObject().value(QLatin1String("text"));
    return text.isString() ? text.toString() : i18n("value");
}

void EventExample::insertParamInModel(int column, const QString &header, const QString &value)
{
    m_model->setHorizontalHeaderItem(column, new QStandardItem(header));
    m_model->setItem(0, column, new QStandardItem(value));
}

void EventExample::prepareExample(EventTreeItem *event)
{
    m_model->clear();
    ui->jsonEdit->clear();
    if (!event) {
        return;
    }
    const EventTreeItem *messageId = event->findChildByNativeName(MessageIdKey);
    const EventTreeItem *group = event->parentItem();
    const QString eventName = textOf(event, 0);
    const QString groupName = textOf(group, 0);
    const QString time = getDummyDataFromFile(TimeKey);
    const QString priority = getDummyDataFromFile(QStringLiteral("priority"));
    const QString source = getDummyDataFromFile(QStringLiteral("source"));
    const QString host = hostName();

    int column = 0;
    insertParamInModel(column++, i18n("№"), QStringLiteral("1"));
    // The viewer shows the time as the administrator's locale writes it.
    const QDateTime parsedTime = QDateTime::fromString(time, Qt::ISODate);
    insertParamInModel(column++, i18n("Date and time"), parsedTime.isValid() ? QLocale().toString(parsedTime, QLocale::ShortFormat) : time);
    if (messageId) {
        insertParamInModel(column++, textOf(messageId, 0), textOf(messageId, 1));
    }
    insertParamInModel(column++, i18n("Event type"), groupName);
    insertParamInModel(column++, i18n("Priority"), priority);
    insertParamInModel(column++, i18n("Event name"), eventName);
    insertParamInModel(column++, i18n("Source"), source);

    // The members of the event's own object, in the order the log has them.
    QStringList members;
    if (m_language == QLatin1String("Russian")) {
        members << jsonMember(QStringLiteral("name_ru"), eventName) << jsonMember(QStringLiteral("type_ru"), groupName);
    } else if (m_language == QLatin1String("English")) {
        members << jsonMember(QStringLiteral("name_en"), eventName) << jsonMember(QStringLiteral("type_en"), groupName);
    }
    if (const EventTreeItem *extended = event->findChildByNativeName(ExtendedParamsKey)) {
        for (int row = 0; row < extended->childCount(); ++row) {
            const auto *param = static_cast<const EventTreeItem *>(extended->child(row));
            if (param->checkState == Qt::Unchecked) {
                continue;
            }
            const QString sample = getDummyDataFromFile(param->nativeName);
            // The viewer shows the time once, in its own column.
            if (param->nativeName != TimeKey) {
                insertParamInModel(column++, textOf(param, 0), sample);
            }
            members << jsonMember(param->nativeName, sample);
        }
    }
    if (messageId) {
        members << jsonMember(MessageIdKey, textOf(messageId, 1));
    }
    insertParamInModel(column, i18n("Host"), host);

    const QString line = QLatin1Char('{') + jsonMember(QStringLiteral("PRIORITY"), priority) + QLatin1String(",\"MSG\":{") + jsonString(source)
        + QLatin1String(":{") + members.join(QLatin1Char(',')) + QLatin1String("}},") + jsonMember(QStringLiteral("ISODATE"), time) + QLatin1Char(',')
        + jsonMember(QStringLiteral("HOST"), host) + QLatin1Char(',') + jsonMember(QStringLiteral("FACILITY"), QStringLiteral("user")) + QLatin1Char('}');
    ui->jsonEdit->setPlainText(line);
}

void EventExample::setLanguage(const QString &englishLanguageName)
{
    m_language = englishLanguageName;
}

QString EventExample::jsonLine() const
{
    return ui->jsonEdit->toPlainText();
}

QStandardItemModel *EventExample::exampleModel() const
{
    return m_model;
}

void EventExample::showExample()
{
    if (m_samples.isNull()) {
        QMessageBox box;
        box.setWindowTitle(i18n("No event configuration detected"));
        box.setInformativeText(
            i18n("Config file \"%1\" is corrupted or does not exist.\nSome of dummy data will be empty.", QString::fromLatin1(SystemPaths::EventExampleFile)));
        box.setStandardButtons(QMessageBox::Ok);
        box.setDefaultButton(QMessageBox::Ok);
        box.exec();
    }
    show();
}
