/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#pragma once

#include <QHash>
#include <QJsonObject>
#include <QString>

#include <optional>
#include <utility>

// The event description files of the event-settings directory, read once:
// event identifier (the file's base name) -> the file's top-level object.
class EventConfigStorage
{
public:
    explicit EventConfigStorage(const QString &directory);

    std::optional<QJsonObject> getOne(const QString &eventId) const;
    // ("message_id", display name in the system language) of the event's
    // "message-params"; empty when nothing is stored under the identifier.
    std::optional<std::pair<QString, QString>> getMessageParams(const QString &eventId) const;

private:
    QHash<QString, QJsonObject> m_events;
};
