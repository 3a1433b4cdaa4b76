/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#pragma once

#include <QObject>
#include <QStringList>
#include <QTimer>

// Closes every message box that opens while it lives, so that code under
// test that asks the administrator does not block, and records what the boxes
// said: one "<title>|<text>" per box, in order.
class MessageBoxWatcher : public QObject
{
    Q_OBJECT
public:
    explicit MessageBoxWatcher(QObject *parent = nullptr);

    QStringList shown() const;
    void clear();

private:
    void closeOpenBoxes();

    QTimer m_timer;
    QStringList m_shown;
};
