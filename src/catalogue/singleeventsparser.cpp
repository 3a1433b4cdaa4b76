/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "singleeventsparser.h"

#include "compactjson.h"
#include "dbuskeeper.h"
#include "eventtreeitem.h"
#include "localaccounts.h"
#include "localekeeper.h"
#include "systempaths.h"
#include "tarneventsreader.h"

#include <KLocalizedString>

#include <QFile>
#include <QJsonArray>
#include <QVariant>

QJsonDocument SingleEventsParser::m_nodesDescription;
QHash<QString, SingleEventsParser::DictionaryEntry> SingleEventsParser::m_dictionary;

namespace
{
const QString CustomEventsGroup = QStringLiteral("custom-events");
const QString OverlayPrefix = QStringLiteral("overlay");

// Values of the catalogue count as on when they equal the integer 1: the
// string "1", the number 1 and true.
bool isOn(const CatalogueValue &value)
{
    switch (value.type()) {
    case CatalogueValue::String:
        return value.toString() == QLatin1String("1");
    case CatalogueValue::Number:
        return value.number().toDouble() == 1.0;
    case CatalogueValue::Bool:
        return value.toBool();
    default:
        return false;
    }
}

// The text of a scalar: strings as they are, numbers in their shortest
// decimal form, booleans "true" or "false", null (and anything else) empty.
QString scalarText(const QJsonValue &value)
{
    switch (value.type()) {
    case QJsonValue::String:
        return value.toString();
    case QJsonValue::Double:
    case QJsonValue::Bool:
        return QString::fromUtf8(value.toVariant().toByteArray());
    default:
        return QString();
    }
}

QString scalarText(const CatalogueValue &value)
{
    switch (value.type()) {
    case CatalogueValue::String:
        return value.toString();
    case CatalogueValue::Number:
        return scalarText(value.number());
    case CatalogueValue::Bool:
        return value.toBool() ? QStringLiteral("true") : QStringLiteral("false");
    default:
        return QString();
    }
}

bool isNonZeroInteger(const QVariant &value)
{
    bool ok = false;
    const int number = value.toString().toInt(&ok);
    return ok && number != 0;
}

void setOverridden(EventTreeItem *item)
{
    if (item) {
        item->overridden = true;
    }
}

EventTreeItem *grandParentOf(EventTreeItem *item)
{
    return item && item->parentItem() ? item->parentItem()->parentItem() : nullptr;
}

// The direct children of an object node, one per key, found by key. Built
// only for objects that carry override markers.
class ChildrenByKey
{
public:
    explicit ChildrenByKey(const EventTreeItem *node)
    {
        for (int row = 0; row < node->childCount(); ++row) {
            auto child = static_cast<EventTreeItem *>(node->child(row));
            m_children.insert(child->nativeName, child); // keys of one object are unique
        }
    }
    EventTreeItem *find(const QString &key) const
    {
        return m_children.value(key);
    }

private:
    QHash<QString, EventTreeItem *> m_children;
};

// Index of the group nodes among the direct children of `parent`: the first
// group of each identifier.
QHash<QString, EventTreeItem *> indexGroups(const EventTreeItem *parent)
{
    QHash<QString, EventTreeItem *> index;
    for (int row = 0; row < parent->childCount(); ++row) {
        auto item = static_cast<EventTreeItem *>(parent->child(row));
        if (item->kind == EventTreeItem::Group && !index.contains(item->nativeName)) {
            index.insert(item->nativeName, item);
        }
    }
    return index;
}

// The event nodes of a tree, first of each identifier in pre-order. Events
// hang below the groups or the root only.
void indexEvents(EventTreeItem *node, QHash<QString, EventTreeItem *> &index)
{
    for (int row = 0; row < node->childCount(); ++row) {
        auto item = static_cast<EventTreeItem *>(node->child(row));
        if (item->kind == EventTreeItem::Event) {
            if (!index.contains(item->nativeName)) {
                index.insert(item->nativeName, item);
            }
        } else if (item->kind == EventTreeItem::Group) {
            indexEvents(item, index);
        }
    }
}
}

SingleEventsParser::SingleEventsParser(QObject *parent)
    : QObject(parent)
    , reader(new TarnEventsReader)
{
    getNodesDescription(SystemPaths::resolve(SystemPaths::EventsDictionaryFile));
    initDefaultUsersAndGroups();
}

SingleEventsParser::~SingleEventsParser()
{
    delete reader;
}

bool SingleEventsParser::isConfigCorrect() const
{
    return !reader->broken;
}

void SingleEventsParser::initDefaultUsersAndGroups()
{
    const LocalAccounts accounts = LocalAccounts::query();
    users = accounts.users;
    groups = accounts.groups;
}

void SingleEventsParser::setDefaultUsersAndGroups(const QStringList &defaultUsers, const QStringList &defaultGroups)
{
    users = defaultUsers;
    groups = defaultGroups;
}

QStringList SingleEventsParser::defaultUsers() const
{
    return users;
}

QStringList SingleEventsParser::defaultGroups() const
{
    return groups;
}

EventTreeItem *SingleEventsParser::parse() const
{
    // A catalogue with missing identifiers would give a tree without some
    // events; saving it would drop their local settings. No tree then.
    if (!reader->valid || reader->broken) {
        return nullptr;
    }

    // The shared texts outlive a parse, for the next one; a catalogue with
    // many distinct short values must not make them a burden.
    if (m_strings.size() > 4096) {
        m_strings.clear();
    }
    if (m_rows.size() > 4096) {
        m_rows.clear();
    }
    auto root = new EventTreeItem({i18n("Parameter"), i18n("Value")}, nullptr);
    createGroups(root);
    const GroupIndex groupIndex = indexGroups(root);

    // The passes that look at one event only run on each event right after
    // it is built, while its nodes are still in the processor's caches: a
    // catalogue of thousands of events is never walked whole again. What
    // spans events (group check states, dependency links) is done from the
    // groups and events alone once the tree is complete.
    QHash<const EventTreeItem *, DependsPairs> eventDepends;
    for (const QString &eventId : std::as_const(reader->eventIds)) {
        DependsPairs pairs;
        m_finishing = &pairs;
        EventTreeItem *event = buildEvent(eventId, CurrentEvent, root, groupIndex);
        m_finishing = nullptr;
        if (!event) {
            continue;
        }
        finishNode(event, pairs, 0);
        if (!pairs.empty()) {
            eventDepends.insert(event, std::move(pairs));
        }
        setItemOptions(event);
    }
    hideIfAuxiliary(root);
    setItemOptions(root);
    for (int row = 0; row < root->childCount(); ++row) {
        auto item = static_cast<EventTreeItem *>(root->child(row));
        if (item->kind == EventTreeItem::Group) {
            hideIfAuxiliary(item);
            setDirChecked(item);
        }
    }

    // The pairs go into the map in the tree's pre-order, events below their
    // groups: the order of the dependencies within one event.
    if (!eventDepends.isEmpty()) {
        const auto collect = [this, &eventDepends](const EventTreeItem *event) {
            const auto pairs = eventDepends.constFind(event);
            if (pairs != eventDepends.constEnd()) {
                for (const auto &pair : *pairs) {
                    dependsMap.insert(pair);
                }
            }
        };
        for (int row = 0; row < root->childCount(); ++row) {
            auto item = static_cast<const EventTreeItem *>(root->child(row));
            if (item->kind == EventTreeItem::Group) {
                for (int event = 0; event < item->childCount(); ++event) {
                    collect(static_cast<const EventTreeItem *>(item->child(event)));
                }
            } else {
                collect(item);
            }
        }
    }
    checkDepends(root);
    dependsMap.clear();
    return root;
}

void SingleEventsParser::createGroups(EventTreeItem *root) const
{
    for (const QString &groupId : std::as_const(reader->groupIds)) {
        root->appendChild(createGroupNode(groupId, root));
    }
}

EventTreeItem *SingleEventsParser::createGroupNode(const QString &groupId, EventTreeItem *parent) const
{
    QJsonObject description;
    if (groupId == CustomEventsGroup) {
        description.insert(
            QStringLiteral("group-params"),
            QJsonObject{{QStringLiteral("name_en"), QStringLiteral("Custom events")}, {QStringLiteral("name_ru"), QStringLiteral("Кастомные события")}});
    } else {
        description = reader->getGroupObject(groupId);
    }

    QString name = groupId;
    const auto params = description.constFind(QLatin1String("group-params"));
    if (params != description.constEnd()) {
        const QJsonObject names = params->toObject();
        const auto russian = names.constFind(QLatin1String("name_ru"));
        const auto english = names.constFind(QLatin1String("name_en"));
        if (LocaleKeeper::Instance().isRussian() && russian != names.constEnd()) {
            name = scalarText(*russian);
        } else if (english != names.constEnd()) {
            name = scalarText(*english);
        }
    }

    auto node = new EventTreeItem({name, QVariant()}, parent);
    node->kind = EventTreeItem::Group;
    node->checkable = true;
    node->nativeName = groupId;
    node->name = name;
    return node;
}

EventTreeItem *SingleEventsParser::createEventItem(const QString &eventId, EventType type, EventTreeItem *parent) const
{
    return buildEvent(eventId, type, parent, parent ? indexGroups(parent) : GroupIndex());
}

EventTreeItem *SingleEventsParser::buildEvent(const QString &eventId, EventType type, EventTreeItem *parent, const GroupIndex &groupIndex) const
{
    CatalogueValue description = reader->getEventValue(eventId);
    if (description.isEmpty()) {
        return nullptr;
    }

    // Only a group can hold an event: a parameter or an event that happens to
    // carry the group's name never does. An unknown group leaves the event
    // directly below `parent`.
    if (parent) {
        const CatalogueValue *groupId = description.find(u"event-group");
        if (EventTreeItem *group = groupIndex.value(groupId ? groupId->toString() : QString())) {
            parent = group;
        }
    }

    if (type != DefaultEvent) {
        mergeNodes(description, reader->getOverrideEventValue(eventId));
    }
    EventTreeItem *node = buildNode(eventId, description, parent, true);
    node->kind = EventTreeItem::Event;
    node->nativeName = node->data(0).toString();

    const bool russian = LocaleKeeper::Instance().isRussian();
    if (EventTreeItem *nameNode = node->findChildByNativeName(russian ? QStringLiteral("name_ru") : QStringLiteral("name_en"))) {
        node->name = nameNode->data(1).toString();
        node->setData({node->name, QVariant(), QVariant()});
    }

    if (parent) {
        parent->appendChild(node);
    }
    return node;
}

void SingleEventsParser::mergeNodes(CatalogueValue &merged, const CatalogueValue &override) const
{
    // The override's keys are looked up among the description's own values.
    // Only a marker can have replaced one of those by the time its key comes
    // up: such a value is kept aside.
    std::vector<CatalogueValue::Member> displaced;
    int markers = 0;
    const auto addMarker = [&merged, &markers, &displaced](const QString &key) {
        const QString marker = OverlayPrefix + QString::number(markers++);
        if (CatalogueValue *replaced = merged.find(marker); replaced && replaced->isObject()) {
            displaced.push_back({marker, std::move(*replaced)});
        }
        merged.insert(marker, CatalogueValue(key));
    };

    const QString enabled = QStringLiteral("enabled");
    if ((override.isEmpty() || !override.contains(enabled)) && !merged.contains(enabled) && merged.contains(u"message-params")) {
        merged.insert(enabled, CatalogueValue(QStringLiteral("1")));
        addMarker(enabled);
    }
    if (override.isEmpty()) {
        return;
    }

    static const CatalogueValue noOverride = CatalogueValue::object();
    for (const CatalogueValue::Member &member : override.members()) {
        CatalogueValue *baseValue = merged.find(member.key);
        const auto aside = std::find_if(displaced.begin(), displaced.end(), [&member](const CatalogueValue::Member &kept) {
            return kept.key == member.key;
        });
        if (aside != displaced.end()) {
            baseValue = &aside->value;
        }
        if (!baseValue || !baseValue->isObject()) {
            merged.insert(member.key, member.value);
            addMarker(member.key);
        } else {
            // A non-object override of an object counts as an empty one.
            mergeNodes(*baseValue, member.value.isObject() ? member.value : noOverride);
            if (aside != displaced.end()) {
                merged.insert(member.key, std::move(aside->value));
                displaced.erase(aside);
            }
        }
    }
}

EventTreeItem *SingleEventsParser::createNode(const QString &name, const CatalogueValue &value, EventTreeItem *parent) const
{
    return buildNode(name, value, parent, false);
}

EventTreeItem *SingleEventsParser::buildNode(const QString &name, const CatalogueValue &value, EventTreeItem *parent, bool isEvent) const
{
    auto node = new EventTreeItem({}, parent);
    node->nativeName = name;
    const std::size_t pairsSlot = m_finishing ? m_finishing->size() : 0;
    // The dictionary applies to parameters, not to events.
    const Naming *named = isEvent ? nullptr : &naming(name);
    const DictionaryEntry *entry = named ? named->entry : nullptr;
    const QString &shown = named ? named->shown : name;
    if (entry && value.isObject()) {
        node->childrenEditable = entry->childrenEditable;
    }
    if (parent && name == QLatin1String("message-audit-rules")) {
        parent->setHasAuditRules(true);
    }

    switch (value.type()) {
    case CatalogueValue::Array: {
        node->kind = EventTreeItem::Array;
        QStringList texts;
        for (const CatalogueValue::Member &element : value.members()) {
            if (element.value.isString()) {
                texts.append(element.value.toString());
            } else if (element.value.isObject()) {
                node->kind = EventTreeItem::Compound;
                const CatalogueValue *path = element.value.find(u"path");
                if (path && path->isString()) {
                    texts.append(path->toString());
                }
            }
        }
        node->setData({shown, texts.join(QLatin1String(", ")), CompactJson::toText(value)});
        break;
    }
    case CatalogueValue::Object: {
        EventTreeItem *grandParent = grandParentOf(node);
        if ((name == QLatin1String("users") || name == QLatin1String("groups")) && grandParent
            && grandParent->nativeName == QLatin1String("message-audit-events")) {
            fillAuditTable(node, name, shown, value);
        } else if (name == QLatin1String("other")) {
            fillAuditOther(node, shown, value);
        } else {
            fillObject(node, shown, value, isEvent);
        }
        break;
    }
    default:
        node->kind = EventTreeItem::Value;
        node->valueType = entry && entry->typed ? entry->type.kind() : ParameterType::inferredKind(value);
        // Long values (names, identifiers, messages) seldom repeat: hashing
        // them would cost more than it saves.
        const QString text = scalarText(value);
        node->setData(text.size() <= 12 ? sharedRow(shown, text) : QVector<QVariant>{shown, text, QVariant()});
        break;
    }

    if (!isEvent) {
        checkDictionary(node, entry);
        if (m_finishing) {
            finishNode(node, *m_finishing, pairsSlot);
        }
    }
    return node;
}

void SingleEventsParser::fillAuditTable(EventTreeItem *node, const QString &name, const QString &shown, const CatalogueValue &value) const
{
    node->kind = EventTreeItem::Compound;
    CatalogueValue table = value;
    QStringList names;
    bool marked = false;
    for (const CatalogueValue::Member &member : value.members()) {
        if (member.key.startsWith(OverlayPrefix)) {
            table.remove(member.key);
            marked = true;
        } else {
            names.append(member.key);
        }
    }
    if (marked) {
        setOverridden(node);
        setOverridden(node->parentItem());
        setOverridden(grandParentOf(node));
    }

    static const CatalogueValue unaudited = [] {
        CatalogueValue flags = CatalogueValue::object();
        flags.insert(QStringLiteral("fail"), CatalogueValue(QStringLiteral("0")));
        flags.insert(QStringLiteral("succ"), CatalogueValue(QStringLiteral("0")));
        return flags;
    }();
    const QStringList &defaults = name == QLatin1String("users") ? users : groups;
    for (const QString &account : defaults) {
        if (!table.contains(account)) {
            table.insert(account, unaudited);
            names.append(account);
        }
    }
    node->setData({shown, names.join(QLatin1String(", ")), CompactJson::toText(table)});
}

void SingleEventsParser::fillAuditOther(EventTreeItem *node, const QString &shown, const CatalogueValue &value) const
{
    node->checkable = true;
    node->kind = EventTreeItem::Value;
    node->setData(sharedRow(shown, QString()));
    node->reserveChildren(value.size());

    QStringList markers;
    for (const CatalogueValue::Member &member : value.members()) {
        const QString &key = member.key;
        node->appendChild(createNode(key, member.value, node));
        if (key == QLatin1String("succ") || key == QLatin1String("fail")) {
            if (EventTreeItem *switchItem = node->findChildByNativeName(key)) {
                // Parameters of a whole parse are left without a check box.
                switchItem->checkable = !m_finishing;
                if (isOn(member.value)) {
                    node->checkState = Qt::Checked;
                    switchItem->checkState = Qt::Checked;
                }
            }
        }
        if (key.startsWith(OverlayPrefix)) {
            markers.append(member.value.toString());
        }
    }
    if (markers.isEmpty()) {
        return;
    }

    const ChildrenByKey children(node);
    for (const QString &marked : std::as_const(markers)) {
        if (children.find(marked)) {
            setOverridden(node->findChildByNativeName(QStringLiteral("succ")));
            setOverridden(node->findChildByNativeName(QStringLiteral("fail")));
            setOverridden(node);
            setOverridden(node->parentItem());
            setOverridden(grandParentOf(node));
            break; // every further marker would set the same flags
        }
    }
}

void SingleEventsParser::fillObject(EventTreeItem *node, const QString &shown, const CatalogueValue &value, bool isEvent) const
{
    node->checkable = true;
    node->kind = EventTreeItem::Value;
    // Each event has a name of its own: nothing to share.
    node->setData(isEvent ? QVector<QVariant>{shown, QVariant(), QVariant()} : sharedRow(shown, QString()));
    node->reserveChildren(value.size());

    QStringList markers;
    for (const CatalogueValue::Member &member : value.members()) {
        const QString &key = member.key;
        if (key == QLatin1String("enabled") && isOn(member.value)) {
            node->checkState = Qt::Checked;
        }
        node->appendChild(createNode(key, member.value, node));
        if (key.startsWith(OverlayPrefix)) {
            markers.append(member.value.toString());
        }
    }
    if (markers.isEmpty()) {
        return;
    }

    const ChildrenByKey children(node);
    for (const QString &marked : std::as_const(markers)) {
        if (EventTreeItem *child = children.find(marked)) {
            child->overridden = true;
            node->overridden = true;
        }
    }
}

QString SingleEventsParser::intern(const QString &text) const
{
    return *m_strings.insert(text);
}

QVector<QVariant> SingleEventsParser::sharedRow(const QString &name, const QString &value) const
{
    // A null value stands for the row of an object, whose value cells are
    // empty.
    const auto row = m_rows.constFind(qMakePair(name, value));
    if (row != m_rows.constEnd()) {
        return *row;
    }
    const QString shared = intern(value);
    return *m_rows.insert(qMakePair(name, shared), {name, value.isNull() ? QVariant() : QVariant(shared), QVariant()});
}

void SingleEventsParser::getNodesDescription(const QString &path)
{
    if (!m_nodesDescription.isEmpty()) {
        return;
    }
    QFile file(path);
    QByteArray text;
    if (file.open(QIODevice::ReadOnly)) {
        text = file.readAll();
        file.close();
    }
    m_nodesDescription = QJsonDocument::fromJson(text);

    m_dictionary.clear();
    const QJsonObject entries = m_nodesDescription.object();
    for (auto it = entries.constBegin(); it != entries.constEnd(); ++it) {
        const QJsonObject description = it.value().toObject();
        DictionaryEntry entry;
        // Only the strings "false" and "true" count, not JSON booleans.
        entry.visible = description.value(QLatin1String("visible")).toString() != QLatin1String("false");
        entry.editable = description.value(QLatin1String("editable")).toString() == QLatin1String("true");
        entry.childrenEditable = description.value(QLatin1String("children_editable")).toString() == QLatin1String("true");
        entry.typed = ParameterType::fromDescription(description, &entry.type);
        entry.englishName = description.value(QLatin1String("en")).toString();
        entry.russianName = description.value(QLatin1String("ru")).toString();
        m_dictionary.insert(it.key(), entry);
    }
}

void SingleEventsParser::forgetNodesDescription()
{
    m_nodesDescription = QJsonDocument();
    m_dictionary.clear();
}

ParameterType SingleEventsParser::parameterType(const EventTreeItem &item)
{
    const DictionaryEntry *entry = dictionaryEntry(item.nativeName);
    if (entry && entry->typed && entry->type.kind() == item.valueType) {
        return entry->type;
    }
    return ParameterType(item.valueType);
}

QString SingleEventsParser::readableName(const QString &key)
{
    QString words = key;
    for (QChar &character : words) {
        if (character == QLatin1Char('-') || character == QLatin1Char('_') || character == QLatin1Char('.')) {
            character = QLatin1Char(' ');
        }
    }
    words = words.simplified();
    if (words.isEmpty()) {
        return key;
    }
    words[0] = words.at(0).toUpper();
    return words;
}

const SingleEventsParser::Naming &SingleEventsParser::naming(const QString &nativeName) const
{
    const auto known = m_namings.constFind(nativeName);
    if (known != m_namings.constEnd()) {
        return *known;
    }
    // A hidden parameter keeps its key; a shown one takes the dictionary's
    // name in the language of the system, or else a readable form of its key.
    Naming naming;
    naming.entry = dictionaryEntry(nativeName);
    if (naming.entry && !naming.entry->visible) {
        naming.shown = nativeName;
    } else {
        const QString given = !naming.entry ? QString() : LocaleKeeper::Instance().isRussian() ? naming.entry->russianName : naming.entry->englishName;
        naming.shown = intern(given.isEmpty() ? readableName(nativeName) : given);
    }
    return *m_namings.insert(nativeName, naming);
}

const SingleEventsParser::DictionaryEntry *SingleEventsParser::dictionaryEntry(const QString &nativeName)
{
    const auto it = m_dictionary.constFind(nativeName);
    return it == m_dictionary.constEnd() ? nullptr : &*it;
}

void SingleEventsParser::checkDictionary(EventTreeItem *node, const DictionaryEntry *entry) const
{
    if (node->kind != EventTreeItem::Value && node->kind != EventTreeItem::Array && node->kind != EventTreeItem::Compound) {
        return;
    }
    if (!entry || entry->visible) {
        // Column 0 holds the shown name since the node was built.
        node->name = node->data(0).toString();
    }
    if (!entry) {
        node->editable = true;
        return;
    }
    node->visible = entry->visible;
    if (!node->visible) {
        return;
    }
    const EventTreeItem *parent = node->parentItem();
    node->editable = entry->editable || (parent && parent->childrenEditable);
    node->childrenEditable = entry->childrenEditable;
}

void SingleEventsParser::finishNode(EventTreeItem *node, DependsPairs &pairs, std::size_t slot) const
{
    // Parameters get no check box of their own.
    if (node->kind == EventTreeItem::Value || node->kind == EventTreeItem::Array || node->kind == EventTreeItem::Compound) {
        node->checkable = false;
    }
    // Each identifier a "message-depends" value names is a dependency of the
    // event; by native name, as a dictionary may rename column 0 in the
    // Russian locale. The pairs keep the order of the nodes in pre-order.
    if (node->nativeName == QLatin1String("message-depends") && node->parentItem()) {
        const QStringList parts = node->data(1).toString().split(QLatin1Char(','));
        auto at = pairs.begin() + static_cast<std::ptrdiff_t>(slot);
        for (const QString &part : parts) {
            at = pairs.emplace(at, node->parentItem()->nativeName, part.simplified()) + 1;
        }
    }
    hideIfAuxiliary(node);
}

void SingleEventsParser::setDirChecked(EventTreeItem *group) const
{
    if (group->kind != EventTreeItem::Group || !group->checkable || group->childCount() == 0) {
        return;
    }
    int checkableChildren = 0;
    for (int row = 0; row < group->childCount(); ++row) {
        if (static_cast<EventTreeItem *>(group->child(row))->checkable) {
            ++checkableChildren;
        }
    }
    if (checkableChildren == 0) {
        group->checkState = Qt::Unchecked;
    }

    int checked = 0;
    for (int row = 0; row < group->childCount(); ++row) {
        auto child = static_cast<EventTreeItem *>(group->child(row));
        if (!child->checkable) {
            continue;
        }
        if (child->kind == EventTreeItem::Group) {
            setDirChecked(child);
        }
        if (child->checkState == Qt::PartiallyChecked) {
            group->checkState = Qt::PartiallyChecked;
            return;
        }
        if (child->checkState == Qt::Checked) {
            ++checked;
        }
    }
    if (checked == 0) {
        group->checkState = Qt::Unchecked;
    } else if (checked == checkableChildren) {
        group->checkState = Qt::Checked;
    } else {
        group->checkState = Qt::PartiallyChecked;
    }
}

void SingleEventsParser::checkDepends(EventTreeItem *root) const
{
    if (dependsMap.empty()) {
        return;
    }
    // Dependencies link events only: a parameter that carries an event's
    // identifier as its key is never taken for the event.
    QHash<QString, EventTreeItem *> events;
    indexEvents(root, events);
    for (const auto &[dependent, dependency] : dependsMap) {
        EventTreeItem *from = events.value(dependent);
        EventTreeItem *to = events.value(dependency);
        // An event that names itself would check and uncheck itself.
        if (!from || !to || from == to) {
            continue;
        }
        from->dependencies.push_back(to);
        to->dependents.push_back(from);
    }
}

void SingleEventsParser::hideIfAuxiliary(EventTreeItem *node) const
{
    // Column 0 shows a name of its own, not necessarily the key.
    if (node->nativeName.startsWith(OverlayPrefix) || node->data(0).toString().startsWith(OverlayPrefix)) {
        node->visible = false;
    }
}

void SingleEventsParser::setItemOptions(EventTreeItem *event) const
{
    // The root, too, is of the event kind.
    if (event->kind == EventTreeItem::Event) {
        if (const EventTreeItem *option = event->findChildTopLevelByNativeName(QStringLiteral("is-not-redirected"))) {
            event->notRedirected = event->notRedirected || isNonZeroInteger(option->data(1));
        }
        if (const EventTreeItem *option = event->findChildTopLevelByNativeName(QStringLiteral("generates-load"))) {
            event->generatesLoad = event->generatesLoad || isNonZeroInteger(option->data(1));
        }
        if (event->hasAuditRules()) {
            if (EventTreeItem *key = event->findChildByNativeName(QStringLiteral(".auditd.key"))) {
                key->setHasAuditRules(true);
            }
        }
        if (const EventTreeItem *messageId = event->findChildByNativeName(QStringLiteral("message_id"))) {
            if (DBusKeeper::Instance().findEvent(messageId->data(1).toString())) {
                event->notificationState = EventTreeItem::NotificationOn;
            }
        }
        if (const EventTreeItem *conflicts = event->findChildTopLevelByNativeName(QStringLiteral("conflicts-with"))) {
            event->conflicts = conflicts->data(1).toString().split(QStringLiteral(", "));
        }
    }
}
