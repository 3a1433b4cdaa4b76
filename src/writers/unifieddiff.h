/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#pragma once

#include "plannedfile.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

// Line differences of configuration files in the unified format, to show an
// administrator what an apply is about to change. Rendering only: nothing is
// written and nothing privileged runs.
class UnifiedDiff
{
public:
    static constexpr int DefaultContext = 3;

    // The unified diff of the file `path` from `before` to `after`: the
    // headers "--- <path>" and "+++ <path>" ("/dev/null" for a side without
    // the file), then hunks with `context` lines of context around the
    // changes, as diff -u writes them ("\ No newline at end of file" after a
    // last line without one). Empty when both sides are the same.
    static QString diff(const QString &path, const std::optional<QByteArray> &before, const std::optional<QByteArray> &after, int context = DefaultContext);

    // What `files` would do to the files on disk now: one line per file
    // (new, replaced, removed, written unchanged), an empty line, then the
    // diff of every file that changes. A removal of a file that is not
    // there is left out.
    static QString preview(const QList<PlannedFile> &files);
};
