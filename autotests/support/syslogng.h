/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <expected>
#include <memory>

// The real syslog-ng as the judge of configuration files: checks their syntax
// and runs them, fed with records through a socket in a private directory.
//
// Whatever it runs, syslog-ng reads no configuration of the machine: a
// wrapper in the work directory sets the include path to the main file's own
// directory (where a main file in syslog-ng's configuration directory has its
// relative includes resolved, e.g. "conf.d/*.conf"), a private copy of the
// system's scl.conf and syslog-ng's library of includes. The machine's own
// configuration directory is left out: its conf.d would be included as well.
//
// A real run keeps its persist, pid and control files in the work directory.
// Run only configurations whose destinations write into the work directory.
// python() destinations of class
// syslog_ng_mod_tarn.tarn_syslog_ng_destination.TarnSyslogNgDestination reach
// a stub that appends one JSON line per record to pythonOutputPath():
// {"options": {<option>: <value>, ...}, "record": <the JSON record sent>}.
class SyslogNg
{
public:
    // syslog-ng on PATH (or in the usual sbin directories), or empty.
    static QString program();

    // Works in `workDir`: an absolute temporary directory the caller made.
    explicit SyslogNg(const QString &workDir);
    ~SyslogNg(); // stops a running instance

    SyslogNg(const SyslogNg &) = delete;
    SyslogNg &operator=(const SyslogNg &) = delete;

    // A main configuration in the work directory: @version, the event source
    // tarn_events_src on socketPath(), the parser tarn_events_parser, then an
    // @include of each file. Its path, or empty when it cannot be written.
    QString writeMainConfig(const QStringList &includedFiles);

    // --syntax-only over a main file (ours, or e.g. a system tree's own
    // syslog-ng.conf); syslog-ng's output on failure.
    std::expected<void, QString> checkSyntax(const QString &mainConfig);

    // Runs syslog-ng in the foreground on a main file of the work directory
    // (e.g. from writeMainConfig(); others are refused), without capabilities;
    // ready once its pid file appears (bounded wait). On failure the instance
    // is gone and the error holds its output.
    std::expected<void, QString> start(const QString &mainConfig);
    bool isRunning() const;

    // Sends one record (a JSON text) to the source socket as one datagram.
    bool send(const QByteArray &record);

    // Ends the instance (terminate, then kill when it does not go).
    void stop();

    QString socketPath() const;
    QString pythonOutputPath() const;
    // What the running (or last) instance printed so far.
    QString output();

    // The first line of `path` holding `text`, waiting a bounded time for it
    // to be written; empty when none came.
    static QByteArray waitForLine(const QString &path, const QByteArray &text, int timeoutMs = 10000);

private:
    QString writeWrapper(const QString &mainConfig);
    QString path(const QString &name) const;

    QString m_workDir;
    std::unique_ptr<QProcess> m_process;
    QByteArray m_output;
};
