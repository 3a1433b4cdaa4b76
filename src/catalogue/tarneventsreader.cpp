/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "tarneventsreader.h"

#include <tarnevents.h>

#include <QJsonDocument>

#include <cstring>

namespace
{
// Copies a text the library keeps; the library owns the buffer.
QString fromLibrary(const char *text)
{
    return text ? QString::fromUtf8(text) : QString();
}

QJsonObject parseFromLibrary(const char *text)
{
    if (!text || !*text) {
        return QJsonObject();
    }
    // The parsed document copies what it keeps: the library's buffer is only
    // read while parsing.
    return QJsonDocument::fromJson(QByteArray::fromRawData(text, static_cast<int>(std::strlen(text)))).object();
}

CatalogueValue valueFromLibrary(const char *text)
{
    return CatalogueValue::parseObject(text, text ? static_cast<qsizetype>(std::strlen(text)) : 0);
}
}

TarnEventsReader::TarnEventsReader()
{
    if (tnev_init() < 0) {
        return;
    }
    valid = true;
    broken = false;

    char **groups = tnev_get_group_ids();
    char **events = tnev_get_event_ids();
    groupIds.reserve(static_cast<int>(tnev_groups_count()));
    eventIds.reserve(static_cast<int>(tnev_events_count()));

    // The library promises as many entries as it counts. A list that ends
    // early (or is missing) would give a tree without some of the catalogue,
    // and saving such a tree would drop the local settings of what is
    // missing: the catalogue is then reported as broken.
    if (!groups && tnev_groups_count() > 0) {
        broken = true;
    }
    for (unsigned int i = 0; groups && i < tnev_groups_count(); ++i) {
        if (!groups[i]) {
            broken = true;
            break;
        }
        groupIds.append(QString::fromUtf8(groups[i]));
    }
    if (!events && tnev_events_count() > 0) {
        broken = true;
    }
    for (unsigned int i = 0; events && i < tnev_events_count(); ++i) {
        if (!events[i]) {
            broken = true;
            break;
        }
        eventIds.append(QString::fromUtf8(events[i]));
    }

    if (groups) {
        tnev_free_string_array(groups);
    }
    if (events) {
        tnev_free_string_array(events);
    }
}

TarnEventsReader::~TarnEventsReader()
{
    tnev_free();
}

// Identifiers go back to the library in the encoding it handed them out in.
QString TarnEventsReader::getGroupJson(const QString &id) const
{
    return fromLibrary(tnev_get_group_json(id.toUtf8().constData()));
}

QString TarnEventsReader::getEventJson(const QString &id) const
{
    return fromLibrary(tnev_get_event_json(id.toUtf8().constData()));
}

QString TarnEventsReader::getOverrideEventJson(const QString &id) const
{
    return fromLibrary(tnev_get_override_event_json(id.toUtf8().constData()));
}

QJsonObject TarnEventsReader::getGroupObject(const QString &id) const
{
    return parseFromLibrary(tnev_get_group_json(id.toUtf8().constData()));
}

QJsonObject TarnEventsReader::getEventObject(const QString &id) const
{
    return parseFromLibrary(tnev_get_event_json(id.toUtf8().constData()));
}

QJsonObject TarnEventsReader::getOverrideEventObject(const QString &id) const
{
    return parseFromLibrary(tnev_get_override_event_json(id.toUtf8().constData()));
}

CatalogueValue TarnEventsReader::getEventValue(const QString &id) const
{
    return valueFromLibrary(tnev_get_event_json(id.toUtf8().constData()));
}

CatalogueValue TarnEventsReader::getOverrideEventValue(const QString &id) const
{
    return valueFromLibrary(tnev_get_override_event_json(id.toUtf8().constData()));
}
