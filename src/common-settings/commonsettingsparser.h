/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#pragma once

#include "abstractconfigparser.h"

#include <QStringList>

class TreeItem;

// Reads a syslog-ng configuration file into a two-level tree.
//
// The root holds "Parameter", "Name", "Value". Each child of the root is one
// top-level piece of the file, in file order:
// - a directive ("@version: 3.38", "@include \"scl.conf\""): column 0 the
//   text before the quoted value (or the whole line when it has none),
//   column 1 the quoted value;
// - a block statement: column 0 the keyword (source, destination, filter,
//   parser, log, ...), column 1 its name (empty for log);
// - a comment: column 0 the comment as it stands, from its "#" to the end
//   of its line.
// Each child of a block statement is one option: column 0 its name (file,
// network, source, destination, "if (...)", channel, ...), column 1 the
// delimiter marker (ParenthesisOption or BraceOption, or a comment marker),
// column 2 the argument text exactly as it stands between the delimiters.
// A comment inside a block is an option whose column 0 holds the comment and
// whose column 1 is CommentOption. An expression ("match(...) and
// program(...)") is one option: its name is what stands before the first
// "(", its argument everything up to the last ")". A conditional
// ("if (...) {...} elif (...) {...} else {...}") is one option named
// "if (...)", its argument everything between its first "{" and its last "}".
class CommonSettingsParser : public AbstractConfigParser
{
    Q_OBJECT
public:
    // Markers in column 1 of an option node.
    static constexpr auto ParenthesisOption = "()";
    static constexpr auto BraceOption = "{}";
    static constexpr auto CommentOption = "#";

    explicit CommonSettingsParser(const QString &configFile, QObject *parent = nullptr);
    ~CommonSettingsParser() override;

    // The root of a new tree, owned by the caller; never null.
    TreeItem *parse() const override;
    // The same over a text instead of the file.
    TreeItem *parseText(const QString &text) const;

    // The pieces of the text the last parse could not place in the tree
    // (unbalanced braces, a statement cut off, garbage), each as it stands.
    // A tree with any of them would lose them when written back.
    QStringList unparsedStatements() const;

private:
    mutable QStringList m_unparsed;
};
