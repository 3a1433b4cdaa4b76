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
// directory under `homeRoot` (the nested home root ".lvd" included) and gives
// it to "<user>:<user>". True when at least one user received the file for
// the first time, unless a later copy failed.
bool makeNotifyrcForUsers(const QString &homeRoot, QFile &source);

// Asks the desktop to reboot; waits at most 30 s for the request.
void rebootSystem();

// The whole file, or "error: file doesn't exist: <path>" /
// "error: file can't be open: <path>" / "error: file is empty: <path>".
std::expected<QByteArray, QString> readFile(const QString &path);
}
