/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#pragma once

#include "parametertype.h"

#include <QHash>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <QObject>
#include <QSet>
#include <QStringList>

#include <cstddef>
#include <map>
#include <utility>
#include <vector>

class CatalogueValue;
class EventTreeItem;
class TarnEventsReader;

// Builds the event tree from the catalogue library: a root, one node per
// group, one node per event below its group, and below each event one node
// per parameter. Every event is the maker's description merged with the local
// override; the merge leaves "overlay<n>" markers naming the keys whose values
// come from the override. The decorating passes (parameter dictionary,
// dependencies, hiding, check-state roll-up, event options) run inside parse().
class SingleEventsParser : public QObject
{
    Q_OBJECT
public:
    enum EventType {
        DefaultEvent = 0, // the maker's description only
        CurrentEvent = 1, // merged with the local override
    };

    explicit SingleEventsParser(QObject *parent = nullptr);
    ~SingleEventsParser() override;

    // A new tree that the caller owns; null when the catalogue is unusable.
    EventTreeItem *parse() const;
    // One event with its parameters; null when it has no usable description.
    // With a parent, the node is appended to its group below that parent (or
    // to the parent itself); without, the caller owns it.
    EventTreeItem *createEventItem(const QString &eventId, SingleEventsParser::EventType type, EventTreeItem *parent) const;
    bool isConfigCorrect() const;

    void initDefaultUsersAndGroups();
    // The accounts every audit table lists, in place of the local ones.
    void setDefaultUsersAndGroups(const QStringList &defaultUsers, const QStringList &defaultGroups);
    QStringList defaultUsers() const;
    QStringList defaultGroups() const;

    // Loads the parameter dictionary, once per process.
    static void getNodesDescription(const QString &path);
    // Forgets the dictionary, so that the next getNodesDescription() reads
    // it again (tests). No parser may be alive then: parsers keep pointers
    // into it.
    static void forgetNodesDescription();

    // The type of a parameter's value with the range the dictionary gives
    // its name, or the default range of the kind the node carries.
    static ParameterType parameterType(const EventTreeItem &item);
    // A key as a name to show: separators become blanks, the first letter a
    // capital ("extend-message-params" -> "Extend message params",
    // ".auditd.key" -> "Auditd key").
    static QString readableName(const QString &key);

private:
    // What the dictionary says about one parameter name.
    struct DictionaryEntry {
        bool visible = true;
        bool editable = false;
        bool childrenEditable = false;
        bool typed = false;
        ParameterType type;
        QString englishName;
        QString russianName;
    };
    // A parameter name with what the dictionary says about it and the name
    // shown for it in column 0.
    struct Naming {
        const DictionaryEntry *entry = nullptr;
        QString shown;
    };
    using GroupIndex = QHash<QString, EventTreeItem *>;
    using DependsPairs = std::vector<std::pair<QString, QString>>;

    EventTreeItem *buildEvent(const QString &eventId, EventType type, EventTreeItem *parent, const GroupIndex &groupIndex) const;
    void createGroups(EventTreeItem *root) const;
    EventTreeItem *createGroupNode(const QString &groupId, EventTreeItem *parent) const;
    EventTreeItem *createNode(const QString &name, const CatalogueValue &value, EventTreeItem *parent) const;
    EventTreeItem *buildNode(const QString &name, const CatalogueValue &value, EventTreeItem *parent, bool isEvent) const;
    // `shown` is the text of column 0.
    void fillAuditTable(EventTreeItem *node, const QString &name, const QString &shown, const CatalogueValue &value) const;
    void fillAuditOther(EventTreeItem *node, const QString &shown, const CatalogueValue &value) const;
    void fillObject(EventTreeItem *node, const QString &shown, const CatalogueValue &value, bool isEvent) const;
    // The override merged into the description `merged`, in place.
    void mergeNodes(CatalogueValue &merged, const CatalogueValue &override) const;

    // One shared copy of each short value: thousands of nodes carry the same
    // few texts ("1", "info"), and sharing them keeps the tree small. Keys
    // come shared from the catalogue's reader already.
    QString intern(const QString &text) const;
    // Likewise the column values of a parameter, which many nodes have in
    // common ("enabled" with "1"): `value` null for an object's row. A node
    // that changes a cell gets a row of its own then.
    QVector<QVariant> sharedRow(const QString &name, const QString &value) const;

    static const DictionaryEntry *dictionaryEntry(const QString &nativeName);
    const Naming &naming(const QString &nativeName) const;
    void checkDictionary(EventTreeItem *node, const DictionaryEntry *entry) const;
    // The passes over one node of an event's subtree, which look at that
    // node alone: parameters made uncheckable, the dependency pairs
    // collected (at `slot`, before those of the node's children), auxiliary
    // nodes hidden. A parse runs them on each node as soon as it is built.
    // setItemOptions() changes the event node only.
    void finishNode(EventTreeItem *node, DependsPairs &pairs, std::size_t slot) const;
    void hideIfAuxiliary(EventTreeItem *node) const;
    void setItemOptions(EventTreeItem *event) const;
    void setDirChecked(EventTreeItem *group) const;
    void checkDepends(EventTreeItem *root) const;

    // Event identifier -> identifier of an event it depends on; filled and
    // emptied within one parse().
    mutable std::multimap<QString, QString> dependsMap;
    // The dependency pairs of the event being built, while parse() builds
    // one; null otherwise.
    mutable DependsPairs *m_finishing = nullptr;
    mutable QSet<QString> m_strings;
    mutable QHash<QPair<QString, QString>, QVector<QVariant>> m_rows;
    mutable QHash<QString, Naming> m_namings;
    TarnEventsReader *reader = nullptr;
    QStringList users;
    QStringList groups;

    static QJsonDocument m_nodesDescription;
    static QHash<QString, DictionaryEntry> m_dictionary;
};
