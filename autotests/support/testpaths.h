/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#pragma once

#include <QString>

class QTemporaryDir;

// Guards for what tests remove: nothing outside a temporary directory the test
// made itself is ever deleted, even when that directory could not be made.
namespace TestPaths
{
// Whether `dir` is valid and its path absolute. Logs why not.
bool isUsable(const QTemporaryDir &dir);

// Whether `path` is absolute and lies strictly inside `dir` (a usable
// temporary directory), also once symbolic links of its existing part are
// resolved.
bool isInside(const QTemporaryDir &dir, const QString &path);

// Removes the tree at `path` (a link there is removed, not followed) when
// isInside(dir, path); otherwise removes nothing and returns false (logged).
// True also when nothing was there.
bool removeTreeInside(const QTemporaryDir &dir, const QString &path);
}
