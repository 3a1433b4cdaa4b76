/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#pragma once

#include <QApplication>
#include <QMessageBox>
#include <QTimer>

// Closes every message box that opens while it lives, keeping for each one
// "<title>|<text>|<informative text>".
class BoxCloser : public QObject
{
public:
    BoxCloser()
    {
        connect(&m_timer, &QTimer::timeout, this, [this] {
            for (QWidget *window : QApplication::topLevelWidgets()) {
                if (auto *box = qobject_cast<QMessageBox *>(window); box && box->isVisible()) {
                    shown << box->windowTitle() + QLatin1Char('|') + box->text() + QLatin1Char('|') + box->informativeText();
                    box->done(QMessageBox::Ok);
                }
            }
        });
        m_timer.start(20);
    }

    QStringList shown;

private:
    QTimer m_timer;
};
