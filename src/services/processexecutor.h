/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

#include <utility>

// Runs a program and waits for it. Standard error is merged into standard
// output.
class ProcessExecutor : public QProcess
{
    Q_OBJECT
public:
    // How the last run ended.
    enum class Outcome {
        Finished, // exited by itself; exitCode() tells how
        NotStarted,
        Crashed,
        TimedOut, // killed after the time limit
    };

    explicit ProcessExecutor(QObject *parent = nullptr);
    ~ProcessExecutor() override;

    // Runs `program` with `arguments` and waits up to Timeout ms (-1: no
    // limit). Returns the exit code and the output up to its first NUL byte.
    // A program that could not be started, crashed or did not finish in time
    // gives the exit code -1; one that did not finish in time is killed.
    template<int Timeout = -1>
    std::pair<int, QString> execProc(const QString &program, const QStringList &arguments)
    {
        return run(program, arguments, Timeout);
    }

    Outcome outcome() const;

    // Why the last run failed, after `what` (e.g. "systemctl stop syslog-ng"):
    // "... failed with exit status 1: <output>", "... timed out after 90 s",
    // "... could not be started: <reason>" or "... crashed". `code` and
    // `output` are what execProc() returned.
    QString failureText(const QString &what, int code, const QString &output) const;

private:
    std::pair<int, QString> run(const QString &program, const QStringList &arguments, int timeout);

    Outcome m_outcome = Outcome::NotStarted;
    int m_timeout = -1;
};
