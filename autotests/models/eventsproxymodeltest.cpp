/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "eventsproxymodel.h"
#include "checkabletreemodel.h"
#include "eventconfigstorage.h"
#include "eventtreeitem.h"
#include "fuzzy_comparable_char_traits.h"

#include <QTest>

using namespace Core::Strings::FuzzyCompare;

namespace
{
EventTreeItem *addNode(EventTreeItem *parent, int kind, const QString &nativeName, const QString &name = QString())
{
    auto *node = new EventTreeItem({name.isEmpty() ? nativeName : name, QVariant()}, parent);
    node->kind = kind;
    node->nativeName = nativeName;
    node->name = name;
    parent->appendChild(node);
    return node;
}

// Two groups of events with Cyrillic and Latin names, each event with one
// shown and one hidden parameter.
EventTreeItem *buildTree()
{
    auto *root = new EventTreeItem({QStringLiteral("Parameter"), QStringLiteral("Value")});
    EventTreeItem *network = addNode(root, EventTreeItem::Group, QStringLiteral("network"), QStringLiteral("Сеть"));
    EventTreeItem *login = addNode(network, EventTreeItem::Event, QStringLiteral("login-failed"), QStringLiteral("Ёжик не вошёл"));
    addNode(login, EventTreeItem::Value, QStringLiteral("enabled"));
    addNode(login, EventTreeItem::Value, QStringLiteral("overlay0"))->visible = false;
    EventTreeItem *connect = addNode(network, EventTreeItem::Event, QStringLiteral("net-connect"), QStringLiteral("Connection opened"));
    addNode(connect, EventTreeItem::Value, QStringLiteral("enabled"));

    EventTreeItem *files = addNode(root, EventTreeItem::Group, QStringLiteral("files"), QStringLiteral("Files"));
    addNode(files, EventTreeItem::Event, QStringLiteral("file-opened"), QStringLiteral("ЕЖЕДНЕВНЫЙ отчёт"));
    addNode(files, EventTreeItem::Event, QStringLiteral("file-removed"), QStringLiteral("File removed"));
    return root;
}

QStringList shownRows(const QAbstractItemModel &model, const QModelIndex &parent = QModelIndex())
{
    QStringList rows;
    for (int row = 0; row < model.rowCount(parent); ++row) {
        const QModelIndex index = model.index(row, 0, parent);
        rows << index.data().toString();
        const QStringList children = shownRows(model, index);
        for (const QString &child : children) {
            rows << QLatin1String("  ") + child;
        }
    }
    return rows;
}
}

class EventsProxyModelTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        m_model = new CheckableTreeModel(m_storage, this);
        m_model->setRootItem(buildTree());
        m_proxy = new EventsProxyModel(this);
        m_proxy->setFilterRole(CheckableTreeModel::VisibleRole);
        m_proxy->setSourceModel(m_model);
    }

    void init()
    {
        m_proxy->setFilterMode(EventsProxyModel::All);
        m_proxy->setFilterQuery(QString());
    }

    void fuzzyTraitsFoldCaseAndYo()
    {
        const FuzzyStringView hedgehog(u"Ёжик");
        QVERIFY(hedgehog.find(FuzzyStringView(u"еж")) == 0);
        QVERIFY(FuzzyStringView(u"ЕЖЕДНЕВНЫЙ").find(FuzzyStringView(u"ёж")) == 0);
        QVERIFY(FuzzyStringView(u"Login FAILED").find(FuzzyStringView(u"failed")) == 6);
        QVERIFY(FuzzyStringView(u"ёлка") == FuzzyStringView(u"ЕЛКА"));
        QVERIFY(FuzzyStringView(u"абв") < FuzzyStringView(u"АБГ"));
        QVERIFY(FuzzyStringView(u"ж").find(FuzzyStringView(u"ш")) == FuzzyStringView::npos);
        // Without the relaxations the traits compare exactly.
        using ExactView = std::basic_string_view<char16_t, fuzzy_comparable_char_traits<char16_t, Exact>>;
        QVERIFY(ExactView(u"Ёж").find(ExactView(u"еж")) == ExactView::npos);
        // Case folding alone keeps "ё" and "е" apart.
        using CaseView = std::basic_string_view<char16_t, fuzzy_comparable_char_traits<char16_t, IgnoreCase>>;
        QVERIFY(CaseView(u"Ёж").find(CaseView(u"ёЖ")) == 0);
        QVERIFY(CaseView(u"Ёж").find(CaseView(u"еж")) == CaseView::npos);
        // The quick path for ASCII folds exactly as ICU does.
        for (char16_t unit = 0; unit < 0x80; ++unit) {
            QCOMPARE(int(FuzzyTraits::normalise(unit)), int(u_tolower(unit)));
            QCOMPARE(int(ExactView::traits_type::normalise(unit)), int(unit));
        }
    }

    void matchFilterStopsAtNul()
    {
        QVERIFY(m_proxy->matchFilter(QStringLiteral("anything")));
        m_proxy->setFilterQuery(QStringLiteral("xyz"));
        QVERIFY(m_proxy->matchFilter(QStringLiteral("abcxyz")));
        QString withNul = QStringLiteral("abc");
        withNul += QChar(0);
        withNul += QStringLiteral("xyz");
        QVERIFY(!m_proxy->matchFilter(withNul));
        QVERIFY(!m_proxy->matchFilter(QString()));
        // A query that starts with NUL is empty and matches everything.
        QString nulQuery(QChar(0));
        nulQuery += QStringLiteral("zzz");
        m_proxy->setFilterQuery(nulQuery);
        QVERIFY(m_proxy->matchFilter(QStringLiteral("abc")));
    }

    void emptyQueryShowsEverythingVisible()
    {
        QCOMPARE(shownRows(*m_proxy),
                 QStringList({QStringLiteral("Сеть"),
                              QStringLiteral("  Ёжик не вошёл"),
                              QStringLiteral("    enabled"),
                              QStringLiteral("  Connection opened"),
                              QStringLiteral("    enabled"),
                              QStringLiteral("Files"),
                              QStringLiteral("  ЕЖЕДНЕВНЫЙ отчёт"),
                              QStringLiteral("  File removed")}));
    }

    void filterModes_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("query");
        QTest::addColumn<QStringList>("events");

        const QString login = QStringLiteral("Ёжик не вошёл");
        const QString connect = QStringLiteral("Connection opened");
        const QString opened = QStringLiteral("ЕЖЕДНЕВНЫЙ отчёт");
        const QString removed = QStringLiteral("File removed");

        QTest::newRow("all: yo and case folded in names") << int(EventsProxyModel::All) << QStringLiteral("еж") << QStringList{login, opened};
        QTest::newRow("all: event id") << int(EventsProxyModel::All) << QStringLiteral("NET-CONN") << QStringList{connect};
        QTest::newRow("all: group name brings its events") << int(EventsProxyModel::All) << QStringLiteral("сеть") << QStringList{login, connect};
        QTest::newRow("all: group id brings its events") << int(EventsProxyModel::All) << QStringLiteral("files") << QStringList{opened, removed};
        QTest::newRow("event name only") << int(EventsProxyModel::EventName) << QStringLiteral("opened") << QStringList{connect};
        QTest::newRow("event name ignores ids") << int(EventsProxyModel::EventName) << QStringLiteral("file-") << QStringList{};
        QTest::newRow("event id only") << int(EventsProxyModel::EventId) << QStringLiteral("file-") << QStringList{opened, removed};
        QTest::newRow("event id ignores names") << int(EventsProxyModel::EventId) << QStringLiteral("Ёжик") << QStringList{};
        QTest::newRow("group id: the whole group") << int(EventsProxyModel::GroupId) << QStringLiteral("netw") << QStringList{login, connect};
        QTest::newRow("group id ignores event ids") << int(EventsProxyModel::GroupId) << QStringLiteral("login") << QStringList{};
        QTest::newRow("group name: the whole group") << int(EventsProxyModel::GroupName) << QStringLiteral("FIL") << QStringList{opened, removed};
        QTest::newRow("group name ignores group ids") << int(EventsProxyModel::GroupName) << QStringLiteral("network") << QStringList{};
    }

    void filterModes()
    {
        QFETCH(int, mode);
        QFETCH(QString, query);
        QFETCH(QStringList, events);

        m_proxy->setFilterMode(static_cast<EventsProxyModel::FilterMode>(mode));
        m_proxy->setFilterQuery(query);
        QStringList shown;
        for (int group = 0; group < m_proxy->rowCount(); ++group) {
            const QModelIndex groupIndex = m_proxy->index(group, 0);
            QVERIFY2(m_proxy->rowCount(groupIndex) > 0, "a group is shown only with events");
            for (int event = 0; event < m_proxy->rowCount(groupIndex); ++event) {
                shown << m_proxy->index(event, 0, groupIndex).data().toString();
            }
        }
        QCOMPARE(shown, events);
    }

    void hiddenParameterNeverShows()
    {
        m_proxy->setFilterQuery(QStringLiteral("overlay"));
        QVERIFY(!shownRows(*m_proxy).contains(QStringLiteral("    overlay0")));
        m_proxy->setFilterQuery(QStringLiteral("вошёл"));
        QCOMPARE(shownRows(*m_proxy), QStringList({QStringLiteral("Сеть"), QStringLiteral("  Ёжик не вошёл"), QStringLiteral("    enabled")}));
    }

    void changingTheModeKeepsTheQuery()
    {
        m_proxy->setFilterQuery(QStringLiteral("files"));
        QCOMPARE(m_proxy->rowCount(), 1);
        m_proxy->setFilterMode(EventsProxyModel::GroupName);
        QCOMPARE(m_proxy->filterQuery(), QStringLiteral("files"));
        QCOMPARE(m_proxy->rowCount(), 1);
        m_proxy->setFilterMode(EventsProxyModel::EventName);
        QCOMPARE(m_proxy->rowCount(), 0);
    }

private:
    EventConfigStorage m_storage{QStringLiteral("/nonexistent")};
    CheckableTreeModel *m_model = nullptr;
    EventsProxyModel *m_proxy = nullptr;
};

QTEST_MAIN(EventsProxyModelTest)

#include "eventsproxymodeltest.moc"
