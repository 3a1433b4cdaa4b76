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
    explicit ProcessExecutor(QObject *parent = nullptr);
    ~ProcessExecutor() override;

    // Runs `program` with `arguments` and waits up to Timeout ms (-1: no
    // limit). Returns the exit code and the output up to its first NUL byte.
    // A program that could not be started, crashed or did not finish in time
    // gives the exit code -1.
    template<int Timeout = -1>
    std::pair<int, QString> execProc(const QString &program, const QStringList &arguments)
    {
        return run(program, arguments, Timeout);
    }

private:
    std::pair<int, QString> run(const QString &program, const QStringList &arguments, int timeout);
};
