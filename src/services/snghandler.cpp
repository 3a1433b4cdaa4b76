/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "snghandler.h"

#include "processexecutor.h"

#include <KLocalizedString>

namespace
{
const QString Systemctl = QStringLiteral("systemctl");
const QString Auditd = QStringLiteral("auditd");
const QString SyslogNg = QStringLiteral("syslog-ng");

int systemctl(const QString &command, const QString &unit)
{
    ProcessExecutor process;
    return process.execProc<-1>(Systemctl, {command, unit}).first;
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
    const bool syslogNgActive = systemctl(QStringLiteral("status"), SyslogNg) == 0;
    const bool auditdActive = getAuditdStatus();
    setToolTip(auditdActive, syslogNgActive);
    return auditdActive && syslogNgActive;
}

bool SngHandler::getAuditdStatus() const
{
    return systemctl(QStringLiteral("status"), Auditd) == 0;
}

void SngHandler::setToolTip(bool auditdActive, bool syslogNgActive)
{
    toolTip = QStringLiteral("auditd: ") + onOff(auditdActive) + QStringLiteral(", ") + QStringLiteral("syslog-ng: ") + onOff(syslogNgActive);
}

void SngHandler::auditdStart() const
{
    systemctl(QStringLiteral("start"), Auditd);
}

void SngHandler::auditdRestart() const
{
    systemctl(QStringLiteral("restart"), Auditd);
}

void SngHandler::syslogNgSwitch(const SngHandler::Operation &operation) const
{
    QString command;
    switch (operation) {
    case Start:
        if (!getAuditdStatus()) {
            auditdStart();
        }
        command = QStringLiteral("start");
        break;
    case Stop:
        command = QStringLiteral("stop");
        break;
    case Restart:
        auditdRestart();
        command = QStringLiteral("restart");
        break;
    }
    systemctl(command, SyslogNg);
    Q_EMIT sngSwitched();
}

void SngHandler::syslogNgStart() const
{
    syslogNgSwitch(Start);
}

void SngHandler::syslogNgStop() const
{
    syslogNgSwitch(Stop);
}

void SngHandler::syslogNgRestart() const
{
    syslogNgSwitch(Restart);
}
