/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "syslogng.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QThread>

#include <csignal>
#include <cstring>

#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace
{
constexpr int SyntaxCheckTimeoutMs = 30000;
constexpr int StartTimeoutMs = 15000;
constexpr int StopTimeoutMs = 10000;

// A syslog-ng string literal.
QString quoted(const QString &text)
{
    QString escaped = text;
    escaped.replace(QLatin1Char('\\'), QLatin1String("\\\\")).replace(QLatin1Char('"'), QLatin1String("\\\""));
    return QLatin1Char('"') + escaped + QLatin1Char('"');
}

bool writeText(const QString &path, const QString &text)
{
    QFile file(path);
    const QByteArray data = text.toUtf8();
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(data) == data.size() && file.flush();
}

// An instance dies with the test, even when the test itself is killed.
class ChildProcess : public QProcess
{
protected:
    void setupChildProcess() override
    {
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    }
};

// Runs syslog-ng to completion; exit code and merged output.
std::pair<int, QByteArray> runToEnd(const QStringList &arguments)
{
    ChildProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(SyslogNg::program(), arguments);
    if (!process.waitForFinished(SyntaxCheckTimeoutMs)) {
        process.kill();
        process.waitForFinished();
        return {-1, "syslog-ng did not finish: " + process.readAll()};
    }
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1, process.readAll()};
}

// syslog-ng's built-in include path, asked of syslog-ng itself once.
QStringList defaultIncludePath(const QString &workDir)
{
    static QStringList cached;
    if (!cached.isEmpty()) {
        return cached;
    }
    const QString probe = workDir + QLatin1String("/include-path.conf");
    const QString expanded = workDir + QLatin1String("/include-path.out");
    if (!writeText(probe, QStringLiteral("@version: 3.38\n# include-path=`include-path`\n"))) {
        return {};
    }
    runToEnd({QStringLiteral("--syntax-only"), QLatin1String("--preprocess-into=") + expanded, QStringLiteral("-f"), probe});
    QFile file(expanded);
    if (file.open(QIODevice::ReadOnly)) {
        const auto match =
            QRegularExpression(QStringLiteral("^# include-path=(.*)$"), QRegularExpression::MultilineOption).match(QString::fromUtf8(file.readAll()));
        if (match.hasMatch()) {
            cached = match.captured(1).split(QLatin1Char(':'), Qt::SkipEmptyParts);
        }
    }
    QFile::remove(probe);
    QFile::remove(expanded);
    return cached;
}
}

QString SyslogNg::program()
{
    QString found = QStandardPaths::findExecutable(QStringLiteral("syslog-ng"));
    if (found.isEmpty()) {
        found = QStandardPaths::findExecutable(QStringLiteral("syslog-ng"), {QStringLiteral("/usr/sbin"), QStringLiteral("/sbin")});
    }
    return found;
}

SyslogNg::SyslogNg(const QString &workDir)
    : m_process(std::make_unique<ChildProcess>())
{
    const QFileInfo info(workDir);
    if (info.isAbsolute() && info.isDir() && QDir::cleanPath(workDir) != QLatin1String("/")) {
        m_workDir = QDir::cleanPath(workDir);
    } else {
        qCritical("SyslogNg: %s is not a private absolute directory; nothing will run", qPrintable(workDir));
    }
    m_process->setProcessChannelMode(QProcess::MergedChannels);
}

SyslogNg::~SyslogNg()
{
    stop();
}

QString SyslogNg::path(const QString &name) const
{
    return m_workDir + QLatin1Char('/') + name;
}

QString SyslogNg::socketPath() const
{
    return m_workDir.isEmpty() ? QString() : path(QStringLiteral("events.sock"));
}

QString SyslogNg::pythonOutputPath() const
{
    return m_workDir.isEmpty() ? QString() : path(QStringLiteral("python-destination.jsonl"));
}

QString SyslogNg::writeMainConfig(const QStringList &includedFiles)
{
    if (m_workDir.isEmpty()) {
        return {};
    }
    QString text = QStringLiteral(
                       "@version: 3.38\n\n"
                       "source tarn_events_src {\n    unix-dgram(%1 flags(no-parse));\n};\n\n"
                       "parser tarn_events_parser {\n    json-parser(prefix(\"MSG.\"));\n};\n\n")
                       .arg(quoted(socketPath()));
    for (const QString &file : includedFiles) {
        text += QLatin1String("@include ") + quoted(file) + QLatin1Char('\n');
    }
    const QString mainConfig = path(QStringLiteral("syslog-ng.conf"));
    return writeText(mainConfig, text) ? mainConfig : QString();
}

QString SyslogNg::writeWrapper(const QString &mainConfig)
{
    if (m_workDir.isEmpty() || !QFileInfo(mainConfig).isFile()) {
        return {};
    }
    const QStringList builtIn = defaultIncludePath(m_workDir);
    if (builtIn.isEmpty()) {
        return {};
    }
    // The main file's directory first; the system's configuration directory
    // (the one holding scl.conf) only through a copy of its scl.conf.
    QStringList includePath{QFileInfo(mainConfig).absolutePath()};
    const QString systemConf = path(QStringLiteral("system-conf"));
    for (const QString &dir : builtIn) {
        const QString scl = dir + QLatin1String("/scl.conf");
        if (!QFileInfo(scl).isFile()) {
            includePath << dir;
            continue;
        }
        QDir().mkpath(systemConf);
        QFile::remove(systemConf + QLatin1String("/scl.conf"));
        if (!QFile::copy(scl, systemConf + QLatin1String("/scl.conf"))) {
            return {};
        }
        includePath << systemConf;
    }
    const QString wrapper = path(QStringLiteral("wrapper.conf"));
    const QString text = QLatin1String("@define include-path ") + quoted(includePath.join(QLatin1Char(':'))) + QLatin1String("\n@include ")
        + quoted(QFileInfo(mainConfig).absoluteFilePath()) + QLatin1Char('\n');
    return writeText(wrapper, text) ? wrapper : QString();
}

std::expected<void, QString> SyslogNg::checkSyntax(const QString &mainConfig)
{
    if (program().isEmpty()) {
        return std::unexpected(QStringLiteral("syslog-ng is not installed"));
    }
    const QString wrapper = writeWrapper(mainConfig);
    if (wrapper.isEmpty()) {
        return std::unexpected(QStringLiteral("cannot prepare a syntax check of %1 in %2").arg(mainConfig, m_workDir));
    }
    const auto [exitCode, output] = runToEnd({QStringLiteral("--syntax-only"), QStringLiteral("-f"), wrapper});
    if (exitCode != 0) {
        return std::unexpected(QString::fromUtf8(output));
    }
    return {};
}

std::expected<void, QString> SyslogNg::start(const QString &mainConfig)
{
    stop();
    if (program().isEmpty()) {
        return std::unexpected(QStringLiteral("syslog-ng is not installed"));
    }
    // A system tree's own main file includes destinations outside any private
    // directory (the event log): only main files of the work directory run.
    if (QFileInfo(mainConfig).absolutePath() != m_workDir) {
        return std::unexpected(QStringLiteral("refusing to run %1: only main files in %2 run").arg(mainConfig, m_workDir));
    }
    const QString wrapper = writeWrapper(mainConfig);
    if (wrapper.isEmpty()) {
        return std::unexpected(QStringLiteral("cannot prepare a run of %1 in %2").arg(mainConfig, m_workDir));
    }
    const QString pidFile = path(QStringLiteral("syslog-ng.pid"));
    QFile::remove(pidFile);

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    const QString pythonPath = environment.value(QStringLiteral("PYTHONPATH"));
    environment.insert(QStringLiteral("PYTHONPATH"),
                       pythonPath.isEmpty() ? QStringLiteral(PYTHON_STUB_DIR) : QStringLiteral(PYTHON_STUB_DIR) + QLatin1Char(':') + pythonPath);
    environment.insert(QStringLiteral("PYTHONDONTWRITEBYTECODE"), QStringLiteral("1")); // the stub lives in the source tree
    environment.insert(QStringLiteral("TARN_STUB_OUTPUT"), pythonOutputPath());
    m_process->setProcessEnvironment(environment);
    m_process->setWorkingDirectory(m_workDir);
    m_output.clear();
    m_process->start(program(),
                     {QStringLiteral("-F"),
                      QStringLiteral("-e"),
                      QStringLiteral("--no-caps"),
                      QStringLiteral("-f"),
                      wrapper,
                      QStringLiteral("-R"),
                      path(QStringLiteral("syslog-ng.persist")),
                      QStringLiteral("-p"),
                      pidFile,
                      QStringLiteral("-c"),
                      path(QStringLiteral("syslog-ng.ctl"))});

    QDeadlineTimer deadline(StartTimeoutMs);
    while (!QFileInfo::exists(pidFile)) {
        if (m_process->state() == QProcess::NotRunning || m_process->waitForFinished(20)) {
            const QString why =
                m_process->error() == QProcess::FailedToStart ? m_process->errorString() : QStringLiteral("exit code %1").arg(m_process->exitCode());
            return std::unexpected(QStringLiteral("syslog-ng ended before it was ready (%1):\n%2").arg(why, output()));
        }
        if (deadline.hasExpired()) {
            stop();
            return std::unexpected(QStringLiteral("syslog-ng was not ready within %1 ms:\n%2").arg(StartTimeoutMs).arg(output()));
        }
    }
    return {};
}

bool SyslogNg::isRunning() const
{
    return m_process->state() != QProcess::NotRunning;
}

bool SyslogNg::send(const QByteArray &record)
{
    const QByteArray target = QFile::encodeName(socketPath());
    sockaddr_un address{};
    if (target.isEmpty() || size_t(target.size()) >= sizeof(address.sun_path)) {
        return false;
    }
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, target.constData(), target.size());
    const int fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return false;
    }
    const ssize_t sent = ::sendto(fd, record.constData(), record.size(), 0, reinterpret_cast<const sockaddr *>(&address), sizeof(address));
    ::close(fd);
    return sent == record.size();
}

void SyslogNg::stop()
{
    if (m_process->state() == QProcess::NotRunning) {
        return;
    }
    m_process->terminate();
    if (!m_process->waitForFinished(StopTimeoutMs)) {
        m_process->kill();
        m_process->waitForFinished();
    }
    output();
}

QString SyslogNg::output()
{
    m_output += m_process->readAll();
    return QString::fromUtf8(m_output);
}

QByteArray SyslogNg::waitForLine(const QString &path, const QByteArray &text, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    do {
        QFile file(path);
        if (file.open(QIODevice::ReadOnly)) {
            for (const QByteArray &line : file.readAll().split('\n')) {
                if (line.contains(text)) {
                    return line;
                }
            }
        }
        QThread::msleep(20);
    } while (!deadline.hasExpired());
    return {};
}
