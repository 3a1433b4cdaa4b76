/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#pragma once

#include <QString>

#include <optional>

// Every fixed path of the system is resolved here, and only here.
//
// The constants are the absolute paths of a real installation. At run time
// they are placed below an optional root prefix taken from the environment
// variable ADMINEVENTS_ROOT (unset or empty: "/"), so that tests, the demo and
// CI work on a copy of a system tree instead of the machine's configuration.
// Only builds with the CMake option ADMINEVENTS_ROOT_PREFIX read the variable.
namespace SystemPaths
{
// The constants, as found on a real system.
inline constexpr auto EventSettingsDir = "/usr/share/syslog-ng-mod-tarn/event-settings";
inline constexpr auto EventSettingsFile = "/etc/tarn-syslog.conf";
inline constexpr auto AuditRulesFile = "/etc/audit/rules.d/tarn-syslog.rules";
inline constexpr auto SyslogNgConfigDir = "/etc/syslog-ng";
inline constexpr auto SyslogNgMainFile = "/etc/syslog-ng/syslog-ng.conf";
inline constexpr auto SyslogNgConfDir = "/etc/syslog-ng/conf.d";
inline constexpr auto SyslogNgCommonFile = "/etc/syslog-ng/conf.d/mod-tarn.conf";
inline constexpr auto LogrotateFile = "/etc/logrotate.d/syslog-ng-mod-tarn";
inline constexpr auto EventsDictionaryFile = "/etc/wisp-admin-events/eventsdictionary.json";
inline constexpr auto EventExampleFile = "/etc/wisp-admin-events/eventexample.json";
inline constexpr auto KNotificationsDir = "/usr/share/knotifications5/";
inline constexpr auto HomeRoot = "/home";
inline constexpr auto NestedHomeRoot = "/home/.lvd";
inline constexpr auto RootNotifyrcFile = "/root/.config/tarn-event-watcher.notifyrc";
inline constexpr auto MainEventLog = "/vigil/log/tarn/events";
inline constexpr auto ConfigManagerProgram = "/usr/sbin/tarn-event-config-manager";
inline constexpr auto WmFuncProgram = "/usr/bin/wisp-wmfunc";
// Private to the stand-in catalogue library: where it keeps audit settings.
inline constexpr auto AuditStoreFile = "/var/lib/tarnevents/audit-settings.json";
// The helper's own state: the previous version of every file the last
// apply replaced or removed.
inline constexpr auto PreviousConfigDir = "/var/lib/adminevents-helper/previous";
// Log of the stand-in window-manager control program.
inline constexpr auto WmFuncLogFile = "/var/log/wisp-wmfunc.log";
// Programs of the system the helper runs as the super-user.
inline constexpr auto SystemctlProgram = "/usr/bin/systemctl";
inline constexpr auto GetentProgram = "/usr/bin/getent";
inline constexpr auto SyslogNgProgram = "/usr/sbin/syslog-ng";
// The validators the helper checks a new configuration with.
inline constexpr auto LogrotateProgram = "/usr/sbin/logrotate";
inline constexpr auto AuditctlProgram = "/usr/sbin/auditctl";
inline constexpr auto UnshareProgram = "/usr/bin/unshare";

// Whether this build honours ADMINEVENTS_ROOT at all. Builds for tests and
// the demo do (CMake option ADMINEVENTS_ROOT_PREFIX); an installed build
// never does, so that nobody can point the helper at another tree.
bool rootPrefixEnabled();

// A program of the system by its absolute path (`absolutePath`). Builds that
// honour the root prefix look its last component up on PATH instead, so that
// tests put recording stand-ins first on PATH; installed builds never search.
QString systemProgram(const char *absolutePath);

// The program systemProgram() names, as an absolute path, when it is there to
// be run; otherwise empty. Builds that honour the root prefix look it up on
// PATH, installed builds check the absolute path.
QString findSystemProgram(const char *absolutePath);

// Where a root that cannot be used leads every path: below a device, where
// nothing can be read, created or removed (every call fails with ENOTDIR).
inline constexpr auto UnusableRoot = "/dev/null";

// What the program asks of the root.
enum class RootUse {
    // The module and the helper: no root (or "/") is the system itself.
    SystemAllowed,
    // The stand-in programs of a build for tests: they must never act on the
    // machine, so a build that honours the prefix needs a root other than "/".
    PrivateTreeRequired,
};

// Why ADMINEVENTS_ROOT cannot be used, or nothing when it can. A root that is
// set must be an absolute path: a relative one would be taken relative to the
// working directory (often "/"). Builds without the root prefix ignore the
// variable and never report a problem. The module, the helper and the
// stand-ins call this before they touch a file and refuse to work when it
// reports something.
std::optional<QString> rootProblem(RootUse use = RootUse::SystemAllowed);
bool rootIsUsable(RootUse use = RootUse::SystemAllowed);

// The prefix: ADMINEVENTS_ROOT without trailing slashes, empty for "/".
// A relative root (a problem for every use, see rootProblem()) gives
// UnusableRoot.
QString rootPrefix();

// `absolutePath` (which starts with "/") placed below the root prefix. With a
// relative root the result lies below UnusableRoot, never at "/".
QString resolve(const QString &absolutePath);
QString resolve(const char *absolutePath);

// The inverse of resolve(): the system path of a resolved path, or an empty
// string when `resolvedPath` does not lie below the root prefix.
QString unresolve(const QString &resolvedPath);

// Path of a notification destination file: "<syslog-ng conf.d>/mod-tarn-<fileId>.conf", resolved.
QString notificationDestinationFile(const QString &fileId);
}
