/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#pragma once

#include <QString>

#include <expected>

// Which paths the helper agrees to touch.
//
// The helper runs as the super-user on paths its caller names. It writes and
// removes only the configuration files of the security event logging, placed
// below the root prefix (SystemPaths): the event settings file, the audit
// rules file, the syslog-ng common file, the logrotate file and the
// notification destination files "mod-tarn-<file id>.conf" directly in the
// syslog-ng configuration directory. Its own state it keeps in one directory
// below the root prefix (the previous version of the files of the last
// apply). The archive of an export or an import is
// a file the user picked, which the helper reads or writes with the user's
// credentials; as an early refusal it is accepted only as a plain regular
// file (or, for an export, a new file in an existing directory) reached
// without any symbolic link.
class PathPolicy
{
public:
    // Empty on acceptance, otherwise why the path is refused.
    using Verdict = std::expected<void, QString>;

    enum class ArchiveUse {
        Export, // the helper writes it
        Import, // the helper reads it
    };

    // Letters, digits, "-", "_" and ".", not empty and not starting with ".".
    static bool isFileId(const QString &fileId);

    // Whether `path` names one of the managed files, exactly as SystemPaths
    // places it below the root prefix ("..", "//" and relative forms are not).
    static bool isManagedFile(const QString &path);

    // For writing or removing `path`: a managed file, no symbolic link on the
    // way below the root prefix, and, when it exists, a regular file.
    static Verdict checkManagedFile(const QString &path);

    // For the helper's own state: the state directory itself (a directory or
    // missing) or a file directly in it (a regular file or missing), with no
    // symbolic link on the way below the root prefix.
    static Verdict checkStatePath(const QString &path);

    // For an export or import archive: an absolute path without any symbolic
    // link, naming an existing regular file; an export target may also be
    // missing when its directory exists.
    static Verdict checkArchiveFile(const QString &path, ArchiveUse use);
};
