/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#pragma once

#include <QString>
#include <QStringList>

#include <expected>

// The previous version of every file the helper replaces or removes, kept
// for one apply: the files as they were before the latest apply.
//
// An apply is every action that carries the same generation (the module
// sends one for all the writes of one Apply); an action without a
// generation is an apply of its own. The first file kept for a new
// generation drops the previous one. Within a generation the first version
// kept of a file wins, so that a file written twice comes back as it was
// before the first write. A file that did not exist is kept as missing: a
// restore removes it.
//
// The store lives in SystemPaths::PreviousConfigDir below the root: a
// directory only the super-user can enter (0700), holding a manifest and one
// file (0600) per kept version, never reached through a symbolic link.
class BackupStore
{
public:
    using Result = std::expected<void, QString>;

    // `generation` empty: a generation of its own.
    explicit BackupStore(const QString &generation);

    // Keeps the current version of each of `paths` (resolved managed files,
    // existing or not) that this generation does not hold yet.
    Result keep(const QStringList &paths);
    // Keeps each of `paths` as missing, unless this generation holds it.
    Result keepAsMissing(const QStringList &paths);

    // Puts every file of the kept generation back as it was (and removes
    // those that were missing); the system paths put back. The generation
    // stays, so a restore can be repeated. Every file is tried; an error
    // names those that failed.
    static std::expected<QStringList, QString> restore();

private:
    Result record(const QStringList &paths, bool asMissing);

    QString m_generation;
};
