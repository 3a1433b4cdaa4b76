/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#pragma once

#include <QAbstractTableModel>

#include <optional>
#include <vector>

class TreeItem;

// The destinations of a syslog-ng configuration tree (the shape
// CommonSettingsParser builds) as a table: type, name and target. Each row is
// the driver line of a destination statement (its file, network, ...
// option). The model owns the tree and edits it in place.
class DestinationsModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column {
        TypeColumn = 0,
        NameColumn = 1,
        ValueColumn = 2,
    };

    explicit DestinationsModel(QObject *parent = nullptr);
    ~DestinationsModel() override;

    // Takes ownership of `root` (may be null), deleting the previous tree.
    void setRootItem(TreeItem *root);
    TreeItem *rootItem() const;

    // The driver lines, one per row; the model keeps them.
    std::vector<TreeItem *> destinationItems() const;
    TreeItem *destinationItem(int row) const;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    // Sets the target (file path, network address) of the row: the string
    // the driver's argument starts with (which may run over several lines),
    // or else its first bare word, is replaced by `value`, quoted; the rest of
    // the argument text stays. Refuses an empty value and one holding control
    // characters or line breaks.
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;

    // Inserts the destination statement `node`, created with the root as
    // parent, after the last destination statement, with its log chain.
    void insertItem(TreeItem *node);
    // Removes the first statement equal to `node` (in every column of `node`)
    // from the parent of `node`. The log statements that send to it stay.
    bool deleteItem(TreeItem *node);

    // `text` as a syslog-ng double-quoted string, backslash and double quote
    // escaped.
    static QString quoted(const QString &text);
    // True when `text` holds a character that has no place in a one-line
    // syslog-ng string: line breaks and other control characters.
    static bool hasControlCharacters(const QString &text);

    // A string literal at the start of an argument text (blanks before it are
    // skipped): its value with escapes resolved, and where it ends in `text`.
    struct Literal {
        QString value;
        int end = 0;
    };
    static std::optional<Literal> leadingLiteral(const QString &text);

private:
    void extractRows();
    void extractRows(TreeItem *item);

    TreeItem *m_root = nullptr;
    std::vector<TreeItem *> m_rows;
};
