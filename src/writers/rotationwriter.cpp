/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "rotationwriter.h"

#include "treeitem.h"

#include <array>
#include <optional>

namespace
{
const QString Tab = QStringLiteral("\t");

bool isScript(const QString &keyword)
{
    return keyword == QLatin1String("prerotate") || keyword == QLatin1String("postrotate");
}

// Every keyword that opens a script up to "endscript" in logrotate.
bool opensScript(const QString &keyword)
{
    static const QStringList scripts{QStringLiteral("prerotate"),
                                     QStringLiteral("postrotate"),
                                     QStringLiteral("firstaction"),
                                     QStringLiteral("lastaction"),
                                     QStringLiteral("preremove")};
    return scripts.contains(keyword);
}

// The kinds of directive the rotation page edits; one line of each at most.
enum Kind { Rotate, Size, Period, KindCount };

std::optional<Kind> kindOf(const QString &keyword)
{
    static const QStringList periods{QStringLiteral("hourly"),
                                     QStringLiteral("daily"),
                                     QStringLiteral("weekly"),
                                     QStringLiteral("monthly"),
                                     QStringLiteral("yearly")};
    if (keyword == QLatin1String("rotate")) {
        return Rotate;
    }
    if (keyword == QLatin1String("size")) {
        return Size;
    }
    if (periods.contains(keyword)) {
        return Period;
    }
    return std::nullopt;
}

QString directive(const TreeItem *node)
{
    const QString keyword = node->data(0).toString();
    const QString value = node->data(1).toString();
    return value.isEmpty() ? keyword : keyword + QLatin1Char(' ') + value;
}

QString firstWord(const QString &simplified)
{
    return simplified.section(QLatin1Char(' '), 0, 0);
}
}

RotationWriter::RotationWriter(ConfigAccessService &configAccessService, const QString &configFile)
    : AbstractWriter(configAccessService, configFile)
{
}

void RotationWriter::setSourceLines(const QStringList &lines)
{
    m_sourceLines = lines;
}

QStringList RotationWriter::createConfig(TreeItem *root)
{
    if (!root || root->childCount() == 0) {
        return {};
    }
    if (!m_sourceLines.isEmpty()) {
        QStringList edited = editSource(root);
        if (!edited.isEmpty()) {
            return edited;
        }
    }
    return renderTree(root);
}

QStringList RotationWriter::renderTree(TreeItem *root) const
{
    const TreeItem *block = root->child(0);
    QStringList lines{block->data(0).toString(), QStringLiteral("{")};
    // As when the file's lines are edited: the first of each kind the page
    // edits, and no repetition of it.
    std::array<bool, KindCount> placed{};
    const int count = block->childCount();
    for (int row = 0; row < count; ++row) {
        const TreeItem *node = block->child(row);
        const QString keyword = node->data(0).toString();
        if (!isScript(keyword)) {
            if (const auto kind = kindOf(keyword)) {
                if (placed[*kind]) {
                    continue;
                }
                placed[*kind] = true;
            }
            lines << Tab + directive(node);
            continue;
        }
        if (row == 0 || block->child(row - 1)->data(0).toString() != keyword) {
            lines << Tab + keyword;
        }
        lines << Tab + Tab + node->data(1).toString();
        if (row == count - 1 || block->child(row + 1)->data(0).toString() != keyword) {
            lines << Tab + QStringLiteral("endscript");
        }
    }
    lines << QStringLiteral("}");
    return lines;
}

QStringList RotationWriter::editSource(TreeItem *root) const
{
    const TreeItem *block = root->child(0);
    std::array<QString, KindCount> wanted;
    for (int row = 0; row < block->childCount(); ++row) {
        const TreeItem *node = block->child(row);
        const auto kind = kindOf(node->data(0).toString());
        if (kind && wanted[*kind].isEmpty()) {
            wanted[*kind] = directive(node);
        }
    }

    QStringList lines;
    std::array<bool, KindCount> placed{};
    qsizetype openLine = -1; // index in `lines` of the block's "{"
    bool header = false;
    bool inBlock = false;
    bool inScript = false;
    for (const QString &line : m_sourceLines) {
        const QString simplified = line.simplified();
        if (inScript) {
            inScript = simplified != QLatin1String("endscript");
        } else if (!inBlock && openLine < 0) {
            if (!simplified.isEmpty() && !simplified.startsWith(QLatin1Char('#'))) {
                if (!header) {
                    header = true;
                    inBlock = simplified.contains(QLatin1Char('{'));
                } else if (simplified == QLatin1String("{")) {
                    inBlock = true;
                } else {
                    return {};
                }
                if (inBlock) {
                    openLine = lines.size();
                }
            }
        } else if (inBlock) {
            if (simplified == QLatin1String("}")) {
                inBlock = false;
            } else if (opensScript(firstWord(simplified))) {
                inScript = true;
            } else if (const auto kind = kindOf(firstWord(simplified))) {
                if (wanted[*kind].isEmpty() || placed[*kind]) {
                    continue;
                }
                placed[*kind] = true;
                if (simplified != wanted[*kind]) {
                    const qsizetype indent = line.indexOf(line.trimmed());
                    lines << line.left(indent) + wanted[*kind];
                    continue;
                }
            }
        }
        lines << line;
    }
    if (openLine < 0) {
        return {};
    }
    qsizetype at = openLine + 1;
    for (int kind = 0; kind < KindCount; ++kind) {
        if (!wanted[kind].isEmpty() && !placed[kind]) {
            lines.insert(at++, Tab + wanted[kind]);
        }
    }
    return lines;
}
