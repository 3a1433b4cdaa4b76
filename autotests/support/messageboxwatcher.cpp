/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "messageboxwatcher.h"

#include <QApplication>
#include <QMessageBox>

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
            box->done(QMessageBox::No);
        }
    }
}
