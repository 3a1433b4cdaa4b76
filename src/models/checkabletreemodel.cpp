/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "checkabletreemodel.h"

#include "eventtreeitem.h"
#include "parametertype.h"
#include "singleeventsparser.h"

#include <KLocalizedString>

#include <QColor>
#include <QPainter>
#include <QPixmap>

namespace
{
const auto EnabledName = QStringLiteral("enabled");

EventTreeItem *childItem(const EventTreeItem *item, int row)
{
    return static_cast<EventTreeItem *>(item->child(row));
}

// The root of an empty model: the header values only.
EventTreeItem *createHeaderItem()
{
    return new EventTreeItem({i18n("Type"), i18n("Name"), i18n("Value")}, nullptr);
}

// A parent's check state from its checkable children: partially checked as
// soon as one child is; checked when there is no checkable child or every
// one is checked; unchecked when none is.
void recomputeCheckState(EventTreeItem *parent)
{
    if (!parent) {
        return;
    }
    int total = 0;
    int checked = 0;
    int partial = 0;
    for (int row = 0; row < parent->childCount(); ++row) {
        const EventTreeItem *child = childItem(parent, row);
        if (!child->checkable) {
            continue;
        }
        ++total;
        if (child->checkState == Qt::Checked) {
            ++checked;
        } else if (child->checkState == Qt::PartiallyChecked) {
            ++partial;
        }
    }
    if (partial > 0) {
        parent->checkState = Qt::PartiallyChecked;
    } else if (total == 0) {
        parent->checkState = Qt::Checked;
    } else if (checked == 0) {
        parent->checkState = Qt::Unchecked;
    } else if (total > checked) {
        parent->checkState = Qt::PartiallyChecked;
    } else {
        parent->checkState = Qt::Checked;
    }
}

// The state itself, or its number; anything else is "off".
EventTreeItem::NotificationState toNotificationState(const QVariant &value)
{
    if (value.userType() == qMetaTypeId<EventTreeItem::NotificationState>()) {
        return value.value<EventTreeItem::NotificationState>();
    }
    bool ok = false;
    const int number = value.toInt(&ok);
    if (ok && number >= EventTreeItem::NotificationOff && number <= EventTreeItem::NotificationOnConfigured) {
        return static_cast<EventTreeItem::NotificationState>(number);
    }
    return EventTreeItem::NotificationOff;
}
}

CheckableTreeModel::CheckableTreeModel(const EventConfigStorage &storage, QObject *parent)
    : QAbstractItemModel(parent)
    , m_rootItem(createHeaderItem())
    , m_notificationIcon(createComposedIcon(QStringLiteral("dialog-information"), QStringLiteral("wisp-notifications")))
    , m_storage(storage)
    , m_onText(i18n("On"))
    , m_offText(i18n("Off"))
{
}

CheckableTreeModel::~CheckableTreeModel()
{
    delete m_rootItem;
}

void CheckableTreeModel::setRootItem(EventTreeItem *rootItem)
{
    beginResetModel();
    delete m_rootItem;
    // A failed parse hands over no tree: show an empty one rather than keep a
    // dangling root.
    m_rootItem = rootItem ? rootItem : createHeaderItem();
    endResetModel();
}

EventTreeItem *CheckableTreeModel::rootItem() const
{
    return m_rootItem;
}

EventTreeItem *CheckableTreeModel::itemFromIndex(const QModelIndex &index) const
{
    if (index.isValid() && index.model() == this) {
        return static_cast<EventTreeItem *>(index.internalPointer());
    }
    return m_rootItem;
}

const EventConfigStorage &CheckableTreeModel::storage() const
{
    return m_storage;
}

QModelIndex CheckableTreeModel::index(int row, int column, const QModelIndex &parent) const
{
    if (!hasIndex(row, column, parent)) {
        return {};
    }
    EventTreeItem *child = childItem(itemFromIndex(parent), row);
    return child ? createIndex(row, column, child) : QModelIndex();
}

QModelIndex CheckableTreeModel::parent(const QModelIndex &index) const
{
    if (!index.isValid()) {
        return {};
    }
    EventTreeItem *parentItem = itemFromIndex(index)->parentItem();
    if (!parentItem || parentItem == m_rootItem) {
        return {};
    }
    return createIndex(parentItem->row(), 0, parentItem);
}

int CheckableTreeModel::rowCount(const QModelIndex &parent) const
{
    if (parent.column() > 0) {
        return 0;
    }
    return itemFromIndex(parent)->childCount();
}

int CheckableTreeModel::columnCount(const QModelIndex &parent) const
{
    return itemFromIndex(parent)->columnCount();
}

QVariant CheckableTreeModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole) {
        return m_rootItem->data(section);
    }
    return {};
}

bool CheckableTreeModel::isAuditItem(const QString &name) const
{
    return name == QLatin1String("succ") || name == QLatin1String("fail");
}

// Where the on/off state of a parameter is read: its own "enabled" child, or
// the audit item itself; null for anything that is no switch.
const EventTreeItem *CheckableTreeModel::switchSource(const EventTreeItem *item) const
{
    if (const EventTreeItem *enabled = item->findChildTopLevelByNativeName(EnabledName)) {
        return enabled;
    }
    return isAuditItem(item->nativeName) ? item : nullptr;
}

// A parameter whose value cell is a check box.
bool CheckableTreeModel::isSwitch(const EventTreeItem *item) const
{
    return item->kind == EventTreeItem::Value && switchSource(item);
}

bool CheckableTreeModel::isSwitchValue(const EventTreeItem *item) const
{
    return item->kind == EventTreeItem::Value && item->valueType == ParameterType::Switch && item->childCount() == 0;
}

QVariant CheckableTreeModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || role > ParameterTypeRole) {
        return {};
    }
    const EventTreeItem *item = itemFromIndex(index);
    if (!item) {
        return {};
    }
    const int column = index.column();

    switch (role) {
    case Qt::DisplayRole:
        if (item->kind == EventTreeItem::Value && column == 1) {
            if (const EventTreeItem *source = switchSource(item)) {
                bool ok = false;
                const uint state = source->data(1).toUInt(&ok);
                if (ok && state == 1) {
                    return m_onText;
                }
                if (ok && state == 0) {
                    return m_offText;
                }
                return {};
            }
            if (isSwitchValue(item)) {
                const QString text = item->data(1).toString();
                if (text == QLatin1String("1") || text == QLatin1String("true")) {
                    return m_onText;
                }
                if (text == QLatin1String("0") || text == QLatin1String("false")) {
                    return m_offText;
                }
            }
        }
        return item->data(column);
    case Qt::DecorationRole:
        if (column != 0) {
            return {};
        }
        if (item->generatesLoad && item->isNotificationOn()) {
            return m_notificationIcon.pixmap(32, 16);
        }
        if (item->generatesLoad) {
            return QIcon::fromTheme(QStringLiteral("dialog-information"));
        }
        if (item->isNotificationOn()) {
            return QIcon::fromTheme(QStringLiteral("wisp-notifications"));
        }
        return {};
    case Qt::EditRole:
        if (column == 1 || column == 2) {
            return item->data(column);
        }
        return {};
    case Qt::ToolTipRole:
        if (column == 0 && item->generatesLoad) {
            return i18n("This event generates a large volume of records in the logs");
        }
        if (column == 0 && item->isNotificationOn()) {
            return i18n("Notifications are enabled for this event");
        }
        return QString();
    case Qt::ForegroundRole:
        // A switch takes clicks whatever its dictionary entry says: it must not
        // look disabled.
        if (column == 1 && !item->editable && !isSwitch(item)) {
            return QColor(Qt::gray);
        }
        return {};
    case Qt::CheckStateRole:
        if ((column == 0 && item->checkable) || (column == 1 && isSwitch(item))) {
            return item->checkState;
        }
        return {};
    case VisibleRole:
        return item->visible ? 1 : 0;
    case FileArrayRole:
        return isFileArray(index, item);
    case ValueParameterRole:
        return item->kind == EventTreeItem::Value ? 1 : 0;
    case NativeNameRole:
        return item->nativeName;
    case DirectoriesRole:
        return item->nativeName == QLatin1String("directories") ? 1 : 0;
    case DirectoryArrayRole:
        return isDirectoryArray(index, item);
    case AuditRulesIndexRole:
        return getAuditRules(index, item);
    case UsersRole:
        return item->nativeName == QLatin1String("users") ? 1 : 0;
    case GroupsRole:
        return item->nativeName == QLatin1String("groups") ? 1 : 0;
    case ParameterTypeRole:
        return QVariant::fromValue(SingleEventsParser::parameterType(*item));
    default:
        return {};
    }
}

Qt::ItemFlags CheckableTreeModel::flags(const QModelIndex &index) const
{
    if (!index.isValid()) {
        return Qt::NoItemFlags;
    }
    if (index.column() == 0) {
        return Qt::ItemIsSelectable | Qt::ItemIsUserCheckable | Qt::ItemIsEnabled;
    }
    Qt::ItemFlags result = Qt::ItemIsSelectable | Qt::ItemIsEnabled;
    if (index.column() != 1) {
        return result;
    }
    const EventTreeItem *item = itemFromIndex(index);
    if (item->editable && !switchSource(item)) {
        // File and directory lists, the directories table and the audit
        // tables have their dialogs, switches their check box; everything
        // else is edited in place.
        const QModelIndex nameCell = index.siblingAtColumn(0);
        bool inPlace = true;
        for (const int role : {FileArrayRole, DirectoryArrayRole, DirectoriesRole, UsersRole, GroupsRole}) {
            if (data(nameCell, role).toInt() != 0) {
                inPlace = false;
                break;
            }
        }
        if (inPlace) {
            result |= Qt::ItemIsEditable;
        }
    }
    if (isSwitch(item)) {
        result |= Qt::ItemIsUserCheckable;
    }
    return result;
}

bool CheckableTreeModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!index.isValid() || index.model() != this) {
        return false;
    }
    EventTreeItem *item = itemFromIndex(index);

    switch (role) {
    case Qt::DecorationRole:
        item->notificationState = toNotificationState(value);
        Q_EMIT notificationChanged(index, index, {Qt::DecorationRole});
        return true;
    case Qt::EditRole: {
        QVariant stored = value;
        if (index.column() == 1 && item->valueType != ParameterType::Text) {
            // A typed value is refused unless it fits, and stays a text.
            const QString text = value.toString();
            const ParameterType type = SingleEventsParser::parameterType(*item);
            if (!type.accepts(text)) {
                return false;
            }
            if (type.kind() == ParameterType::Integer) {
                stored = QString::number(text.toLongLong());
            } else if (type.kind() == ParameterType::Switch) {
                // In the words the value already uses: "1" and "0", or the
                // "true" and "false" of a JSON boolean.
                const bool on = text == QLatin1String("1") || text == QLatin1String("true");
                const QString current = item->data(1).toString();
                const bool words = current == QLatin1String("true") || current == QLatin1String("false");
                stored = words ? (on ? QStringLiteral("true") : QStringLiteral("false")) : (on ? QStringLiteral("1") : QStringLiteral("0"));
            } else {
                stored = text;
            }
        }
        if (!item->setData(index.column(), stored)) {
            return false;
        }
        Q_EMIT dataChanged(index, index, {});
        return true;
    }
    case Qt::CheckStateRole: {
        // Only a cell that shows a check box takes a click.
        if (!data(index, Qt::CheckStateRole).isValid()) {
            return false;
        }
        toggleCheckState(item);
        checkEnabled(m_rootItem);
        // One range per click, the clicked row over all its columns. The click
        // may also have changed the boxes of the parent, the children and the
        // dependencies, and "enabled" values anywhere; a range of more than
        // one cell makes an attached tree view repaint its whole viewport, and
        // whoever recomputes the whole tree on dataChanged() does it once.
        const QModelIndex first = index.siblingAtColumn(0);
        const QModelIndex last = index.siblingAtColumn(columnCount(index.parent()) - 1);
        Q_EMIT dataChanged(first, last, {});
        return true;
    }
    default:
        return false;
    }
}

// A group toggles between checked (from unchecked or partially checked) and
// unchecked, together with its events; anything else toggles unless it is
// partially checked.
void CheckableTreeModel::toggleCheckState(EventTreeItem *item) const
{
    if (item->kind == EventTreeItem::Group) {
        const bool check = item->checkState != Qt::Checked;
        item->checkState = check ? Qt::Checked : Qt::Unchecked;
        setGroupEventsChecked(item, check);
    } else if (item->checkState == Qt::Checked) {
        setGroupChecked(item, false);
    } else if (item->checkState == Qt::Unchecked) {
        setGroupChecked(item, true);
    }
}

void CheckableTreeModel::setGroupChecked(EventTreeItem *item, bool checked) const
{
    if (!item) {
        return;
    }
    if (checked) {
        item->checkState = Qt::Checked;
        for (EventTreeItem *dependency : item->dependencies) {
            dependency->checkState = Qt::Checked;
        }
    } else {
        item->checkState = Qt::Unchecked;
        for (EventTreeItem *dependent : item->dependents) {
            dependent->checkState = Qt::Unchecked;
        }
    }
    recomputeCheckState(item->parentItem());
    for (int row = 0; row < item->childCount(); ++row) {
        EventTreeItem *child = childItem(item, row);
        if (child->checkable) {
            setGroupChecked(child, checked);
        }
    }
}

void CheckableTreeModel::setGroupEventsChecked(EventTreeItem *item, bool checked) const
{
    if (!item || item->kind != EventTreeItem::Group) {
        return;
    }
    for (int row = 0; row < item->childCount(); ++row) {
        EventTreeItem *child = childItem(item, row);
        if (child->kind == EventTreeItem::Event) {
            child->checkState = checked ? Qt::Checked : Qt::Unchecked;
        }
    }
}

void CheckableTreeModel::checkEnabled(EventTreeItem *item) const
{
    if (!item) {
        return;
    }
    if ((item->kind == EventTreeItem::Event || item->kind == EventTreeItem::Value) && item->checkState != Qt::PartiallyChecked) {
        const int value = item->checkState == Qt::Checked ? 1 : 0;
        if (isAuditItem(item->nativeName)) {
            item->setData(1, value);
        } else {
            // By native name: in the Russian locale column 0 holds the
            // dictionary's name of a shown parameter instead of its key.
            for (int row = 0; row < item->childCount(); ++row) {
                EventTreeItem *child = childItem(item, row);
                if (child->nativeName == EnabledName) {
                    child->setData(1, value);
                }
            }
        }
    }
    for (int row = 0; row < item->childCount(); ++row) {
        checkEnabled(childItem(item, row));
    }
}

QModelIndex CheckableTreeModel::findParentByNativeName(const QModelIndex &index, const QString &name) const
{
    for (QModelIndex ancestor = parent(index); ancestor.isValid(); ancestor = parent(ancestor)) {
        if (itemFromIndex(ancestor)->nativeName == name) {
            return ancestor;
        }
    }
    return {};
}

QModelIndex CheckableTreeModel::findParentEvent(const QModelIndex &index) const
{
    for (QModelIndex ancestor = parent(index); ancestor.isValid(); ancestor = parent(ancestor)) {
        if (itemFromIndex(ancestor)->kind == EventTreeItem::Event) {
            return ancestor;
        }
    }
    return {};
}

QModelIndex CheckableTreeModel::findChildByNativeName(const QModelIndex &parent, const QString &name) const
{
    if (!parent.isValid()) {
        return {};
    }
    for (int row = 0; row < rowCount(parent); ++row) {
        const QModelIndex child = index(row, 0, parent);
        if (itemFromIndex(child)->nativeName == name) {
            return child;
        }
        const QModelIndex found = findChildByNativeName(child, name);
        if (found.isValid()) {
            return found;
        }
    }
    return {};
}

QVariant CheckableTreeModel::getAuditRules(const QModelIndex &index, const EventTreeItem *item) const
{
    QModelIndex rules;
    if (item && item->hasAuditRules() && index.isValid()) {
        const QModelIndex event = findParentEvent(index);
        if (event.isValid()) {
            rules = findChildByNativeName(event, QStringLiteral("message-audit-rules"));
        }
    }
    if (rules.isValid() && rules.column() != 1) {
        rules = rules.siblingAtColumn(1);
    }
    return QVariant::fromValue(rules);
}

QVariant CheckableTreeModel::isFileArray(const QModelIndex &index, const EventTreeItem *item) const
{
    if (item->nativeName == QLatin1String(".auditd.msg.exe")) {
        return 1;
    }
    if (item->nativeName == QLatin1String(".auditd.key")
        && (findParentByNativeName(index, QStringLiteral("modifying-file")).isValid()
            || findParentByNativeName(index, QStringLiteral("file-opened")).isValid())) {
        return 1;
    }
    return 0;
}

QVariant CheckableTreeModel::isDirectoryArray(const QModelIndex &index, const EventTreeItem *item) const
{
    if (item->nativeName == QLatin1String(".auditd.key") && findParentByNativeName(index, QStringLiteral("modifying-directory")).isValid()) {
        return 1;
    }
    return 0;
}

bool CheckableTreeModel::setAuditFileRules(const QModelIndex &index, const QVariant &value)
{
    if (!index.isValid() || index.model() != this) {
        return false;
    }
    // The owning event decides the kind of rule.
    const QModelIndex event = parent(index);
    const bool fileOpened = event.isValid() && itemFromIndex(event)->nativeName == QLatin1String("file-opened");
    QStringList rules;
    const QStringList parts = value.toString().split(QLatin1Char(','));
    for (const QString &part : parts) {
        const QString path = part.simplified();
        if (part == QLatin1String("\n") || path.isEmpty()) {
            continue;
        }
        // Rule files are split at white space: a path holding some would
        // become a different rule, or several.
        if (path.contains(QLatin1Char(' '))) {
            continue;
        }
        if (fileOpened) {
            rules << QStringLiteral("-a always,exit -F arch=x86_64 -F path=%1 -S open,openat -k %1").arg(path)
                  << QStringLiteral("-a always,exit -F arch=armv7l -F path=%1 -S open,openat -k %1").arg(path)
                  << QStringLiteral("-a always,exit -F arch=aarch64 -F path=%1 -S openat -k %1").arg(path);
        } else {
            rules << QStringLiteral("-w %1 -p wa -k %1").arg(path);
        }
    }
    return setData(index, rules.join(QLatin1String(", ")), Qt::EditRole);
}

QIcon createComposedIcon(const QString &leftIconName, const QString &rightIconName)
{
    const QIcon left = QIcon::fromTheme(leftIconName);
    const QIcon right = QIcon::fromTheme(rightIconName);
    QIcon result;
    const QList<QSize> sizes = left.availableSizes(QIcon::Normal, QIcon::Off);
    for (const QSize &size : sizes) {
        QPixmap composed(size.width() * 2, size.height());
        composed.fill(Qt::transparent);
        QPainter painter(&composed);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawPixmap(0, 0, left.pixmap(size));
        painter.drawPixmap(size.width(), 0, right.pixmap(size));
        painter.end();
        result.addPixmap(composed);
    }
    return result;
}
