/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#pragma once

#include <QMessageBox>
#include <QObject>
#include <QStringList>
#include <QTimer>

// Closes every message box that opens while it lives, so that code under
// test that asks the administrator does not block, and records what the boxes
// said: one "<title>|<text>" per box, in order, or
// "<title>|<text>|<informative text>" when asked for the details. A box is
// answered No, or with the button answerWith() names when it has it.
class MessageBoxWatcher : public QObject
{
    Q_OBJECT
public:
    enum Record {
        TitleAndText,
        WithInformativeText,
    };

    explicit MessageBoxWatcher(Record record = TitleAndText, QObject *parent = nullptr);

    QStringList shown() const;
    void clear();

    // Answers every later box that has it with this standard button, or the
    // button of this text.
    void answerWith(QMessageBox::StandardButton button);
    void answerWith(const QString &buttonText);

private:
    void closeOpenBoxes();

    const Record m_record;
    QTimer m_timer;
    QStringList m_shown;
    QMessageBox::StandardButton m_answer = QMessageBox::NoButton;
    QString m_answerText;
};
