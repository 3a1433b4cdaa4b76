/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
// The audit tables of the audit events: the JSON object of names and flags
// the audit dialog shows and writes back, and that the module reads into the
// audit settings it sends to the system.
//
// Input: the JSON text of one table (column 2 of a "users" or "groups" node).
//
// Besides surviving, the dialog must write back every name it shows with its
// two flags, as JSON that reads back as the same table; the settings the
// module derives from a table must not depend on whether it went through the
// dialog.
#include "auditdialog.h"
#include "auditsettings.h"
#include "auditsettingscontroller.h"
#include "eventtreeitem.h"
#include "fuzzsupport.h"
#include "fuzztarget.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <memory>

namespace
{
AuditDialog *dialog = nullptr;
QList<QVariant> emitted;

void initialize()
{
    Fuzz::ensureApplication(true);
    dialog = new AuditDialog(nullptr);
    QObject::connect(dialog, &AuditDialog::auditSettingsEdited, [](const QList<QVariant> &values) {
        emitted = values;
    });
}

QList<QVariant> readBack(const QString &json)
{
    emitted.clear();
    dialog->setTableData(json);
    // The dialog's OK, without showing it.
    QMetaObject::invokeMethod(dialog, "prepareData");
    FUZZ_CHECK(emitted.size() == 3);
    return emitted;
}

// A tree (root, group, event) whose one event, checked, has the audit
// event "fuzz-audit" with the given users table (and the same as groups
// table), nothing audited for the others.
std::unique_ptr<EventTreeItem> auditTree(const QString &table)
{
    const auto add = [](EventTreeItem *parent, const QString &name, const QVariant &value, const QVariant &json) {
        auto *node = new EventTreeItem({name, value, json}, parent);
        node->nativeName = name;
        node->kind = EventTreeItem::Value;
        parent->appendChild(node);
        return node;
    };
    auto root = std::make_unique<EventTreeItem>(QVector<QVariant>{QStringLiteral("Parameter"), QStringLiteral("Value")});
    EventTreeItem *group = add(root.get(), QStringLiteral("group"), QVariant(), QVariant());
    group->kind = EventTreeItem::Group;
    EventTreeItem *event = add(group, QStringLiteral("event"), QVariant(), QVariant());
    event->kind = EventTreeItem::Event;
    event->checkable = true;
    event->checkState = Qt::Checked;
    EventTreeItem *auditEvents = add(event, QStringLiteral("message-audit-events"), QVariant(), QVariant());
    EventTreeItem *audit = add(auditEvents, QStringLiteral("fuzz-audit"), QVariant(), QVariant());
    EventTreeItem *other = add(audit, QStringLiteral("other"), QVariant(), QVariant());
    add(other, QStringLiteral("succ"), QStringLiteral("0"), QVariant());
    add(other, QStringLiteral("fail"), QStringLiteral("0"), QVariant());
    add(audit, QStringLiteral("users"), QVariant(), table)->kind = EventTreeItem::Compound;
    add(audit, QStringLiteral("groups"), QVariant(), table)->kind = EventTreeItem::Compound;
    return root;
}

// What the module sends of a table.
std::pair<QHash<QPair<QString, QString>, int>, QHash<QPair<QString, QString>, int>> settingsOf(const QString &table)
{
    AuditSettingsController controller(nullptr, nullptr);
    const std::unique_ptr<EventTreeItem> tree = auditTree(table);
    controller.checkAuditSettings(tree.get());
    return {controller.settings()->userSettings, controller.settings()->groupSettings};
}

int runOne(const std::uint8_t *data, std::size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), int(size));
    const QList<QVariant> first = readBack(text);
    // Qt's JSON objects lose a byte order mark that starts a key once the
    // document is made again, and order keys that hold a NUL differently
    // when read again: nothing to compare then.
    if (Fuzz::hasKeysQtMishandles(text)) {
        return 0;
    }

    // Every name shown, with its flags, in the JSON written back.
    const QJsonObject written = QJsonDocument::fromJson(first.at(1).toString().toUtf8()).object();
    const QJsonObject read = QJsonDocument::fromJson(text.toUtf8()).object();
    int names = 0;
    for (auto it = read.constBegin(); it != read.constEnd(); ++it) {
        if (it.key().startsWith(QLatin1String("overlay"))) {
            continue;
        }
        ++names;
        FUZZ_CHECK(written.contains(it.key()));
        const QJsonObject flags = written.value(it.key()).toObject();
        FUZZ_CHECK(flags.value(QLatin1String("succ")).isString() && flags.value(QLatin1String("fail")).isString());
    }
    FUZZ_CHECK(written.size() == names);
    FUZZ_CHECK(readBack(first.at(1).toString()) == first);

    // The module reads the written table as it reads the original one.
    const auto direct = settingsOf(text);
    const auto throughDialog = settingsOf(first.at(1).toString());
    for (const auto *table : {&direct.first, &direct.second}) {
        for (auto it = table->constBegin(); it != table->constEnd(); ++it) {
            const auto &other = table == &direct.first ? throughDialog.first : throughDialog.second;
            // The dialog keeps only "1" as on; the module any non-zero number.
            FUZZ_CHECK((other.value(it.key()) & ~it.value()) == 0);
        }
    }
    return 0;
}
}

ADMINEVENTS_FUZZ_TARGET(audittable, initialize, runOne)
