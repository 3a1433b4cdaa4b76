/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#pragma once

#include <QByteArray>
#include <QJsonDocument>
#include <QString>

#include <expected>

class QAbstractTableModel;
class QFile;

// Non-visual helpers shared by several parts of the module.
namespace Core::Utils
{
// Same size, and every cell's data for `role` equal.
bool isModelsEqual(const QAbstractTableModel *first, const QAbstractTableModel *second, Qt::ItemDataRole role);

// The document of `json`, or "error: json byte array is empty" /
// "error: json parse error: <parser's text>".
std::expected<QJsonDocument, QString> convertFromJson(const QByteArray &json);

// Copies `source` to "<user>/.config/tarn-event-watcher.notifyrc" of every
// directory under `homeRoot` (the nested home root ".lvd" included, once) and
// gives it to the user and group named like the directory, with the ids that
// getent reports (a name it does not know keeps the super-user as owner),
// mode 0644. The super-user does this in directories the users own, so
// nothing is followed: a home or ".config" that is a symbolic link gets no
// copy, the copy is a new file written under a temporary name, given away on
// the open file and renamed over whatever held its name (a link there is
// replaced, not followed). A copy that fails leaves the user's previous file.
// True when at least one user received the file for the first time, unless a
// later copy failed (in listing order; the nested run sets the result too).
bool makeNotifyrcForUsers(const QString &homeRoot, QFile &source);

// Asks the desktop to reboot; waits at most 30 s for the request.
void rebootSystem();

// The whole file, or "error: file doesn't exist: <path>" /
// "error: file can't be open: <path>" / "error: file is empty: <path>".
std::expected<QByteArray, QString> readFile(const QString &path);
}
