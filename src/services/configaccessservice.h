/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#pragma once

#include "accessservice.h"

#include <QByteArray>
#include <QStringList>
#include <QVariantHash>

// Writes, exports and imports configuration through the helper.
class ConfigAccessService : public AccessService
{
    Q_OBJECT
public:
    explicit ConfigAccessService(QObject *parent);

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
};
