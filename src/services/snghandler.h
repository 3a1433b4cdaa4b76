/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#pragma once

#include <QObject>
#include <QString>

// Status and control of the logging service: syslog-ng and auditd, both
// driven through systemctl. One instance per process.
class SngHandler : public QObject
{
    Q_OBJECT
public:
    enum Operation {
        Start = 0,
        Stop = 1,
        Restart = 2,
    };
    Q_ENUM(Operation)

    static SngHandler &Instance();

    // True when both services are active; refreshes toolTip.
    bool getStatus();
    bool getAuditdStatus() const;
    // Rebuilds toolTip: "auditd: on|off, syslog-ng: on|off".
    void setToolTip(bool auditdActive, bool syslogNgActive);

    void auditdStart() const;
    void auditdRestart() const;

    // Start brings auditd up when it is not active, Restart restarts auditd
    // first, Stop leaves auditd alone. systemctl's exit codes are not looked at.
    void syslogNgSwitch(const SngHandler::Operation &operation) const;
    void syslogNgStart() const;
    void syslogNgStop() const;
    void syslogNgRestart() const;

    // The latest status text.
    QString toolTip;

Q_SIGNALS:
    void sngSwitched() const;

private:
    SngHandler() = default;
};
