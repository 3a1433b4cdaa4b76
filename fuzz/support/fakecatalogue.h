/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>

// The catalogue library's functions (tnev_*, not the audit store's tnevas_*)
// served from memory, in place of libtarnevents: the texts of the current
// input, whatever they hold, where the library itself would refuse a
// catalogue whose event texts are no JSON objects.
namespace FakeCatalogue
{
// (identifier, text); a null text is an identifier the library does not
// know. `settings` is the event settings file, whose object members are the
// local overrides, served as compact JSON as the library serves them.
using Entries = QList<QPair<QByteArray, QByteArray>>;
void set(const Entries &groups, const Entries &events, const QByteArray &settings);

// The sample tree's catalogue and event settings file; with `events`, only
// those of the sample's events.
void setSample(const QList<QByteArray> &events = {});

// Makes `dictionary` the parameter dictionary of the parsers made from now
// on: written as the dictionary file below the active root and loaded, unless
// it is the one loaded last. No parser may be alive.
void useDictionary(const QByteArray &dictionary);
}
