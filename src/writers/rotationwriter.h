/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#pragma once

#include "abstractwriter.h"

// Renders the tree of a logrotate file (the shape LogRotateParser builds).
//
// Without source lines (or with lines that hold no block to edit) the block
// is written from the tree alone: the header, "{", one line per directive
// (scripts up to "endscript"; of the directives the page edits only the
// first of each kind), "}". With the lines
// of the file the tree was read from, only the directives the rotation page
// edits change: the number kept ("rotate"), the size limit ("size") and the
// period ("hourly" ... "yearly"). Each is set from the block's first node of
// its kind: an existing line of that kind is replaced in place (kept as it
// stands when its value is the same), a missing one is inserted after the
// block's "{", and lines of a kind the tree lacks, or repeated lines, are
// removed. Comments, blank lines, scripts and all other directives stay, in
// their order.
class RotationWriter : public AbstractWriter
{
public:
    RotationWriter(ConfigAccessService &configAccessService, const QString &configFile);

    // The lines of the file the tree was read from (LogRotateParser::sourceLines()).
    void setSourceLines(const QStringList &lines);

    QStringList createConfig(TreeItem *root) override;

private:
    QStringList renderTree(TreeItem *root) const;
    QStringList editSource(TreeItem *root) const;

    QStringList m_sourceLines;
};
