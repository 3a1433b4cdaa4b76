/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#pragma once

#include "cataloguevalue.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QString>

// The compact JSON text of a value, character for character what
// QJsonDocument::toJson(QJsonDocument::Compact) gives after decoding from
// UTF-8, written straight into a QString. The event trees keep the text of
// every array and audit table, and going through QJsonDocument would copy
// each of them into a document of its own first.
namespace CompactJson
{
// An array or an object.
QString toText(const CatalogueValue &value);
// The same, with the members of every object in the order of the code
// points of their keys: QJsonDocument's order for an object it read, but
// also for one whose members were inserted, where Qt orders keys beyond the
// Basic Multilingual Plane otherwise.
QString toText(const QJsonArray &array);
QString toText(const QJsonObject &object);
}
