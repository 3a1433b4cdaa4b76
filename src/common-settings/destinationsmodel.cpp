/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "destinationsmodel.h"

#include "commonsettingsparser.h"
#include "destinationsdictionary.h"
#include "treeitem.h"

#include <KLocalizedString>

#include <algorithm>

namespace
{
const QString Destination = QStringLiteral("destination");
const QString FileDriver = QStringLiteral("file");
const QString NetworkDriver = QStringLiteral("network");

QString firstLine(const TreeItem *item)
{
    return item->data(DestinationsModel::ValueColumn).toString().section(QLatin1Char('\n'), 0, 0);
}

// Where the target at the start of an argument text ends: after its string,
// which may run over several lines, or after its bare word. Blanks before it
// count as part of it.
int targetEnd(const QString &argument)
{
    if (const auto literal = DestinationsModel::leadingLiteral(argument)) {
        return literal->end;
    }
    int end = 0;
    while (end < argument.size() && argument.at(end).isSpace()) {
        ++end;
    }
    // A string never closed is the whole text.
    if (end < argument.size() && (argument.at(end) == QLatin1Char('"') || argument.at(end) == QLatin1Char('\''))) {
        return argument.size();
    }
    // Whatever syslog-ng reads as syntax ends the word.
    static const QString delimiters = QStringLiteral("(){}\"';,#");
    while (end < argument.size() && !argument.at(end).isSpace() && !delimiters.contains(argument.at(end))) {
        ++end;
    }
    return end;
}

bool isComment(const TreeItem *item)
{
    return item->data(1).toString() == QLatin1String(CommonSettingsParser::CommentOption) || item->data(0).toString().startsWith(QLatin1Char('#'));
}
}

DestinationsModel::DestinationsModel(QObject *parent)
    : QAbstractTableModel(parent)
{
}

DestinationsModel::~DestinationsModel()
{
    delete m_root;
}

void DestinationsModel::setRootItem(TreeItem *root)
{
    beginResetModel();
    if (root != m_root) {
        delete m_root;
        m_root = root;
    }
    extractRows();
    endResetModel();
}

TreeItem *DestinationsModel::rootItem() const
{
    return m_root;
}

std::vector<TreeItem *> DestinationsModel::destinationItems() const
{
    return m_rows;
}

TreeItem *DestinationsModel::destinationItem(int row) const
{
    return row >= 0 && row < int(m_rows.size()) ? m_rows[row] : nullptr;
}

int DestinationsModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int DestinationsModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : 3;
}

Qt::ItemFlags DestinationsModel::flags(const QModelIndex &index) const
{
    if (!index.isValid()) {
        return Qt::NoItemFlags;
    }
    return Qt::ItemIsSelectable | Qt::ItemIsEnabled;
}

QVariant DestinationsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) {
        return QVariant();
    }
    switch (section) {
    case TypeColumn:
        return i18n("Type");
    case NameColumn:
        return i18n("Name");
    case ValueColumn:
        return i18n("Value");
    }
    return QVariant();
}

QVariant DestinationsModel::data(const QModelIndex &index, int role) const
{
    const TreeItem *item = index.isValid() ? destinationItem(index.row()) : nullptr;
    if (!item || role != Qt::DisplayRole) {
        return QVariant();
    }
    const QString driver = item->data(0).toString();
    switch (index.column()) {
    case TypeColumn: {
        const QString label = DestinationsDictionary::Instance().findByParameter(driver);
        return label.isEmpty() ? driver : label;
    }
    case NameColumn:
        return item->parentItem() ? item->parentItem()->data(1) : QVariant();
    case ValueColumn: {
        const QString line = firstLine(item);
        if (driver != FileDriver && driver != NetworkDriver) {
            return line;
        }
        // The string may go on over further lines.
        const QString argument = item->data(ValueColumn).toString();
        const auto literal = leadingLiteral(argument);
        if (!literal) {
            return line.simplified();
        }
        if (driver == FileDriver) {
            return literal->value;
        }
        // The address, then the options that follow it on its last line.
        const QString options = argument.mid(literal->end).section(QLatin1Char('\n'), 0, 0).simplified();
        return options.isEmpty() ? literal->value : literal->value + QLatin1Char(' ') + options;
    }
    }
    return QVariant();
}

bool DestinationsModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    TreeItem *item = index.isValid() ? destinationItem(index.row()) : nullptr;
    const QString text = value.toString();
    if (!item || role != Qt::EditRole || index.column() != ValueColumn || text.isEmpty() || hasControlCharacters(text)) {
        return false;
    }
    // The target, a string (over as many lines as it takes) or a bare word,
    // is replaced; everything after it stays.
    const QString argument = item->data(ValueColumn).toString();
    if (!item->setData(ValueColumn, QString(quoted(text) + argument.mid(targetEnd(argument))))) {
        return false;
    }
    Q_EMIT dataChanged(index, index);
    return true;
}

void DestinationsModel::insertItem(TreeItem *node)
{
    if (!m_root) {
        delete node;
        return;
    }
    beginResetModel();
    m_root->appendChildDestination(node);
    extractRows();
    endResetModel();
}

bool DestinationsModel::deleteItem(TreeItem *node)
{
    TreeItem *parent = node ? node->parentItem() : nullptr;
    if (!parent) {
        return false;
    }
    for (int row = 0; row < parent->childCount(); ++row) {
        const TreeItem *child = parent->child(row);
        bool equal = true;
        for (int column = 0; column < node->columnCount() && equal; ++column) {
            equal = child->data(column) == node->data(column);
        }
        if (equal) {
            beginResetModel();
            parent->deleteChild(row);
            extractRows();
            endResetModel();
            return true;
        }
    }
    return false;
}

QString DestinationsModel::quoted(const QString &text)
{
    QString escaped = text;
    escaped.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    escaped.replace(QLatin1Char('"'), QLatin1String("\\\""));
    return QLatin1Char('"') + escaped + QLatin1Char('"');
}

bool DestinationsModel::hasControlCharacters(const QString &text)
{
    return std::any_of(text.cbegin(), text.cend(), [](QChar c) {
        return c.category() == QChar::Other_Control || c == QChar::LineSeparator || c == QChar::ParagraphSeparator;
    });
}

std::optional<DestinationsModel::Literal> DestinationsModel::leadingLiteral(const QString &text)
{
    int pos = 0;
    while (pos < text.size() && text.at(pos).isSpace()) {
        ++pos;
    }
    if (pos == text.size() || (text.at(pos) != QLatin1Char('"') && text.at(pos) != QLatin1Char('\''))) {
        return std::nullopt;
    }
    const QChar quote = text.at(pos);
    Literal literal;
    for (++pos; pos < text.size(); ++pos) {
        const QChar c = text.at(pos);
        if (c == quote) {
            literal.end = pos + 1;
            return literal;
        }
        // Only double-quoted strings take escapes; the two this model writes
        // are resolved, any other stays as written.
        if (quote == QLatin1Char('"') && c == QLatin1Char('\\') && pos + 1 < text.size()) {
            const QChar next = text.at(pos + 1);
            if (next == QLatin1Char('\\') || next == QLatin1Char('"')) {
                literal.value += next;
                ++pos;
                continue;
            }
        }
        literal.value += c;
    }
    // Never closed.
    return std::nullopt;
}

void DestinationsModel::extractRows()
{
    m_rows.clear();
    if (m_root) {
        extractRows(m_root);
    }
}

void DestinationsModel::extractRows(TreeItem *item)
{
    const bool isDestination = item != m_root && item->data(0).toString() == Destination;
    for (int row = 0; row < item->childCount(); ++row) {
        TreeItem *child = item->child(row);
        if (isDestination && !isComment(child)) {
            m_rows.push_back(child);
        }
        extractRows(child);
    }
}
