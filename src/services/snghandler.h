/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#pragma once

#include <QObject>
#include <QString>

#include <expected>

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

    // Empty on success, otherwise what failed, e.g. "systemctl restart
    // syslog-ng failed with exit status 1: <systemctl's message>".
    using Result = std::expected<void, QString>;

    // How long one systemctl may take (systemd gives a unit 90 s to stop).
    static constexpr int SystemctlTimeout = 120 * 1000;

    static SngHandler &Instance();

    // True when both services are active; refreshes toolTip.
    bool getStatus();
    bool getAuditdStatus() const;
    // Rebuilds toolTip: "auditd: on|off, syslog-ng: on|off".
    void setToolTip(bool auditdActive, bool syslogNgActive);

    Result auditdStart() const;
    Result auditdRestart() const;

    // Start brings auditd up when it is not active, Restart restarts auditd
    // first, Stop leaves auditd alone. Every command runs even when an
    // earlier one failed; the result names each failure, one per line.
    Result syslogNgSwitch(const SngHandler::Operation &operation) const;
    Result syslogNgStart() const;
    Result syslogNgStop() const;
    Result syslogNgRestart() const;

    // The latest status text.
    QString toolTip;

Q_SIGNALS:
    void sngSwitched() const;

private:
    SngHandler() = default;
};
