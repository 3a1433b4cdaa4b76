/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "commonwriter.h"

#include "treeitem.h"

#include <QRegularExpression>

CommonWriter::CommonWriter(ConfigAccessService &configAccessService, const QString &configFile)
    : AbstractWriter(configAccessService, configFile)
{
}

// Top-level children: a comment (column 0 starts with "#"), a directive
// (column 0 holds "@"; column 1, when valid, its quoted value) or a block
// statement. Options of a statement carry their delimiters in column 1; an
// option without a marker (built by code rather than read from a file) is
// written with braces when its name opens a block, with parentheses
// otherwise.
QStringList CommonWriter::createConfig(TreeItem *root)
{
    QStringList result;
    if (!root) {
        return result;
    }
    // The markers CommonSettingsParser puts in column 1 of an option.
    const QString paren = QStringLiteral("()");
    const QString brace = QStringLiteral("{}");
    const QString comment = QStringLiteral("#");
    result.reserve(root->childCount());
    for (int row = 0; row < root->childCount(); ++row) {
        const TreeItem *statement = root->child(row);
        const QString keyword = statement->data(0).toString();
        if (keyword.startsWith(QLatin1Char('#'))) {
            result.append(keyword + QLatin1Char('\n'));
            continue;
        }
        if (keyword.contains(QLatin1Char('@'))) {
            const QVariant value = statement->data(1);
            if (value.isValid()) {
                result.append(keyword + QLatin1String(" \"") + value.toString() + QLatin1String("\"\n"));
            } else {
                result.append(keyword + QLatin1Char('\n'));
            }
            continue;
        }
        QString text = keyword;
        const QString name = statement->data(1).toString();
        if (!name.isEmpty()) {
            text += QLatin1Char(' ') + name;
        }
        text += QLatin1String(" {\n");
        for (int optionRow = 0; optionRow < statement->childCount(); ++optionRow) {
            const TreeItem *option = statement->child(optionRow);
            const QString optionName = option->data(0).toString();
            const QString marker = option->data(1).toString();
            text += QLatin1String("    ") + optionName;
            if (marker == comment) {
                text += QLatin1Char('\n');
            } else if (marker == brace || (marker != paren && findItemIf(optionName))) {
                text += QLatin1Char('{') + option->data(2).toString() + QLatin1String("};\n");
            } else {
                text += QLatin1Char('(') + option->data(2).toString() + QLatin1String(");\n");
            }
        }
        text += QLatin1String("};\n");
        result.append(text);
    }
    return result;
}

bool CommonWriter::findItemIf(const QString &text) const
{
    static const QRegularExpression blockName(QStringLiteral("^\\s*(if|elif|else|channel|junction)(\\s|\\(|\\{|$)"));
    return blockName.match(text).hasMatch();
}
