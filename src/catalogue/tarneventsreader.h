/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#pragma once

#include "cataloguevalue.h"

#include <QJsonObject>
#include <QStringList>

// Thin adapter over the catalogue library libtarnevents: initialises it, takes
// the group and event identifier lists once, and fetches one JSON text at a
// time. Every reader initialises the library once and frees it once.
class TarnEventsReader
{
public:
    TarnEventsReader();
    ~TarnEventsReader();

    // Empty when the library does not have the identifier.
    QString getGroupJson(const QString &id) const;
    QString getEventJson(const QString &id) const;
    QString getOverrideEventJson(const QString &id) const;
    // The same texts parsed straight from the library's buffer, without
    // copies: the top-level object, empty when the library does not have the
    // identifier or the text is not a JSON object.
    QJsonObject getGroupObject(const QString &id) const;
    QJsonObject getEventObject(const QString &id) const;
    QJsonObject getOverrideEventObject(const QString &id) const;
    // The event texts as the parser walks them: the same objects, read
    // without QJsonDocument's copies of every key and string.
    CatalogueValue getEventValue(const QString &id) const;
    CatalogueValue getOverrideEventValue(const QString &id) const;

    QStringList eventIds;
    QStringList groupIds;
    // tnev_init() succeeded.
    bool valid = false;
    // The catalogue is unusable: the library refused it, or handed out an
    // identifier list that ends before the count it announced.
    bool broken = true;

private:
    Q_DISABLE_COPY(TarnEventsReader)
};
