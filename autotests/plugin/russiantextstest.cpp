/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "admineventsmodule.h"
#include "checkabletreemodel.h"
#include "eventsproxymodel.h"
#include "eventtreeitem.h"
#include "messageboxwatcher.h"
#include "moduletestenvironment.h"

#include <KLocalizedString>
#include <KMessageWidget>

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>
#include <QTreeView>

#include <algorithm>
#include <functional>
#include <memory>

namespace
{
// Latin words an administrator sees in Russian texts too: names of programs,
// protocols and formats, and the catalogue's own identifiers.
const QStringList LatinTerms{QStringLiteral("syslog-ng"),
                             QStringLiteral("auditd"),
                             QStringLiteral("D-Bus"),
                             QStringLiteral("IP"),
                             QStringLiteral("tcp"),
                             QStringLiteral("udp"),
                             QStringLiteral("UTF-8"),
                             QStringLiteral("JSON"),
                             QStringLiteral("wisp-event-viewer"),
                             QStringLiteral("event_id"),
                             QStringLiteral("Ctrl"),
                             QStringLiteral("Shift"),
                             QStringLiteral("Return"),
                             QStringLiteral("F3")};

// What is left of `text` that is English: words of two or more Latin letters
// outside paths, file names, identifiers, the terms above and the names the
// catalogue gives.
QStringList englishWords(QString text, const QStringList &catalogueNames)
{
    static const QRegularExpression pathsAndIds(QStringLiteral(R"(\S*[/\\_.@*]\S*)"));
    static const QRegularExpression latinWord(QStringLiteral("[A-Za-z]{2,}"));
    for (const QString &name : catalogueNames) {
        text.remove(name);
    }
    text.remove(pathsAndIds);
    for (const QString &term : LatinTerms) {
        text.remove(term, Qt::CaseInsensitive);
    }
    QStringList words;
    for (auto it = latinWord.globalMatch(text); it.hasNext();) {
        words << it.next().captured();
    }
    return words;
}

QString where(const QObject *object)
{
    return QString::fromLatin1(object->metaObject()->className()) + QLatin1Char('/') + object->objectName();
}

// Every text the widget shows of its own (not the data of its models, but
// their headers), each with the widget it comes from.
QList<std::pair<QString, QString>> ownTexts(const QWidget *widget)
{
    QList<std::pair<QString, QString>> texts;
    const auto add = [&](const QString &text) {
        texts.append({where(widget), text});
    };
    if (widget->isWindow()) {
        add(widget->windowTitle());
    }
    add(widget->toolTip());
    if (const auto *label = qobject_cast<const QLabel *>(widget)) {
        add(label->text());
    } else if (const auto *button = qobject_cast<const QAbstractButton *>(widget)) {
        add(button->text());
    } else if (const auto *box = qobject_cast<const QGroupBox *>(widget)) {
        add(box->title());
    } else if (const auto *edit = qobject_cast<const QLineEdit *>(widget)) {
        add(edit->placeholderText());
    } else if (const auto *spin = qobject_cast<const QSpinBox *>(widget)) {
        add(spin->prefix() + spin->suffix() + spin->specialValueText());
    } else if (const auto *combo = qobject_cast<const QComboBox *>(widget)) {
        for (int i = 0; i < combo->count(); ++i) {
            add(combo->itemText(i));
        }
    } else if (const auto *tabs = qobject_cast<const QTabWidget *>(widget)) {
        for (int i = 0; i < tabs->count(); ++i) {
            add(tabs->tabText(i));
        }
    } else if (const auto *message = qobject_cast<const KMessageWidget *>(widget)) {
        add(message->text());
    } else if (const auto *view = qobject_cast<const QAbstractItemView *>(widget); view && view->model()) {
        for (int section = 0; section < view->model()->columnCount(); ++section) {
            add(view->model()->headerData(section, Qt::Horizontal).toString());
        }
    }
    for (const QAction *action : widget->actions()) {
        add(action->text());
        add(action->toolTip());
    }
    return texts;
}
}

// The module under a Russian locale: every window, page and menu it can show
// speaks Russian, the catalogue's own names aside.
class RussianTextsTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        KLocalizedString::addDomainLocaleDir("tarn_kcm_admin_events", QStringLiteral(LOCALE_DIR));
        KLocalizedString::setLanguages({QStringLiteral("ru")});
        QVERIFY2(i18n("Settings") == QStringLiteral("Настройки"),
                 "no Russian: the catalogue is missing, or the C library lacks the ru_RU.UTF-8 locale (scripts/setup makes it)");
    }

    void everyWindowSpeaksRussian()
    {
        ModuleTestEnvironment env;
        QVERIFY(env.isValid());
        MessageBoxWatcher boxes;
        AdminEventsModule module(nullptr, {});
        module.show();

        // The settings window with its pages, the notification dialog of an
        // event that notifies, and the event's context menu.
        module.findChild<QPushButton *>(QStringLiteral("commonSettingsButton"))->click();
        EventTreeItem *event = module.workingModel()->rootItem()->findChildByNativeName(QStringLiteral("user-login-failed"));
        QVERIFY(event);
        module.notificationSettings(event);
        module.editSelection(module.proxyModel()->mapFromSource(indexOf(module.workingModel(), event)));
        module.contextMenuRequested(QPoint(5, 5));

        // The catalogue's own names (and native names where it has none), the
        // longest first, so that no shorter one splits a longer.
        QStringList names;
        const std::function<void(const TreeItem *)> collect = [&](const TreeItem *item) {
            for (int row = 0; row < item->childCount(); ++row) {
                const auto *child = static_cast<const EventTreeItem *>(item->child(row));
                names << child->data(0).toString() << child->nativeName;
                collect(child);
            }
        };
        collect(module.workingModel()->rootItem());
        names.removeAll(QString());
        std::sort(names.begin(), names.end(), [](const QString &a, const QString &b) {
            return a.size() > b.size();
        });

        QStringList english;
        QList<QWidget *> widgets = module.findChildren<QWidget *>();
        widgets.prepend(&module);
        for (const QWidget *widget : std::as_const(widgets)) {
            for (const auto &[source, text] : ownTexts(widget)) {
                if (!englishWords(text, names).isEmpty()) {
                    english << source + QStringLiteral(": ") + text;
                }
            }
        }
        QVERIFY(module.findChild<QMenu *>());
        QVERIFY2(english.isEmpty(), qPrintable(english.join(QLatin1Char('\n'))));
        QCOMPARE(boxes.shown(), QStringList());
    }

private:
    static QModelIndex indexOf(const CheckableTreeModel *model, const EventTreeItem *item)
    {
        if (!item || item == model->rootItem()) {
            return {};
        }
        return model->index(item->row(), 0, indexOf(model, item->parentItem()));
    }
};

QTEST_MAIN(RussianTextsTest)

#include "russiantextstest.moc"
