/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "messageboxwatcher.h"

#include <QAbstractButton>
#include <QApplication>

MessageBoxWatcher::MessageBoxWatcher(Record record, QObject *parent)
    : QObject(parent)
    , m_record(record)
{
    m_timer.setInterval(20);
    connect(&m_timer, &QTimer::timeout, this, &MessageBoxWatcher::closeOpenBoxes);
    m_timer.start();
}

QStringList MessageBoxWatcher::shown() const
{
    return m_shown;
}

void MessageBoxWatcher::clear()
{
    m_shown.clear();
}

void MessageBoxWatcher::answerWith(QMessageBox::StandardButton button)
{
    m_answer = button;
}

void MessageBoxWatcher::answerWith(const QString &buttonText)
{
    m_answerText = buttonText;
}

void MessageBoxWatcher::closeOpenBoxes()
{
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget *window : windows) {
        auto *box = qobject_cast<QMessageBox *>(window);
        if (box && box->isVisible()) {
            QString said = box->windowTitle() + QLatin1Char('|') + box->text();
            if (m_record == WithInformativeText) {
                said += QLatin1Char('|') + box->informativeText();
            }
            m_shown << said;
            QAbstractButton *answer = m_answer != QMessageBox::NoButton ? box->button(m_answer) : nullptr;
            const QList<QAbstractButton *> buttons = box->buttons();
            for (QAbstractButton *button : buttons) {
                if (!m_answerText.isEmpty() && button->text() == m_answerText) {
                    answer = button;
                }
            }
            if (answer) {
                answer->click();
            } else {
                box->done(QMessageBox::No);
            }
        }
    }
}
