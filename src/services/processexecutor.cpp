/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "processexecutor.h"

ProcessExecutor::ProcessExecutor(QObject *parent)
    : QProcess(parent)
{
    setProcessChannelMode(QProcess::MergedChannels);
}

ProcessExecutor::~ProcessExecutor()
{
    closeReadChannel(QProcess::StandardOutput);
    closeReadChannel(QProcess::StandardError);
    closeWriteChannel();
    close();
}

std::pair<int, QString> ProcessExecutor::run(const QString &program, const QStringList &arguments, int timeout)
{
    m_timeout = timeout;
    start(program, arguments, QIODevice::ReadWrite);
    const bool finished = waitForFinished(timeout);
    if (!finished && state() != QProcess::NotRunning) {
        kill();
        waitForFinished(-1);
        m_outcome = Outcome::TimedOut;
    } else if (error() == QProcess::FailedToStart) {
        m_outcome = Outcome::NotStarted;
    } else {
        m_outcome = exitStatus() == QProcess::NormalExit ? Outcome::Finished : Outcome::Crashed;
    }
    // QProcess reports 0 for a program that never ran: never let that pass for success.
    const int code = m_outcome == Outcome::Finished ? exitCode() : -1;

    const QByteArray output = readAll();
    QString text;
    if (!output.isNull()) {
        const int nul = output.indexOf('\0');
        text = QString::fromUtf8(nul < 0 ? output : output.left(nul));
    }
    return {code, text};
}

ProcessExecutor::Outcome ProcessExecutor::outcome() const
{
    return m_outcome;
}

QString ProcessExecutor::failureText(const QString &what, int code, const QString &output) const
{
    switch (m_outcome) {
    case Outcome::NotStarted:
        return QStringLiteral("%1 could not be started: %2").arg(what, errorString());
    case Outcome::Crashed:
        return QStringLiteral("%1 crashed").arg(what);
    case Outcome::TimedOut:
        return QStringLiteral("%1 timed out after %2 and was stopped")
            .arg(what, m_timeout % 1000 == 0 ? QStringLiteral("%1 s").arg(m_timeout / 1000) : QStringLiteral("%1 ms").arg(m_timeout));
    case Outcome::Finished:
        break;
    }
    QString text = QStringLiteral("%1 failed with exit status %2").arg(what).arg(code);
    const QString message = output.trimmed();
    if (!message.isEmpty()) {
        text += QStringLiteral(": ") + message;
    }
    return text;
}
