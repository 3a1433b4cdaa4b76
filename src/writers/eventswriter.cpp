/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "eventswriter.h"

#include "configaccessservice.h"
#include "eventtreeitem.h"

#include <KLocalizedString>

#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>

namespace
{
const QString AuditRulesKey = QStringLiteral("message-audit-rules");
const QString EnabledKey = QStringLiteral("enabled");
const QString ListSeparator = QStringLiteral(", ");

EventTreeItem *eventChild(const EventTreeItem *item, int row)
{
    return static_cast<EventTreeItem *>(item->child(row));
}

QString valueText(const EventTreeItem *item)
{
    return item->data(1).toString();
}

// A switch value counts as on when it compares equal to the integer 1, which
// takes in "1", 1 and true alike.
bool isOn(const QVariant &value)
{
    return value == QVariant(1);
}

// The items of a string array as the tree shows them: column 1, the strings
// joined by ", ". Empty parts are kept, so an empty text is one empty string.
QJsonArray stringArray(const QString &joined, bool simplifyParts)
{
    QJsonArray array;
    const QStringList parts = joined.split(ListSeparator);
    for (const QString &part : parts) {
        array.append(simplifyParts ? part.simplified() : part);
    }
    return array;
}

// The parser's merge markers ("overlay0", "overlay1", ...) stay inside the
// stored JSON of an audit table; they describe the last load, not a setting.
bool isMergeMarker(const QString &key)
{
    static const QRegularExpression marker(QStringLiteral("^overlay[0-9]+$"));
    return marker.match(key).hasMatch();
}

QJsonObject withoutMergeMarkers(const QJsonObject &table)
{
    QJsonObject clean;
    for (auto it = table.constBegin(); it != table.constEnd(); ++it) {
        if (isMergeMarker(it.key())) {
            continue;
        }
        if (it.value().isObject()) {
            QJsonObject entry = it.value().toObject();
            const QStringList keys = entry.keys();
            for (const QString &key : keys) {
                if (isMergeMarker(key)) {
                    entry.remove(key);
                }
            }
            clean.insert(it.key(), entry);
        } else {
            clean.insert(it.key(), it.value());
        }
    }
    return clean;
}

const EventTreeItem *owningEvent(const EventTreeItem *item)
{
    while (item && item->kind != EventTreeItem::Event) {
        item = item->parentItem();
    }
    return item;
}

// A JSON string exactly as it appears in a document: quoted and escaped.
QString jsonString(const QString &text)
{
    const QByteArray array = QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(array.mid(1, array.size() - 2));
}
}

EventsWriter::EventsWriter(ConfigAccessService &configAccessService, const QString &configFile, const QString &auditRulesFile)
    : AbstractWriter(configAccessService, configFile)
    , m_auditRulesFile(auditRulesFile)
{
}

EventsWriter::~EventsWriter() = default;

bool EventsWriter::writeConfig(TreeItem *root)
{
    const bool settingsWritten = writeEventsConfig(root);
    const bool rulesWritten = writeAuditRules();
    return settingsWritten && rulesWritten;
}

QStringList EventsWriter::createConfig(TreeItem *root)
{
    const QList<RenderedEvent> events = render(root);
    QStringList lines;
    lines.reserve(events.size() + 2);
    lines.append(QStringLiteral("{"));
    for (int i = 0; i < events.size(); ++i) {
        QString line = QLatin1Char('\t') + jsonString(events.at(i).id) + QLatin1String(" : ")
            + QString::fromUtf8(QJsonDocument(events.at(i).settings).toJson(QJsonDocument::Compact));
        if (i + 1 < events.size()) {
            line.append(QLatin1Char(','));
        }
        lines.append(line);
    }
    lines.append(QStringLiteral("}"));
    return lines;
}

const QStringList &EventsWriter::errors() const
{
    return m_errors;
}

QJsonObject EventsWriter::createDocument(TreeItem *root)
{
    QJsonObject document;
    const QList<RenderedEvent> events = render(root);
    for (const RenderedEvent &event : events) {
        document.insert(event.id, event.settings);
    }
    return document;
}

QByteArray EventsWriter::renderEventSettings(TreeItem *root)
{
    return QJsonDocument(createDocument(root)).toJson(QJsonDocument::Indented);
}

QByteArray EventsWriter::renderAuditRules() const
{
    if (!m_hasAuditRules) {
        return {};
    }
    QStringList rules = m_auditRules;
    rules.removeDuplicates();
    QByteArray content;
    for (const QString &rule : std::as_const(rules)) {
        content.append(rule.toUtf8());
        content.append('\n');
    }
    return content;
}

QString EventsWriter::auditRulesFile() const
{
    return m_auditRulesFile;
}

QList<EventsWriter::RenderedEvent> EventsWriter::render(TreeItem *root)
{
    m_errors.clear();
    m_hasAuditRules = false;
    m_auditRules.clear();

    QList<RenderedEvent> events;
    // The root is the tree's header row, never an event itself.
    auto *eventRoot = dynamic_cast<EventTreeItem *>(root);
    if (!eventRoot) {
        return events;
    }
    for (int row = 0; row < eventRoot->childCount(); ++row) {
        printMessages(eventChild(eventRoot, row), events);
    }
    return events;
}

void EventsWriter::printMessages(EventTreeItem *item, QList<RenderedEvent> &events)
{
    if (!item) {
        return;
    }
    if (item->kind == EventTreeItem::Event) {
        if (checkOverlayItems(item)) {
            events.append(RenderedEvent{item->nativeName, renderEvent(item)});
        }
        return;
    }
    for (int row = 0; row < item->childCount(); ++row) {
        printMessages(eventChild(item, row), events);
    }
}

QJsonObject EventsWriter::renderEvent(EventTreeItem *event)
{
    QJsonObject settings;
    for (int row = 0; row < event->childCount(); ++row) {
        EventTreeItem *child = eventChild(event, row);
        prepareAuditParams(child);

        if (child->kind == EventTreeItem::Array) {
            if (child->overridden) {
                settings.insert(child->nativeName, stringArray(valueText(child), true));
            }
        } else if (child->kind == EventTreeItem::Compound) {
            if (child->overridden) {
                const QJsonValue value = prepareObjectArray(child);
                if (!value.isUndefined()) {
                    settings.insert(child->nativeName, value);
                }
            }
        } else if (child->overridden && child->childCount() == 0) {
            settings.insert(child->nativeName, valueText(child));
        }

        if (child->childCount() > 0 && checkOverlayItems(child)) {
            const QJsonValue nested = printNested(child);
            if (!nested.isUndefined()) {
                settings.insert(child->nativeName, nested);
            }
        }
    }

    // An event marked without any member of its own (the module marks an
    // event whose check box or notification changed) is written with its
    // switch as it stands: the value of its "enabled" parameter, or, for an
    // event without one, its check box.
    if (settings.isEmpty()) {
        const EventTreeItem *enabled = event->findChildTopLevelByNativeName(EnabledKey);
        const bool on = enabled ? isOn(enabled->data(1)) : event->checkState != Qt::Unchecked;
        settings.insert(EnabledKey, on ? QStringLiteral("1") : QStringLiteral("0"));
    }
    return settings;
}

QJsonValue EventsWriter::printNested(EventTreeItem *item)
{
    if (!checkOverlayItems(item)) {
        return QJsonValue(QJsonValue::Undefined);
    }

    if (item->childCount() > 0) {
        QJsonObject object;
        for (int row = 0; row < item->childCount(); ++row) {
            EventTreeItem *child = eventChild(item, row);
            const QJsonValue value = printNested(child);
            if (!value.isUndefined()) {
                object.insert(child->nativeName, value);
            }
        }
        // A marked object none of whose parameters is written is left out.
        if (object.isEmpty()) {
            return QJsonValue(QJsonValue::Undefined);
        }
        return object;
    }

    prepareAuditParams(item);
    switch (item->kind) {
    case EventTreeItem::Array:
        return stringArray(valueText(item), false);
    case EventTreeItem::Compound:
        return prepareObjectArray(item);
    default:
        return valueText(item);
    }
}

QJsonValue EventsWriter::prepareObjectArray(EventTreeItem *item)
{
    // Column 2 holds the file list or audit table as compact JSON.
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(item->data(2).toString().toUtf8(), &error);
    if (error.error == QJsonParseError::NoError && document.isArray()) {
        return document.array();
    }
    if (error.error == QJsonParseError::NoError && document.isObject()) {
        return withoutMergeMarkers(document.object());
    }

    // Written as it is, the member would leave the event's override without
    // this value; say so rather than drop it silently.
    const EventTreeItem *event = owningEvent(item);
    const QString eventName = event ? event->nativeName : QString();
    const QString message = i18n("The value of \"%1\" of the event \"%2\" could not be read and was not saved.", item->nativeName, eventName);
    if (!m_errors.contains(message)) {
        m_errors.append(message);
    }
    return QJsonValue(QJsonValue::Undefined);
}

void EventsWriter::prepareAuditParams(EventTreeItem *item)
{
    if (!item || item->nativeName != AuditRulesKey) {
        return;
    }
    const EventTreeItem *owner = item->parentItem();
    if (!owner) {
        return;
    }
    const EventTreeItem *enabled = owner->findChildTopLevelByNativeName(EnabledKey);
    if (enabled && valueText(enabled) != QLatin1String("1")) {
        return;
    }
    m_hasAuditRules = true;
    m_auditRules.append(valueText(item).split(ListSeparator));
}

bool EventsWriter::checkOverlayItems(const EventTreeItem *item)
{
    if (item->overridden) {
        return true;
    }
    for (int row = 0; row < item->childCount(); ++row) {
        if (checkOverlayItems(eventChild(item, row))) {
            return true;
        }
    }
    return false;
}

bool EventsWriter::writeEventsConfig(TreeItem *root)
{
    const QByteArray content = renderEventSettings(root);
    if (configAccessService().writeConfig(configFile(), content)) {
        return true;
    }
    addWriteError(configFile());
    return false;
}

bool EventsWriter::writeAuditRules()
{
    if (configAccessService().writeConfig(m_auditRulesFile, renderAuditRules())) {
        return true;
    }
    addWriteError(m_auditRulesFile);
    return false;
}

void EventsWriter::addWriteError(const QString &path)
{
    m_errors.append(i18n("The file \"%1\" was not saved: %2", path, configAccessService().errorString()));
}
