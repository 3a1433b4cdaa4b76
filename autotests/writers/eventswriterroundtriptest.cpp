/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "configaccessservice.h"
#include "eventswriter.h"
#include "eventtreeitem.h"
#include "roundtripedits.h"
#include "sampleroot.h"
#include "singleeventsparser.h"
#include "systempaths.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

#include <memory>

namespace
{
std::unique_ptr<EventTreeItem> load()
{
    SingleEventsParser parser(nullptr);
    return std::unique_ptr<EventTreeItem>(parser.parse());
}

QJsonObject parseObject(const QByteArray &text)
{
    return QJsonDocument::fromJson(text).object();
}

void switchOnAndMarkEveryEvent(EventTreeItem *item)
{
    for (int row = 0; row < item->childCount(); ++row) {
        auto *child = static_cast<EventTreeItem *>(item->child(row));
        if (child->kind == EventTreeItem::Event) {
            child->overridden = true;
            if (EventTreeItem *enabled = child->findChildTopLevelByNativeName(QStringLiteral("enabled"))) {
                enabled->setData(1, QStringLiteral("1"));
            }
        } else {
            switchOnAndMarkEveryEvent(child);
        }
    }
}
}

// Writes the event settings of an edited sample catalogue through the
// rendering alone and loads the catalogue again: the catalogue library serves
// what was written as the events' overrides.
class EventsWriterRoundTripTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void changesComeBackExactly();
    void repeatedSavesAreStable();
    void everyCatalogueRuleParses();

private:
    // Renders `tree` and writes both files into the sample root.
    void save(EventTreeItem *tree, QByteArray *settings = nullptr, QByteArray *rules = nullptr);

    std::unique_ptr<SampleRoot> m_root;
    ConfigAccessService m_service{nullptr};
};

void EventsWriterRoundTripTest::init()
{
    m_root = std::make_unique<SampleRoot>(SampleRoot::Sample);
    QVERIFY(m_root->isValid());
    m_root->activate();
}

void EventsWriterRoundTripTest::cleanup()
{
    m_root.reset();
}

void EventsWriterRoundTripTest::save(EventTreeItem *tree, QByteArray *settings, QByteArray *rules)
{
    EventsWriter writer(m_service, SystemPaths::resolve(SystemPaths::EventSettingsFile), SystemPaths::resolve(SystemPaths::AuditRulesFile));
    const QByteArray settingsContent = writer.renderEventSettings(tree);
    const QByteArray rulesContent = writer.renderAuditRules();
    QCOMPARE(writer.errors(), QStringList());
    QVERIFY(m_root->writeFile(QString::fromLatin1(SystemPaths::EventSettingsFile), settingsContent));
    QVERIFY(m_root->writeFile(QString::fromLatin1(SystemPaths::AuditRulesFile), rulesContent));
    if (settings) {
        *settings = settingsContent;
    }
    if (rules) {
        *rules = rulesContent;
    }
}

void EventsWriterRoundTripTest::changesComeBackExactly()
{
    const QJsonObject sampleSettings = parseObject(m_root->readFile(QString::fromLatin1(SystemPaths::EventSettingsFile)));
    const QByteArray sampleRules = m_root->readFile(QString::fromLatin1(SystemPaths::AuditRulesFile));
    QVERIFY(!sampleSettings.isEmpty());

    auto original = load();
    auto working = load();
    QVERIFY(original && working);
    RoundTripEdits edits;
    const QStringList missing = edits.apply(working.get(), original.get());
    QVERIFY2(missing.isEmpty(), qPrintable(missing.join(QLatin1Char('\n'))));

    QByteArray settings;
    QByteArray rules;
    save(working.get(), &settings, &rules);

    const QJsonObject written = parseObject(settings);
    const QJsonObject switchedOff{{QStringLiteral("enabled"), QStringLiteral("0")}};
    QCOMPARE(written.value(QStringLiteral("user-login-success")).toObject(), switchedOff);
    // The administrator's earlier settings are written again unchanged.
    for (auto it = sampleSettings.constBegin(); it != sampleSettings.constEnd(); ++it) {
        const QJsonObject before = it.value().toObject();
        const QJsonObject after = written.value(it.key()).toObject();
        for (auto member = before.constBegin(); member != before.constEnd(); ++member) {
            QVERIFY2(after.value(member.key()) == member.value(), qPrintable(it.key() + QLatin1Char('/') + member.key()));
        }
    }
    // The rules of the switched-on, overridden events are those of the sample.
    QCOMPARE(rules, sampleRules);

    auto loaded = load();
    QVERIFY(loaded);
    const QStringList problems = edits.verify(original.get(), working.get(), loaded.get());
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
}

// Saving a loaded tree again writes the same file: nothing is lost and
// nothing piles up from one save to the next.
void EventsWriterRoundTripTest::repeatedSavesAreStable()
{
    auto original = load();
    auto working = load();
    RoundTripEdits edits;
    QVERIFY(edits.apply(working.get(), original.get()).isEmpty());
    save(working.get());

    auto second = load();
    QByteArray secondFile;
    save(second.get(), &secondFile);
    auto third = load();
    QByteArray thirdFile;
    save(third.get(), &thirdFile);

    QCOMPARE(thirdFile, secondFile);
    const QStringList problems = edits.verify(original.get(), working.get(), third.get());
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
}

// Every rule list of the catalogue, split into lines by the writer, is a
// list of rules the real audit rule parser accepts.
void EventsWriterRoundTripTest::everyCatalogueRuleParses()
{
    auto tree = load();
    switchOnAndMarkEveryEvent(tree.get());
    QByteArray rules;
    save(tree.get(), nullptr, &rules);
    QVERIFY(rules.count('\n') >= 5);

    bool available = false;
    const QStringList rejected = RoundTripEdits::rejectedAuditRules(rules, &available);
    if (!available) {
        QSKIP("auditctl cannot be run in a user namespace here");
    }
    QVERIFY2(rejected.isEmpty(), qPrintable(rejected.join(QLatin1Char('\n'))));
}

QTEST_GUILESS_MAIN(EventsWriterRoundTripTest)

#include "eventswriterroundtriptest.moc"
