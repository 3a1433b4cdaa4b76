/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "messageboxwatcher.h"

#include <QApplication>
#include <QMessageBox>

MessageBoxWatcher::MessageBoxWatcher(QObject *parent)
    : QObject(parent)
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
            m_shown << box->windowTitle() + QLatin1Char('|') + box->text();
            box->done(QMessageBox::No);
        }
    }
}
