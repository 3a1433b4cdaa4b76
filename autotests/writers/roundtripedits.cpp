/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "roundtripedits.h"

#include "eventtreeitem.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>

namespace
{
const QString Enabled = QStringLiteral("enabled");

EventTreeItem *childAt(const EventTreeItem *item, int row)
{
    return static_cast<EventTreeItem *>(item->child(row));
}

// [event id, parameter, parameter...] below `root`.
EventTreeItem *nodeAt(const EventTreeItem *root, const QStringList &path)
{
    EventTreeItem *node = root->findChildByNativeName(path.first());
    for (int i = 1; node && i < path.size(); ++i) {
        node = node->findChildTopLevelByNativeName(path.at(i));
    }
    return node;
}

bool isMarker(const QString &name)
{
    return name.startsWith(QLatin1String("overlay"));
}

QString compactJson(const QJsonValue &value)
{
    return QString::fromUtf8(value.isArray() ? QJsonDocument(value.toArray()).toJson(QJsonDocument::Compact)
                                             : QJsonDocument(value.toObject()).toJson(QJsonDocument::Compact));
}

// An audit table or file list as stored in column 2, without the merge
// markers the parser leaves inside table entries.
QJsonDocument storedJson(const EventTreeItem *item)
{
    QJsonDocument document = QJsonDocument::fromJson(item->data(2).toString().toUtf8());
    if (!document.isObject()) {
        return document;
    }
    static const QRegularExpression marker(QStringLiteral("^overlay[0-9]+$"));
    QJsonObject table = document.object();
    const QStringList names = table.keys();
    for (const QString &name : names) {
        if (marker.match(name).hasMatch()) {
            table.remove(name);
            continue;
        }
        if (table.value(name).isObject()) {
            QJsonObject entry = table.value(name).toObject();
            const QStringList keys = entry.keys();
            for (const QString &key : keys) {
                if (marker.match(key).hasMatch()) {
                    entry.remove(key);
                }
            }
            table.insert(name, entry);
        }
    }
    return QJsonDocument(table);
}

bool subtreeMarked(const EventTreeItem *item)
{
    if (item->overridden) {
        return true;
    }
    for (int row = 0; row < item->childCount(); ++row) {
        if (subtreeMarked(childAt(item, row))) {
            return true;
        }
    }
    return false;
}

void markNode(EventTreeItem *item)
{
    if (item) {
        item->overridden = true;
    }
}

void markNamedChild(EventTreeItem *item, const char *name)
{
    if (item) {
        markNode(item->findChildByNativeName(QString::fromLatin1(name)));
    }
}

// The marking of the module's comparison for one differing node.
void markAsModule(EventTreeItem *item)
{
    EventTreeItem *parent = item->parentItem();
    EventTreeItem *grandparent = parent ? parent->parentItem() : nullptr;
    const QString name = item->nativeName;
    if (name == QLatin1String("fail") || name == QLatin1String("succ")) {
        markNamedChild(parent, "fail");
        markNamedChild(parent, "succ");
        markNode(parent);
        markNode(grandparent);
        markNode(grandparent ? grandparent->parentItem() : nullptr);
        markNamedChild(grandparent, "users");
        markNamedChild(grandparent, "groups");
    } else if (name == QLatin1String("users") || name == QLatin1String("groups")) {
        markNode(parent);
        markNode(grandparent);
        if (parent) {
            EventTreeItem *other = parent->findChildByNativeName(QStringLiteral("other"));
            markNode(other);
            markNamedChild(other, "fail");
            markNamedChild(other, "succ");
            markNamedChild(parent, name == QLatin1String("users") ? "groups" : "users");
        }
    }
    markNode(item);
    if (grandparent && name == Enabled && grandparent->nativeName == QLatin1String("extend-message-params")) {
        for (int row = 0; row < parent->childCount(); ++row) {
            if (!isMarker(childAt(parent, row)->nativeName)) {
                markNode(childAt(parent, row));
            }
        }
    }
}

QString switchText(const EventTreeItem *item)
{
    const EventTreeItem *enabled = item->findChildTopLevelByNativeName(Enabled);
    return enabled ? enabled->data(1).toString() : QString();
}

bool differs(const EventTreeItem *reference, const EventTreeItem *working)
{
    const int columns = std::max(reference->columnCount(), working->columnCount());
    for (int column = 0; column < columns; ++column) {
        if (reference->data(column) != working->data(column)) {
            return true;
        }
    }
    // An object with a switch shows the switch as its value.
    return reference->checkState != working->checkState || reference->notificationState != working->notificationState
        || (working->kind == EventTreeItem::Value && switchText(reference) != switchText(working));
}

QString describe(const QString &path, const char *what, const QString &expected = QString(), const QString &actual = QString())
{
    QString text = path + QLatin1String(": ") + QLatin1String(what);
    if (!expected.isNull() || !actual.isNull()) {
        text += QLatin1String(" (expected ") + expected + QLatin1String(", got ") + actual + QLatin1Char(')');
    }
    return text;
}

struct Comparison {
    const QList<QStringList> &changed;
    QStringList problems;

    void compare(const EventTreeItem *original, const EventTreeItem *working, const EventTreeItem *loaded, const QStringList &path)
    {
        const QString where = path.join(QLatin1Char('/'));
        compareValues(working, loaded, where);

        if (changed.contains(path) && !loaded->overridden) {
            problems << describe(where, "changed but not marked overridden after loading");
        }
        if (original && original->overridden && !loaded->overridden) {
            problems << describe(where, "overridden before the write but not after");
        }
        if (loaded->overridden && !subtreeMarked(working)) {
            problems << describe(where, "marked overridden after loading without having been written");
        }

        for (int row = 0; row < working->childCount(); ++row) {
            const EventTreeItem *child = childAt(working, row);
            if (isMarker(child->nativeName)) {
                continue;
            }
            const EventTreeItem *loadedChild = loaded->findChildTopLevelByNativeName(child->nativeName);
            if (!loadedChild) {
                problems << describe(where + QLatin1Char('/') + child->nativeName, "missing after loading");
                continue;
            }
            const EventTreeItem *originalChild = original ? original->findChildTopLevelByNativeName(child->nativeName) : nullptr;
            // Events are addressed by their identifier alone, as paths of changes are.
            const QStringList childPath = child->kind == EventTreeItem::Event ? QStringList{child->nativeName} : path + QStringList{child->nativeName};
            compare(originalChild, child, loadedChild, childPath);
        }
        for (int row = 0; row < loaded->childCount(); ++row) {
            const EventTreeItem *child = childAt(loaded, row);
            if (!isMarker(child->nativeName) && !working->findChildTopLevelByNativeName(child->nativeName)) {
                problems << describe(where + QLatin1Char('/') + child->nativeName, "appeared after loading");
            }
        }
    }

    void compareValues(const EventTreeItem *working, const EventTreeItem *loaded, const QString &where)
    {
        if (working->kind != loaded->kind) {
            problems << describe(where, "kind differs", QString::number(working->kind), QString::number(loaded->kind));
            return;
        }
        switch (working->kind) {
        case EventTreeItem::Group:
        case EventTreeItem::Event:
            if (working->data(0).toString() != loaded->data(0).toString()) {
                problems << describe(where, "name differs", working->data(0).toString(), loaded->data(0).toString());
            }
            if (working->kind == EventTreeItem::Event && working->checkState != loaded->checkState) {
                problems << describe(where, "check state differs", QString::number(working->checkState), QString::number(loaded->checkState));
            }
            break;
        case EventTreeItem::Compound: {
            const QJsonDocument expected = storedJson(working);
            const QJsonDocument actual = storedJson(loaded);
            if (expected != actual) {
                problems << describe(where,
                                     "stored JSON differs",
                                     QString::fromUtf8(expected.toJson(QJsonDocument::Compact)),
                                     QString::fromUtf8(actual.toJson(QJsonDocument::Compact)));
            }
            break;
        }
        default:
            if (working->data(1).toString() != loaded->data(1).toString()) {
                problems << describe(where, "value differs", working->data(1).toString(), loaded->data(1).toString());
            }
        }
    }
};
}

QStringList RoundTripEdits::apply(EventTreeItem *working, const EventTreeItem *reference)
{
    QStringList problems;
    m_changed.clear();
    const auto node = [&](const QStringList &path) {
        EventTreeItem *item = nodeAt(working, path);
        if (!item) {
            problems << describe(path.join(QLatin1Char('/')), "not in the sample catalogue");
        }
        return item;
    };
    const auto setValue = [&](const QStringList &path, const QString &value) {
        if (EventTreeItem *item = node(path)) {
            item->setData(1, value);
            m_changed << path;
        }
    };

    // Switch an event off, as a click on its check box does.
    const QStringList switched{QStringLiteral("user-login-success")};
    if (EventTreeItem *event = node(switched)) {
        EventTreeItem *enabled = event->findChildTopLevelByNativeName(Enabled);
        if (!enabled || enabled->data(1).toString() != QLatin1String("1")) {
            problems << describe(switched.first(), "is not switched on in the sample");
        } else {
            enabled->setData(1, 0);
            event->checkState = Qt::Unchecked;
            m_changed << switched << switched + QStringList{Enabled};
        }
    }

    // A scalar and a nested value, holding what JSON must escape.
    setValue({QStringLiteral("disk-space-low"), QStringLiteral("check-interval")}, QStringLiteral("600 \"сек\" \\ 1"));
    setValue({QStringLiteral("usb-device-blocked"), QStringLiteral("notification_repetition"), QStringLiteral("interval")},
             QStringLiteral("Интервал \"45\"\\\nвторая строка"));

    // A string array.
    const QStringList classes{QStringLiteral("hid"), QStringLiteral("mass-storage \"x\"")};
    const QStringList arrayPath{QStringLiteral("usb-device-blocked"), QStringLiteral("allowed-device-classes")};
    if (EventTreeItem *array = node(arrayPath)) {
        array->setData(1, classes.join(QLatin1String(", ")));
        array->setData(2, compactJson(QJsonArray::fromStringList(classes)));
        m_changed << arrayPath;
    }

    // A file list.
    const QStringList listPath{QStringLiteral("disk-space-low"), QStringLiteral("directories")};
    if (EventTreeItem *list = node(listPath)) {
        const QJsonArray directories{
            QJsonObject{{QStringLiteral("path"), QStringLiteral("/")},
                        {QStringLiteral("limit_bytes"), QStringLiteral("1073741824")},
                        {QStringLiteral("limit_percent"), QStringLiteral("95.0")}},
            QJsonObject{{QStringLiteral("path"), QStringLiteral("/srv/журнал \"a\"")},
                        {QStringLiteral("limit_bytes"), QStringLiteral("1")},
                        {QStringLiteral("limit_percent"), QStringLiteral("50.0")}},
        };
        list->setData(1, QStringLiteral("/, /srv/журнал \"a\""));
        list->setData(2, compactJson(directories));
        m_changed << listPath;
    }

    // An audit table: an entry the catalogue lists and one it does not.
    const QStringList tablePath{QStringLiteral("audit-exec"), QStringLiteral("message-audit-events"), QStringLiteral("exec"), QStringLiteral("users")};
    if (EventTreeItem *table = node(tablePath)) {
        QJsonObject users = QJsonDocument::fromJson(table->data(2).toString().toUtf8()).object();
        if (!users.contains(QLatin1String("bob"))) {
            problems << describe(tablePath.join(QLatin1Char('/')), "has no entry for bob");
        }
        users.insert(QStringLiteral("bob"), QJsonObject{{QStringLiteral("fail"), QStringLiteral("1")}, {QStringLiteral("succ"), QStringLiteral("0")}});
        users.insert(QStringLiteral("carol"), QJsonObject{{QStringLiteral("fail"), QStringLiteral("1")}, {QStringLiteral("succ"), QStringLiteral("1")}});
        table->setData(1, users.keys().join(QLatin1String(", ")));
        table->setData(2, compactJson(users));
        m_changed << tablePath;
    }

    markChanges(reference, working);
    return problems;
}

QStringList RoundTripEdits::verify(const EventTreeItem *original, const EventTreeItem *working, const EventTreeItem *loaded) const
{
    Comparison comparison{m_changed, {}};
    comparison.compare(original, working, loaded, {});
    return comparison.problems;
}

QStringList RoundTripEdits::rejectedAuditRules(const QByteArray &rulesFile, bool *available)
{
    const QString accepted = QStringLiteral("The audit system is disabled\n");
    // In a user namespace of its own, auditctl parses a rule but cannot load it.
    const auto check = [](const QString &rule) {
        QProcess auditctl;
        QStringList arguments{QStringLiteral("-U"), QStringLiteral("-r"), QStringLiteral("auditctl")};
        arguments << rule.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        auditctl.start(QStringLiteral("unshare"), arguments);
        if (!auditctl.waitForFinished(10000)) {
            auditctl.kill();
            auditctl.waitForFinished();
        }
        return QString::fromUtf8(auditctl.readAllStandardError());
    };

    *available = check(QStringLiteral("-w /etc/passwd -p wa -k probe")) == accepted;
    QStringList rejected;
    if (!*available) {
        return rejected;
    }
    const QStringList lines = QString::fromUtf8(rulesFile).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (const QString &line : lines) {
        const QString complaint = check(line);
        if (complaint != accepted) {
            rejected << line + QLatin1String(": ") + complaint.trimmed();
        }
    }
    return rejected;
}

void RoundTripEdits::markChanges(const EventTreeItem *reference, EventTreeItem *working)
{
    const int rows = std::min(reference->childCount(), working->childCount());
    for (int row = 0; row < rows; ++row) {
        const EventTreeItem *referenceChild = childAt(reference, row);
        EventTreeItem *workingChild = childAt(working, row);
        if (differs(referenceChild, workingChild)) {
            markAsModule(workingChild);
        }
        markChanges(referenceChild, workingChild);
    }
}

QList<QStringList> RoundTripEdits::changedPaths() const
{
    return m_changed;
}
