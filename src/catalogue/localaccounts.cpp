/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "localaccounts.h"

#include <QDeadlineTimer>
#include <QProcess>
#include <QStandardPaths>

#include <array>

namespace
{
constexpr int FirstRegularId = 1000;
constexpr int NobodyId = 65534;
// How long a killed getent may take to be reaped.
constexpr int ReapTimeoutMs = 1000;

QByteArray finish(QProcess &process, const QDeadlineTimer &deadline)
{
    if (process.state() != QProcess::NotRunning && !process.waitForFinished(static_cast<int>(deadline.remainingTime()))) {
        process.kill();
        process.waitForFinished(ReapTimeoutMs);
    }
    return process.readAllStandardOutput();
}
}

LocalAccounts LocalAccounts::query(int timeoutMs)
{
    LocalAccounts accounts;
    const QString getent = QStandardPaths::findExecutable(QStringLiteral("getent"));
    if (getent.isEmpty()) {
        return accounts;
    }

    const QDeadlineTimer deadline(timeoutMs);
    std::array<QProcess, 2> processes;
    const std::array<QString, 2> databases = {QStringLiteral("passwd"), QStringLiteral("group")};
    for (size_t i = 0; i < processes.size(); ++i) {
        processes[i].setStandardErrorFile(QProcess::nullDevice());
        processes[i].start(getent, {databases[i]}, QIODevice::ReadOnly);
    }
    accounts.users = namesFromListing(finish(processes[0], deadline));
    accounts.groups = namesFromListing(finish(processes[1], deadline));
    return accounts;
}

QStringList LocalAccounts::namesFromListing(const QByteArray &listing)
{
    QStringList names;
    QStringList lines = QString::fromUtf8(listing).split(QLatin1Char('\n'));
    // The last part follows the last line break: empty, or a line cut short.
    lines.removeLast();
    for (const QString &line : std::as_const(lines)) {
        const QStringList fields = line.split(QLatin1Char(':'));
        if (fields.size() < 3 || fields.at(0).isEmpty()) {
            continue;
        }
        bool ok = false;
        const int id = fields.at(2).toInt(&ok);
        if (ok && id >= FirstRegularId && id != NobodyId) {
            names.append(fields.at(0));
        }
    }
    return names;
}
