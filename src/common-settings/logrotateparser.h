/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#pragma once

#include "abstractconfigparser.h"

#include <QStringList>

// Reads a logrotate file that holds one block into a small tree.
//
// The root holds "Parameter", "Value"; its one child is the block, with the
// block's file patterns in column 0. Each child of the block is a directive
// in file order: column 0 the keyword, column 1 its argument (empty when it
// has none). A script (prerotate, postrotate) gives one node per script
// line: column 0 the script keyword, column 1 the line, simplified.
//
// Comments, blank lines and the braces of the block are not in the tree;
// sourceLines() keeps the file as it was read, so that a writer can change
// some directives and leave everything else as it stands.
class LogRotateParser : public AbstractConfigParser
{
    Q_OBJECT
public:
    explicit LogRotateParser(const QString &configFile, QObject *parent = nullptr);

    // The tree, owned by the caller, or null: the file could not be read,
    // holds no block (or one without file patterns), a keyword outside
    // logRotateParameters(), a second block, or a script without
    // "endscript". errorString() says why.
    TreeItem *parse() const override;

    // The lines of the file read by the last parse(), without the empty
    // piece after a final line feed. Empty when nothing could be read.
    QStringList sourceLines() const;

    // The directives the parser accepts besides the two scripts.
    const QStringList &logRotateParameters() const;

private:
    TreeItem *badFile() const;

    const QStringList m_logRotateParameters;
    mutable QStringList m_sourceLines;
};
