/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#pragma once

#include "accessservice.h"

// Starts, stops and restarts the logging service through the helper,
// asynchronously.
class LoggingService : public AccessService
{
    Q_OBJECT
public:
    explicit LoggingService(QObject *parent);

    // Asks the helper to run `cmd` ("start", "stop" or "restart").
    void runCmd(const QString &cmd);

public Q_SLOTS:
    void start();
    void stop();
    void restart();

Q_SIGNALS:
    // A command has completed without error.
    void stateChanged();
};
