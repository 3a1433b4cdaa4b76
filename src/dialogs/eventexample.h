/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#pragma once

#include <QDialog>
#include <QJsonDocument>
#include <QString>

class EventTreeItem;
class QStandardItemModel;

namespace Ui
{
class EventExample;
}

// Shows what one event looks like once logged: the JSON line written to the
// main event log, and the row the event viewer makes of it. Values the event
// does not carry (time, priority, source, extended parameters) are samples
// from the example file; a missing sample reads "value".
class EventExample : public QDialog
{
    Q_OBJECT
public:
    explicit EventExample(QWidget *parent = nullptr);
    ~EventExample() override;

    // The example file, or a null document when it is missing, empty or not
    // JSON.
    QJsonDocument readEventExampleFile() const;
    // The "text" of the sample named `key`, or the translated "value".
    QString getDummyDataFromFile(const QString &key) const;
    // Sets the header of `column` and the value of its only row.
    void insertParamInModel(int column, const QString &header, const QString &value);
    // Fills the table and the JSON line from `event`, an event node whose
    // parent is its group. An event without a "message_id" parameter gets
    // neither the message identifier column nor the "message_id" member.
    void prepareExample(EventTreeItem *event);

    // The English name of the language whose catalogue texts name the event
    // in the JSON line: "Russian" gives name_ru/type_ru, "English"
    // name_en/type_en, any other none. Defaults to the system's language.
    // Applies from the next prepareExample().
    void setLanguage(const QString &englishLanguageName);

    // The JSON line as shown.
    QString jsonLine() const;
    QStandardItemModel *exampleModel() const;

public Q_SLOTS:
    // Warns first when the example file could not be read, then shows the
    // dialog without blocking.
    void showExample();

private:
    Ui::EventExample *ui;
    QJsonDocument m_samples;
    QStandardItemModel *m_model;
    QString m_language;
};
