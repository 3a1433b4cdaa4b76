/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "eventconfigstorage.h"

#include "localekeeper.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QVariant>

namespace
{
QString textOf(const QJsonValue &value)
{
    return value.isString() ? value.toString() : QString::fromUtf8(value.toVariant().toByteArray());
}
}

EventConfigStorage::EventConfigStorage(const QString &directory)
{
    const QDir root(directory);
    const QStringList groupDirs = root.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Unsorted);
    for (const QString &groupName : groupDirs) {
        const QDir group(root.filePath(groupName));
        const QFileInfoList files = group.entryInfoList(QDir::Files, QDir::Unsorted);
        for (const QFileInfo &info : files) {
            const QString eventId = info.baseName();
            if (eventId == groupName) {
                continue; // the group's own description
            }
            QFile file(info.filePath());
            if (!file.open(QIODevice::ReadOnly)) {
                continue;
            }
            m_events.insert(eventId, QJsonDocument::fromJson(file.readAll()).object());
        }
    }
}

std::optional<QJsonObject> EventConfigStorage::getOne(const QString &eventId) const
{
    const auto it = m_events.constFind(eventId);
    if (it == m_events.constEnd()) {
        return std::nullopt;
    }
    return *it;
}

std::optional<std::pair<QString, QString>> EventConfigStorage::getMessageParams(const QString &eventId) const
{
    const auto it = m_events.constFind(eventId);
    if (it == m_events.constEnd()) {
        return std::nullopt;
    }
    const QJsonObject params = it->value(QLatin1String("message-params")).toObject();
    const QLatin1String nameKey = LocaleKeeper::Instance().isRussian() ? QLatin1String("name_ru") : QLatin1String("name_en");
    const QJsonValue messageId = params.value(QLatin1String("message_id"));
    const QJsonValue name = params.value(nameKey);
    return std::make_pair(messageId.isUndefined() ? QString() : textOf(messageId), name.isUndefined() ? QString() : textOf(name));
}
