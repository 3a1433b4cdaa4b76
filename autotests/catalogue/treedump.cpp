/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "treedump.h"

#include "eventtreeitem.h"

namespace TreeDump
{
namespace
{
void dumpNode(const EventTreeItem *node, int depth, QString &out)
{
    QStringList columns;
    for (int column = 0; column < node->columnCount(); ++column) {
        const QVariant value = node->data(column);
        columns.append(value.isValid() ? value.toString() : QStringLiteral("<invalid>"));
    }
    QStringList links;
    for (const EventTreeItem *item : node->dependencies) {
        links.append(QStringLiteral("->") + item->nativeName);
    }
    for (const EventTreeItem *item : node->dependents) {
        links.append(QStringLiteral("<-") + item->nativeName);
    }
    out += QString(depth * 2, QLatin1Char(' '))
        + QStringLiteral("%1 [%2] kind=%3 chk=%4/%5 ed=%6/%7 vis=%8 ovr=%9")
              .arg(node->nativeName, columns.join(QLatin1Char('|')))
              .arg(node->kind)
              .arg(node->checkable)
              .arg(node->checkState)
              .arg(node->editable)
              .arg(node->childrenEditable)
              .arg(node->visible)
              .arg(node->overridden)
        + QStringLiteral(" nr=%1 gl=%2 ar=%3 nt=%4 name=%5 cf=%6 %7\n")
              .arg(node->notRedirected)
              .arg(node->generatesLoad)
              .arg(node->hasAuditRules())
              .arg(node->notificationState)
              .arg(node->name, node->conflicts.join(QLatin1Char(';')), links.join(QLatin1Char(' ')));
    for (int row = 0; row < node->childCount(); ++row) {
        dumpNode(static_cast<const EventTreeItem *>(node->child(row)), depth + 1, out);
    }
}
}

QString dump(const EventTreeItem *root)
{
    QString out;
    if (root) {
        dumpNode(root, 0, out);
    }
    return out;
}

EventTreeItem *at(const EventTreeItem *root, const QStringList &nativeNames)
{
    const EventTreeItem *node = root;
    for (const QString &name : nativeNames) {
        if (!node) {
            return nullptr;
        }
        node = node->findChildTopLevelByNativeName(name);
    }
    return const_cast<EventTreeItem *>(node);
}
}
