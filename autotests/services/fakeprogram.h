/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#pragma once

#include <QString>
#include <QStringList>

// A recording stand-in for an outside program (systemctl, chown, the
// configuration manager): a shell script that appends its arguments, joined
// by spaces, as one line to a log beside it, then runs `body`. Put its
// directory first on PATH (prependToPath) or install it where the code
// expects the program.
class FakeProgram
{
public:
    // Creates `directory`/`name`. In `body`, $LOG is the log file.
    FakeProgram(const QString &directory, const QString &name, const QString &body = QString());

    QString path() const;
    QString logPath() const;
    // One entry per run, in order.
    QStringList calls() const;
    void clearCalls() const;

    // Puts `directory` in front of PATH for this process and its children.
    static void prependToPath(const QString &directory);

    // A systemctl that knows units as active or not: "status" exits 0 for an
    // active unit and 3 otherwise, "start"/"restart" make a unit active, "stop"
    // inactive. The state is kept as "<unit>.active" files in `stateDir`.
    static QString systemctlBody(const QString &stateDir);

private:
    QString m_path;
    QString m_logPath;
};
