/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/

// wisp-wmfunc: the desktop's window-manager control program, as far as the
// settings module uses it. The only request it knows is "WISPWM_REBOOT", and it
// does not reboot: it records the request, so that a test or a demo can see
// that a reboot was asked for and in which session.
//
// Each request appends one line to SystemPaths::WmFuncLogFile (below
// ADMINEVENTS_ROOT):
//
//   <UTC time, ISO 8601 with ms> WISPWM_REBOOT XDG_RUNTIME_DIR=<value>
//
// or "... WISPWM_REBOOT XDG_RUNTIME_DIR unset" when the variable is not set.
// A build for tests (CMake option ADMINEVENTS_ROOT_PREFIX) refuses to run
// unless ADMINEVENTS_ROOT names a private tree by an absolute path.
//
// Exit status: 0 when recorded, 1 when the log cannot be written or the root
// cannot be used, 2 for any other argument list.

#include "systempaths.h"

#include <QByteArray>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>

#include <cstdio>
#include <cstring>

namespace
{
constexpr char RebootRequest[] = "WISPWM_REBOOT";
}

int main(int argc, char **argv)
{
    if (const auto problem = SystemPaths::rootProblem(SystemPaths::RootUse::PrivateTreeRequired)) {
        std::fprintf(stderr, "wisp-wmfunc: %s\n", qPrintable(*problem));
        return 1;
    }
    if (argc != 2 || std::strcmp(argv[1], RebootRequest) != 0) {
        std::fprintf(stderr, "wisp-wmfunc: unsupported request%s%s\nusage: wisp-wmfunc %s\n", argc > 1 ? ": " : "", argc > 1 ? argv[1] : "", RebootRequest);
        return 2;
    }

    QByteArray line = QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs).toLatin1() + ' ' + RebootRequest;
    if (qEnvironmentVariableIsSet("XDG_RUNTIME_DIR")) {
        line += " XDG_RUNTIME_DIR=" + qgetenv("XDG_RUNTIME_DIR");
    } else {
        line += " XDG_RUNTIME_DIR unset";
    }
    line += '\n';

    const QString logPath = SystemPaths::resolve(SystemPaths::WmFuncLogFile);
    QDir().mkpath(QFileInfo(logPath).absolutePath());
    QFile log(logPath);
    if (!log.open(QIODevice::WriteOnly | QIODevice::Append) || log.write(line) != line.size() || !log.flush()) {
        std::fprintf(stderr, "wisp-wmfunc: cannot record the request in %s: %s\n", qPrintable(logPath), qPrintable(log.errorString()));
        return 1;
    }
    log.close();

    std::printf("wisp-wmfunc: reboot requested; recorded in %s, nothing is rebooted\n", qPrintable(logPath));
    return 0;
}
