/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "snghandler.h"

#include "processexecutor.h"
#include "systempaths.h"

#include <KLocalizedString>

namespace
{
const QString Auditd = QStringLiteral("auditd");
const QString SyslogNg = QStringLiteral("syslog-ng");

// Runs "systemctl <command> <unit>"; the failure text when it did not exit 0.
SngHandler::Result systemctl(const QString &command, const QString &unit)
{
    ProcessExecutor process;
    const auto [code, output] = process.execProc<SngHandler::SystemctlTimeout>(SystemPaths::systemProgram(SystemPaths::SystemctlProgram), {command, unit});
    if (code == 0) {
        return {};
    }
    return std::unexpected(process.failureText(QStringLiteral("systemctl %1 %2").arg(command, unit), code, output));
}

// Keeps the first failure and adds later ones on lines of their own.
void collect(SngHandler::Result &total, const SngHandler::Result &step)
{
    if (step) {
        return;
    }
    if (total) {
        total = std::unexpected(step.error());
    } else {
        total = std::unexpected(QString(total.error() + QLatin1Char('\n') + step.error()));
    }
}

QString onOff(bool on)
{
    return on ? i18n("on") : i18n("off");
}
}

SngHandler &SngHandler::Instance()
{
    static SngHandler handler;
    return handler;
}

bool SngHandler::getStatus()
{
    const bool syslogNgActive = systemctl(QStringLiteral("status"), SyslogNg).has_value();
    const bool auditdActive = getAuditdStatus();
    setToolTip(auditdActive, syslogNgActive);
    return auditdActive && syslogNgActive;
}

bool SngHandler::getAuditdStatus() const
{
    return systemctl(QStringLiteral("status"), Auditd).has_value();
}

void SngHandler::setToolTip(bool auditdActive, bool syslogNgActive)
{
    toolTip = QStringLiteral("auditd: ") + onOff(auditdActive) + QStringLiteral(", ") + QStringLiteral("syslog-ng: ") + onOff(syslogNgActive);
}

SngHandler::Result SngHandler::auditdStart() const
{
    return systemctl(QStringLiteral("start"), Auditd);
}

SngHandler::Result SngHandler::auditdRestart() const
{
    return systemctl(QStringLiteral("restart"), Auditd);
}

SngHandler::Result SngHandler::syslogNgSwitch(const SngHandler::Operation &operation) const
{
    Result result;
    QString command;
    switch (operation) {
    case Start:
        if (!getAuditdStatus()) {
            collect(result, auditdStart());
        }
        command = QStringLiteral("start");
        break;
    case Stop:
        command = QStringLiteral("stop");
        break;
    case Restart:
        collect(result, auditdRestart());
        command = QStringLiteral("restart");
        break;
    }
    collect(result, systemctl(command, SyslogNg));
    Q_EMIT sngSwitched();
    return result;
}

SngHandler::Result SngHandler::syslogNgStart() const
{
    return syslogNgSwitch(Start);
}

SngHandler::Result SngHandler::syslogNgStop() const
{
    return syslogNgSwitch(Stop);
}

SngHandler::Result SngHandler::syslogNgRestart() const
{
    return syslogNgSwitch(Restart);
}
