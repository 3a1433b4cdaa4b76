/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

class EventTreeItem;

// The administrator's session of the events-writer round trip over the sample
// catalogue: one change of every shape, marked the way the module's
// comparison with the reference tree marks it, and the checks that the tree
// loaded back from the written file holds exactly those changes.
//
// The sample's "/etc/tarn-syslog.conf" already overrides some events; they
// must come back unchanged too.
class RoundTripEdits
{
public:
    // Changes `working` (a fresh parse of the sample catalogue), then marks
    // every node that differs from `reference` (another fresh parse) as the
    // module would. Returns what could not be changed because the sample lacks
    // it; empty on success.
    QStringList apply(EventTreeItem *working, const EventTreeItem *reference);

    // Differences between `loaded` (parsed again after the write) and
    // `working`: values, switches, the `overridden` marks of the changed
    // nodes and of the nodes `original` (the tree before the changes) had
    // marked, and nodes marked in `loaded` without cause. Empty when the
    // round trip held.
    QStringList verify(const EventTreeItem *original, const EventTreeItem *working, const EventTreeItem *loaded) const;

    // Lines of an audit rules file that the real audit rule parser rejects,
    // each with its complaint. Sets `*available` to false, and returns
    // nothing, when the parser cannot be run here.
    static QStringList rejectedAuditRules(const QByteArray &rulesFile, bool *available);

    // Marks, as the module's comparison does, every node of `working` that
    // differs from the node at the same place in `reference`.
    static void markChanges(const EventTreeItem *reference, EventTreeItem *working);

    // Paths (native names from the root's children down) of the nodes changed.
    QList<QStringList> changedPaths() const;

private:
    QList<QStringList> m_changed;
};
