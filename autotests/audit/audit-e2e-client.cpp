/*
    SPDX-License-Identifier: GPL-2.0-or-later

    The audit settings through the real privileged path: seeds the stand-in
    audit store below ADMINEVENTS_ROOT with known values, opens the module,
    checks that both trees show the store after the first load, switches an
    "other" success flag through the view's model and a user's failure flag
    through the audit dialog, applies, answers the reboot question, and checks
    that the activated helper left exactly the new values in the store and
    that the reboot request reached the wisp-wmfunc stand-in. A second apply
    without changes must not ask for a reboot, nor a priority-only change
    after the reloads, whose trees must show what the system now holds. Run
    it inside a KAuth session,
    with a getent knowing the users alice and bob first on PATH:

        autotests/audit/audit-e2e-step.sh BUILD_DIR

    Prints one line per problem and "PASS" or "FAIL"; exits 0 on success.
*/
#include "admineventsmodule.h"
#include "auditdialog.h"
#include "checkabletreemodel.h"
#include "eventsproxymodel.h"
#include "eventtreeitem.h"
#include "systempaths.h"

#include <KCModule>

#include <QAbstractButton>
#include <QApplication>
#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMessageBox>
#include <QPushButton>
#include <QTableView>
#include <QTextStream>
#include <QTimer>
#include <QTreeView>

#include <map>
#include <memory>
#include <tuple>

namespace
{
const QString RebootQuestion = QStringLiteral("The audit settings will take effect only after the system is rebooted.");

// (audit identifier, audit type, subject) -> value; a missing key is 0.
using Store = std::map<std::tuple<QString, int, QString>, int>;

// The values the store holds before the module starts: what the system's
// audit configuration is taken to be.
Store seed()
{
    Store store{
        {{QStringLiteral("chmod"), 4, QString()}, 1}, // successes only
        {{QStringLiteral("chmod"), 1, QStringLiteral("alice")}, 2}, // failures only
        {{QStringLiteral("mount"), 2, QStringLiteral("tarn-admin")}, 1},
        // The old-format "audit-file-deleted" is switched on: "delete" for
        // everybody, for every user and every group the tables name.
        {{QStringLiteral("delete"), 4, QString()}, 3},
    };
    for (const char *user : {"alice", "bob"}) {
        store[{QStringLiteral("delete"), 1, QString::fromLatin1(user)}] = 3;
    }
    for (const char *group : {"alice", "bob", "tarn-admin", "users"}) {
        store[{QStringLiteral("delete"), 2, QString::fromLatin1(group)}] = 3;
    }
    return store;
}

QString storePath()
{
    return SystemPaths::resolve(SystemPaths::AuditStoreFile);
}

// The store in the stand-in library's format:
// { "<audit id>": { "<audit type>": { "<subject>": <int> } } }.
bool writeStore(const Store &store)
{
    QJsonObject root;
    for (const auto &[key, value] : store) {
        const auto &[auditId, auditType, subject] = key;
        QJsonObject byType = root.value(auditId).toObject();
        QJsonObject bySubject = byType.value(QString::number(auditType)).toObject();
        bySubject.insert(subject, value);
        byType.insert(QString::number(auditType), bySubject);
        root.insert(auditId, byType);
    }
    QFile file(storePath());
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(QJsonDocument(root).toJson()) > 0;
}

Store readStore()
{
    QFile file(storePath());
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    Store store;
    const QJsonObject root = QJsonDocument::fromJson(file.readAll()).object();
    for (auto id = root.constBegin(); id != root.constEnd(); ++id) {
        const QJsonObject byType = id.value().toObject();
        for (auto type = byType.constBegin(); type != byType.constEnd(); ++type) {
            const QJsonObject bySubject = type.value().toObject();
            for (auto subject = bySubject.constBegin(); subject != bySubject.constEnd(); ++subject) {
                store[{id.key(), type.key().toInt(), subject.key()}] = subject.value().toInt();
            }
        }
    }
    return store;
}

QString describe(const std::tuple<QString, int, QString> &key)
{
    return QStringLiteral("%1/%2/%3").arg(std::get<0>(key)).arg(std::get<1>(key)).arg(std::get<2>(key));
}

// Every difference between two stores, a missing key counting as 0.
QStringList differences(const Store &actual, const Store &expected)
{
    Store keys = actual;
    keys.insert(expected.begin(), expected.end());
    QStringList problems;
    for (const auto &[key, unused] : keys) {
        Q_UNUSED(unused)
        const int have = actual.count(key) ? actual.at(key) : 0;
        const int want = expected.count(key) ? expected.at(key) : 0;
        if (have != want) {
            problems << QStringLiteral("the store holds %1 for %2, expected %3").arg(have).arg(describe(key)).arg(want);
        }
    }
    return problems;
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Answers every message box that opens: the reboot question with `answer`,
// anything else with No. Records "<title>|<text>" of each.
class BoxAnswerer : public QObject
{
public:
    BoxAnswerer()
    {
        connect(&m_timer, &QTimer::timeout, this, [this]() {
            const QWidgetList windows = QApplication::topLevelWidgets();
            for (QWidget *window : windows) {
                auto *box = qobject_cast<QMessageBox *>(window);
                if (!box || !box->isVisible()) {
                    continue;
                }
                shown << box->windowTitle() + QLatin1Char('|') + box->text();
                const bool reboot = box->text().contains(RebootQuestion);
                // The static question reports the button clicked, not the
                // dialog's result code.
                if (QAbstractButton *button = box->button(reboot ? answer : QMessageBox::No)) {
                    button->click();
                } else {
                    box->reject();
                }
            }
        });
        m_timer.start(20);
    }

    QMessageBox::StandardButton answer = QMessageBox::No;
    QStringList shown;

    // The boxes that were not the reboot question.
    QStringList others() const
    {
        QStringList boxes;
        for (const QString &box : shown) {
            if (!box.contains(RebootQuestion)) {
                boxes << box;
            }
        }
        return boxes;
    }

    int rebootQuestions() const
    {
        int count = 0;
        for (const QString &box : shown) {
            count += box.contains(RebootQuestion) ? 1 : 0;
        }
        return count;
    }

private:
    QTimer m_timer;
};

void wait(int ms)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
}

EventTreeItem *auditNode(const CheckableTreeModel *model, const char *event, const char *name)
{
    EventTreeItem *item = model->rootItem() ? model->rootItem()->findChildByNativeName(QString::fromLatin1(event)) : nullptr;
    return item ? item->findChildByNativeName(QString::fromLatin1(name)) : nullptr;
}

QModelIndex indexOf(const CheckableTreeModel *model, const EventTreeItem *item, int column)
{
    if (!item || item == model->rootItem()) {
        return {};
    }
    return model->index(item->row(), column, indexOf(model, item->parentItem(), 0));
}

QJsonObject tableOf(const EventTreeItem *table)
{
    return table ? QJsonDocument::fromJson(table->data(2).toString().toUtf8()).object() : QJsonObject();
}

QJsonObject entry(const char *succ, const char *fail)
{
    return {{QStringLiteral("succ"), QString::fromLatin1(succ)}, {QStringLiteral("fail"), QString::fromLatin1(fail)}};
}

// What both trees must show after the first load: the seeded store.
void checkTreeShowsSeed(const CheckableTreeModel *model, const QString &which, QStringList &problems)
{
    const EventTreeItem *chmodOther = auditNode(model, "audit-chmod", "other");
    const EventTreeItem *succ = chmodOther ? chmodOther->findChildByNativeName(QStringLiteral("succ")) : nullptr;
    const EventTreeItem *fail = chmodOther ? chmodOther->findChildByNativeName(QStringLiteral("fail")) : nullptr;
    if (!succ || !fail || succ->data(1).toString() != QLatin1String("1") || succ->checkState != Qt::Checked || fail->data(1).toString() != QLatin1String("0")
        || fail->checkState != Qt::Unchecked) {
        problems << QStringLiteral("%1 tree: audit-chmod's \"other\" does not show success only").arg(which);
    }
    const QJsonObject users = tableOf(auditNode(model, "audit-chmod", "users"));
    if (users != QJsonObject{{QStringLiteral("alice"), entry("0", "1")}, {QStringLiteral("bob"), entry("0", "0")}}) {
        problems << QStringLiteral("%1 tree: audit-chmod's users show %2").arg(which, QString::fromUtf8(QJsonDocument(users).toJson(QJsonDocument::Compact)));
    }
    const QJsonObject groups = tableOf(auditNode(model, "audit-mount", "groups"));
    if (groups.value(QStringLiteral("tarn-admin")).toObject() != entry("1", "0")) {
        problems << QStringLiteral("%1 tree: audit-mount's tarn-admin is not success only").arg(which);
    }
}
}

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QTextStream out(stdout);

    // The helper writes for real: never let this run against the machine.
    if (SystemPaths::rootPrefix().isEmpty()) {
        out << "audit-e2e-client: ADMINEVENTS_ROOT must name a copy of the sample tree\n";
        return 2;
    }
    const Store initial = seed();
    if (!writeStore(initial)) {
        out << "audit-e2e-client: cannot seed " << storePath() << "\nFAIL\n";
        return 1;
    }
    const QString rebootLog = SystemPaths::resolve(SystemPaths::WmFuncLogFile);
    QFile::remove(rebootLog);

    QStringList problems;
    BoxAnswerer boxes;
    auto host = std::make_unique<QWidget>();
    auto *module = new AdminEventsModule(host.get(), {});
    bool changed = true;
    QObject::connect(module, qOverload<bool>(&KCModule::changed), module, [&changed](bool state) {
        changed = state;
    });

    // First load: the store shows in both trees, and nothing is to apply.
    module->access();
    CheckableTreeModel *working = module->workingModel();
    checkTreeShowsSeed(working, QStringLiteral("working"), problems);
    checkTreeShowsSeed(module->referenceModel(), QStringLiteral("reference"), problems);
    if (changed || !module->compareModels()) {
        problems << QStringLiteral("the first load reports a change");
    }

    // An "other" success flag through the view's model: audit-mount audits
    // successes of everybody.
    QTreeView *view = module->eventsView();
    const QModelIndex mountSucc = module->proxyModel()->mapFromSource(indexOf(working, auditNode(working, "audit-mount", "succ"), 1));
    if (!mountSucc.isValid() || !view->model()->setData(mountSucc, int(Qt::Checked), Qt::CheckStateRole)) {
        problems << QStringLiteral("audit-mount's \"other\" success cannot be switched");
    }

    // A user's failure flag through the audit dialog: bob's failures of chmod.
    const QModelIndex chmodUsers = module->proxyModel()->mapFromSource(indexOf(working, auditNode(working, "audit-chmod", "users"), 1));
    view->setCurrentIndex(chmodUsers);
    module->editEvent(chmodUsers);
    auto *dialog = module->findChild<AuditDialog *>();
    if (!dialog || !dialog->isVisible()) {
        problems << QStringLiteral("the audit dialog does not open on audit-chmod's users");
    } else {
        QAbstractItemModel *table = dialog->findChild<QTableView *>(QStringLiteral("tableView"))->model();
        const QModelIndexList bob = table->match(table->index(0, 0), Qt::DisplayRole, QStringLiteral("bob"), 1, Qt::MatchExactly);
        if (bob.isEmpty() || !table->setData(bob.first().siblingAtColumn(2), int(Qt::Checked), Qt::CheckStateRole)) {
            problems << QStringLiteral("bob's failure flag cannot be set in the audit dialog");
        }
        dialog->findChild<QDialogButtonBox *>(QStringLiteral("buttonBox"))->button(QDialogButtonBox::Ok)->click();
    }
    if (tableOf(auditNode(working, "audit-chmod", "users")).value(QStringLiteral("bob")).toObject() != entry("0", "1")) {
        problems << QStringLiteral("the dialog's table did not reach audit-chmod's users");
    }
    if (!changed) {
        problems << QStringLiteral("the edits are not reported as a change");
    }

    // Apply, and agree to reboot.
    boxes.answer = QMessageBox::Yes;
    module->change();
    wait(500);
    if (boxes.rebootQuestions() != 1) {
        problems << QStringLiteral("apply asked the reboot question %1 times, expected once").arg(boxes.rebootQuestions());
    }
    Store expected = initial;
    expected[{QStringLiteral("mount"), 4, QString()}] = 1;
    expected[{QStringLiteral("chmod"), 1, QStringLiteral("bob")}] = 2;
    problems << differences(readStore(), expected);
    if (readFile(rebootLog).count("WISPWM_REBOOT") != 1) {
        problems << QStringLiteral("the reboot request did not reach wisp-wmfunc once (%1)").arg(rebootLog);
    }
    for (const QString &box : boxes.others()) {
        problems << QStringLiteral("unexpected message on apply: %1").arg(box);
    }

    // Apply again without changes: no question, nothing written.
    boxes.shown.clear();
    boxes.answer = QMessageBox::No;
    module->change();
    wait(2000);
    if (boxes.rebootQuestions() != 0) {
        problems << QStringLiteral("an apply without changes asked to reboot");
    }
    problems << differences(readStore(), expected);
    if (readFile(rebootLog).count("WISPWM_REBOOT") != 1) {
        problems << QStringLiteral("an apply without changes requested a reboot");
    }
    for (const QString &box : boxes.others()) {
        problems << QStringLiteral("unexpected message on the second apply: %1").arg(box);
    }

    // A priority-only change after the reloads: the tree shows what the
    // system holds, so nothing asks to reboot and the store stays.
    boxes.shown.clear();
    const QModelIndex priority = module->proxyModel()->mapFromSource(indexOf(working, auditNode(working, "audit-exec", "priority"), 1));
    if (!priority.isValid() || !view->model()->setData(priority, QStringLiteral("warning"), Qt::EditRole) || !changed) {
        problems << QStringLiteral("audit-exec's priority cannot be changed");
    }
    module->change();
    wait(2000);
    if (boxes.rebootQuestions() != 0) {
        problems << QStringLiteral("a priority-only change asked to reboot");
    }
    problems << differences(readStore(), expected);
    for (const QString &box : boxes.others()) {
        problems << QStringLiteral("unexpected message on the priority-only apply: %1").arg(box);
    }

    host.reset();
    for (const QString &problem : std::as_const(problems)) {
        out << problem << '\n';
    }
    out << (problems.isEmpty() ? "PASS\n" : "FAIL\n");
    return problems.isEmpty() ? 0 : 1;
}
