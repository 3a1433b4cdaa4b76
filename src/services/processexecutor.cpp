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
    start(program, arguments, QIODevice::ReadWrite);
    const bool finished = waitForFinished(timeout);
    int code = exitCode();
    if (!finished || exitStatus() != QProcess::NormalExit) {
        // QProcess reports 0 for a program that never ran: never let that pass for success.
        code = -1;
    }

    const QByteArray output = readAll();
    QString text;
    if (!output.isNull()) {
        const int nul = output.indexOf('\0');
        text = QString::fromUtf8(nul < 0 ? output : output.left(nul));
    }
    return {code, text};
}
