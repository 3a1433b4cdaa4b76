/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "eventtreeitem.h"
#include "singleeventsparser.h"
#include "tarneventsreader.h"

#include <tarnevents.h>

#include <QTest>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

// A catalogue library of this test's own, standing in for libtarnevents: it
// can refuse to start and hand out identifier lists that end before the
// count it announces, which the real one never does.
namespace
{
struct FakeLibrary {
    int initResult = 0;
    std::vector<const char *> groups;
    std::vector<const char *> events; // nullptr entries end the list early
    unsigned int eventsCount = 0;
    int initCalls = 0;
    int freeCalls = 0;
    int arraysFreed = 0;
};

FakeLibrary &library()
{
    static FakeLibrary fake;
    return fake;
}

char **copyList(const std::vector<const char *> &entries)
{
    // A list that ends early has nothing after its end.
    auto array = static_cast<char **>(std::calloc(entries.size() + 1, sizeof(char *)));
    for (size_t i = 0; i < entries.size() && entries[i]; ++i) {
        array[i] = strdup(entries[i]);
    }
    return array;
}
}

extern "C" {
int tnev_init(void)
{
    ++library().initCalls;
    return library().initResult;
}
void tnev_free(void)
{
    ++library().freeCalls;
}
unsigned int tnev_groups_count(void)
{
    return static_cast<unsigned int>(library().groups.size());
}
unsigned int tnev_events_count(void)
{
    return library().eventsCount;
}
char **tnev_get_group_ids(void)
{
    return copyList(library().groups);
}
char **tnev_get_event_ids(void)
{
    return copyList(library().events);
}
void tnev_free_string_array(char **array)
{
    for (size_t i = 0; array[i]; ++i) {
        std::free(array[i]);
    }
    std::free(array);
    ++library().arraysFreed;
}
const char *tnev_get_group_json(const char *)
{
    return nullptr;
}
const char *tnev_get_event_json(const char *eventId)
{
    return std::strcmp(eventId, "e1") == 0 ? "{\"enabled\": \"1\"}" : nullptr;
}
const char *tnev_get_override_event_json(const char *)
{
    return nullptr;
}
}

class TarnEventsReaderFakeTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void identifiersAreTakenOnce();
    void listEndingBeforeItsCountMarksTheCatalogueBroken();
    void failedInitStillFreesTheLibraryOnce();
    void parserGivesNoTreeOfACatalogueCutShort();
};

void TarnEventsReaderFakeTest::init()
{
    library() = FakeLibrary();
}

void TarnEventsReaderFakeTest::identifiersAreTakenOnce()
{
    library().groups = {"g1"};
    library().events = {"e1", "e2"};
    library().eventsCount = 2;
    {
        const TarnEventsReader reader;
        QVERIFY(reader.valid);
        QVERIFY(!reader.broken);
        QCOMPARE(reader.groupIds, QStringList{QStringLiteral("g1")});
        QCOMPARE(reader.eventIds, (QStringList{QStringLiteral("e1"), QStringLiteral("e2")}));
        QCOMPARE(reader.getEventJson(QStringLiteral("e1")), QStringLiteral("{\"enabled\": \"1\"}"));
        QVERIFY(reader.getEventJson(QStringLiteral("e2")).isEmpty());
        QCOMPARE(library().arraysFreed, 2);
        QCOMPARE(library().freeCalls, 0);
    }
    QCOMPARE(library().initCalls, 1);
    QCOMPARE(library().freeCalls, 1);
}

void TarnEventsReaderFakeTest::listEndingBeforeItsCountMarksTheCatalogueBroken()
{
    library().events = {"e1", "e2", nullptr, "e4", "e5"};
    library().eventsCount = 5;
    {
        const TarnEventsReader reader;
        QVERIFY(reader.valid);
        QVERIFY(reader.broken);
        QCOMPARE(reader.eventIds, (QStringList{QStringLiteral("e1"), QStringLiteral("e2")}));
    }
    QCOMPARE(library().freeCalls, 1);
}

void TarnEventsReaderFakeTest::failedInitStillFreesTheLibraryOnce()
{
    library().initResult = -1;
    library().groups = {"g1"};
    library().events = {"e1"};
    library().eventsCount = 1;
    {
        const TarnEventsReader reader;
        QVERIFY(!reader.valid);
        QVERIFY(reader.broken);
        QVERIFY(reader.eventIds.isEmpty());
        QVERIFY(reader.groupIds.isEmpty());
        QCOMPARE(library().arraysFreed, 0);
    }
    QCOMPARE(library().freeCalls, 1);
}

void TarnEventsReaderFakeTest::parserGivesNoTreeOfACatalogueCutShort()
{
    library().groups = {"g1"};
    library().events = {"e1", nullptr};
    library().eventsCount = 2;
    {
        const SingleEventsParser parser;
        QVERIFY(!parser.isConfigCorrect());
        // The events after the gap would be missing from the tree, and with
        // them their local settings at the next save.
        QCOMPARE(parser.parse(), nullptr);
    }
    QCOMPARE(library().initCalls, 1);
    QCOMPARE(library().freeCalls, 1);

    library().events = {"e1"};
    library().eventsCount = 1;
    const SingleEventsParser parser;
    QVERIFY(parser.isConfigCorrect());
    const std::unique_ptr<EventTreeItem> tree(parser.parse());
    QVERIFY(tree);
    QCOMPARE(tree->childCount(), 2);
    QCOMPARE(static_cast<EventTreeItem *>(tree->child(1))->nativeName, QStringLiteral("e1"));
}

QTEST_GUILESS_MAIN(TarnEventsReaderFakeTest)

#include "tarneventsreaderfaketest.moc"
