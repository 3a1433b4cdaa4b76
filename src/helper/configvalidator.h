/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <expected>
#include <map>
#include <optional>

// Checks the configuration a change would give with the programs that read
// it, before the helper installs anything:
// - syslog-ng files (the common file, notification destination files):
//   `syslog-ng --syntax-only` over a staged copy of the whole syslog-ng
//   configuration directory below the root, with every changed file in
//   place of the old one;
// - the logrotate file: `logrotate -d` over a staged copy, with a private
//   state file;
// - the audit rules: each rule parsed by `auditctl` inside a user namespace
//   of its own, where the kernel refuses to load anything.
// The validators are found as SystemPaths::findSystemProgram() finds them.
// A file that cannot be checked (no validator, no user namespace, nowhere to
// stage) is reported as unchecked, never as rejected.
class ConfigValidator
{
public:
    // Resolved path -> new content; no content: the file is removed.
    using Changes = std::map<QString, std::optional<QByteArray>>;

    struct Outcome {
        // The validators' own messages when they reject the change, with
        // staged paths given as the real ones.
        std::optional<QString> rejection;
        // One "<path>: <why>" for each changed file that was not checked.
        QStringList unchecked;
    };

    // Checks every file of `changes` that has a validator. Removals alone
    // are not checked.
    static Outcome check(const Changes &changes);

    // The syslog-ng configuration as it is on disk, with `changes` applied
    // (none: as it is).
    static Outcome checkSyslogNg(const Changes &changes);

    // Copies the syslog-ng configuration directory below the root into
    // `stageDir` (regular files and directories only, never through a link)
    // with `changes` applied, and returns the staged main file. Absolute
    // includes of the directory in the main file lead to the copy. Without a
    // main file the copy gets a stand-in that declares the event source and
    // parser the event files use and includes "conf.d/*.conf".
    static std::expected<QString, QString> stageSyslogNg(const QString &stageDir, const Changes &changes);
};
