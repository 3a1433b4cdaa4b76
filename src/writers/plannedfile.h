/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// A file an apply is about to write (with its new content) or remove
// (without content), by its resolved path.
struct PlannedFile {
    QString path;
    std::optional<QByteArray> content;
};
