/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#pragma once

#include "accessservice.h"

#include <QByteArray>
#include <QStringList>
#include <QVariantHash>

// Writes, exports and imports configuration through the helper.
//
// The helper checks a new configuration before it installs it: a rejected
// write fails with a text that gives the validator's message
// (lastWriteRejected() tells), and files it could not check are collected
// for the caller (takeUncheckedFiles()). It also keeps the version of every
// file an apply replaces or removes; the writes between beginApply() and
// endApply() form one apply, which restorePrevious() undoes.
class ConfigAccessService : public AccessService
{
    Q_OBJECT
public:
    explicit ConfigAccessService(QObject *parent);

    // The file actions until endApply() belong to one apply; without it,
    // each action is an apply of its own.
    void beginApply();
    void endApply();

    // Whether the last write failed because a validator rejected the new
    // configuration (nothing was installed).
    bool lastWriteRejected() const;
    // "<path>: <why>" of every file written without a check since the last
    // call.
    QStringList takeUncheckedFiles();

    // Puts back the files as they were before the last apply; the system
    // paths put back are the action result ActionIds::RestoredKey.
    bool restorePrevious();

    // The bytes writeConfig() sends for `lines`: each followed by "\n".
    static QByteArray linesToBytes(const QStringList &lines);

    // Replaces the file at `path` (a managed configuration file) with `content`.
    bool writeConfig(const QString &path, QByteArray content);
    // The same for text given as lines, each ended by "\n".
    bool writeConfig(const QString &path, const QStringList &lines);

    // Deletes those of the notification destination files `paths` that exist.
    bool removeNotificationConfigs(const QStringList &paths);
    // Writes notification destination files, path -> content (a QByteArray),
    // creating or replacing each; a file that fails does not stop the others.
    bool writeNotificationConfigs(const QVariantHash &notifications);

    // Exports the whole logging configuration into the archive `path`. The
    // helper creates the archive, or replaces an existing one once the new
    // one is complete; before asking it, the user's own rights must allow
    // writing an existing file there, or creating one in its directory.
    bool exportConfig(const QString &path);
    // Imports the whole logging configuration from the archive `path`, which
    // the user must be able to read.
    bool importConfig(const QString &path);

private:
    // Runs a file action of the current apply and takes its outcome in.
    bool executeFileAction(KAuth::Action &action);

    QString m_generation;
    bool m_rejected = false;
    QStringList m_unchecked;
};
