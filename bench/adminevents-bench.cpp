/*
    SPDX-License-Identifier: GPL-2.0-or-later

    Load speed of the event catalogue and of the module.

    For each catalogue size a catalogue is generated into a temporary root
    (scripts/gen-catalogue), with local overrides for every fourth event.
    Three lines per size:

        parse <events> <median ms> <ratio>
            SingleEventsParser::parse() against parsing the same JSON texts
            (every group, event and override text the library hands out) with
            QJsonDocument alone.
        open <events> <median ms> <ratio>
            the module's load: parse the catalogue, copy the tree, put the
            trees into the working and the reference model (the view resets
            and opens the groups), compare the models; the ratio is against
            parsing the same JSON texts twice with QJsonDocument alone.
        filter <events> <median ms>
            one keystroke in the search bar of the shown module: the query
            goes to the proxy over the whole tree and the expanded tree view
            lays itself out again.

    Times are the processor time of the measuring thread (user and system),
    which other load on the machine disturbs far less than wall time; the
    wall times go to the standard error output alongside.

    Usage: adminevents-bench [--parse-only] [EVENTS...]   (default: 500 5000 20000)
    The generator is taken from ADMINEVENTS_GEN_CATALOGUE when set. Without
    a display the widgets are drawn offscreen.
*/
#include "admineventsmodule.h"
#include "checkabletreemodel.h"
#include "dbuskeeper.h"
#include "eventfinder.h"
#include "eventtreeitem.h"
#include "singleeventsparser.h"
#include "systempaths.h"
#include "tarneventsreader.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QProcess>
#include <QTemporaryDir>
#include <QTreeView>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <memory>
#include <optional>
#include <vector>

namespace
{
constexpr int EventsPerGroup = 100;

// Processor time of this thread, and wall time, in milliseconds.
class Stopwatch
{
public:
    Stopwatch()
    {
        m_cpuStart = cpuNow();
        m_wall.start();
    }
    double cpuMs() const
    {
        return cpuNow() - m_cpuStart;
    }
    double wallMs() const
    {
        return m_wall.nsecsElapsed() / 1e6;
    }

private:
    static double cpuNow()
    {
        timespec now{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
        return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
    }
    double m_cpuStart = 0;
    QElapsedTimer m_wall;
};

struct Timing {
    double cpuMs = 0;
    double wallMs = 0;
};

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

int repetitionsFor(int events)
{
    return events <= 5000 ? 9 : 5;
}

bool generate(const QString &root, int events)
{
    QString generator = qEnvironmentVariable("ADMINEVENTS_GEN_CATALOGUE");
    if (generator.isEmpty()) {
        generator = QStringLiteral(GEN_CATALOGUE_SCRIPT);
    }
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.setStandardOutputFile(QProcess::nullDevice());
    process.start(generator, {root, QString::number(events), QString::number(std::max(1, events / EventsPerGroup))});
    if (!process.waitForFinished(-1) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        std::fprintf(stderr, "adminevents-bench: %s failed\n", qPrintable(generator));
        return false;
    }
    return true;
}

// Local settings for every fourth event: switched off, or one nested value
// changed, so that the merge and its markers are part of the measurement.
bool writeOverrides(int events)
{
    QJsonObject settings;
    for (int i = 4; i <= events; i += 4) {
        const QString id = QStringLiteral("gen-event-%1").arg(i, 6, 10, QLatin1Char('0'));
        if (i % 8 == 0) {
            settings.insert(id, QJsonObject{{QStringLiteral("enabled"), QStringLiteral("0")}});
        } else {
            settings.insert(id,
                            QJsonObject{{QStringLiteral("extend-message-params"),
                                         QJsonObject{{QStringLiteral("host"), QJsonObject{{QStringLiteral("enabled"), QStringLiteral("1")}}}}}});
        }
    }
    const QString path = SystemPaths::resolve(SystemPaths::EventSettingsFile);
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    const QByteArray text = QJsonDocument(settings).toJson();
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(text) == text.size();
}

// Every JSON text the library hands out, as the parser asks for it.
std::vector<QByteArray> catalogueTexts()
{
    std::vector<QByteArray> texts;
    const TarnEventsReader reader;
    for (const QString &id : reader.groupIds) {
        texts.push_back(reader.getGroupJson(id).toUtf8());
    }
    for (const QString &id : reader.eventIds) {
        texts.push_back(reader.getEventJson(id).toUtf8());
        const QString override = reader.getOverrideEventJson(id);
        if (!override.isEmpty()) {
            texts.push_back(override.toUtf8());
        }
    }
    return texts;
}

// Kept out of line so that a profiler can tell it from parse().
[[gnu::noinline]] qsizetype parseWithQJsonDocument(const std::vector<QByteArray> &texts)
{
    qsizetype keys = 0;
    for (const QByteArray &text : texts) {
        keys += QJsonDocument::fromJson(text).object().size();
    }
    return keys;
}

struct Measurement {
    double cpuMs = 0; // median processor time of the work
    double ratio = 0; // median of the runs' ratios to QJsonDocument alone
    double wallMs = 0;
    double wallRatio = 0;
    double jsonCpuMs = 0; // median processor time of QJsonDocument alone
};

// Runs `work` and, right after it each time, QJsonDocument over every text
// `passes` times; the first run warms up. Timing the two back to back keeps
// the load of a shared machine, which changes from second to second, out of
// the ratios. `prepare` runs before each run, off the clock; `work` returns
// false when it went wrong.
template<typename Prepare, typename Work>
std::optional<Measurement> measureAgainstJson(const std::vector<QByteArray> &texts, int passes, int repetitions, Prepare prepare, Work work)
{
    std::vector<double> cpu, wall, ratios, wallRatios, jsonCpu;
    qsizetype keys = 0;
    for (int run = 0; run <= repetitions; ++run) {
        prepare();
        const Stopwatch workWatch;
        if (!work()) {
            return std::nullopt;
        }
        const Timing timing{workWatch.cpuMs(), workWatch.wallMs()};
        const Stopwatch jsonWatch;
        for (int pass = 0; pass < passes; ++pass) {
            keys += parseWithQJsonDocument(texts);
        }
        const Timing json{jsonWatch.cpuMs(), jsonWatch.wallMs()};
        if (run > 0) {
            cpu.push_back(timing.cpuMs);
            wall.push_back(timing.wallMs);
            ratios.push_back(timing.cpuMs / json.cpuMs);
            wallRatios.push_back(timing.wallMs / json.wallMs);
            jsonCpu.push_back(json.cpuMs);
        }
    }
    if (keys == 0) {
        std::fprintf(stderr, "adminevents-bench: the texts hold no keys\n");
    }
    return Measurement{median(cpu), median(ratios), median(wall), median(wallRatios), median(jsonCpu)};
}

int countEvents(const EventTreeItem *root)
{
    int events = 0;
    for (int row = 0; row < root->childCount(); ++row) {
        events += root->child(row)->childCount();
    }
    return events;
}

// parse() against QJsonDocument over the texts once.
std::optional<Measurement> timeParse(const SingleEventsParser &parser, const std::vector<QByteArray> &texts, int events)
{
    std::unique_ptr<EventTreeItem> root;
    return measureAgainstJson(
        texts,
        1,
        repetitionsFor(events),
        [&] {
            root.reset();
        },
        [&] {
            root.reset(parser.parse());
            if (!root || countEvents(root.get()) != events) {
                std::fprintf(stderr, "adminevents-bench: parse() built %d of %d events\n", root ? countEvents(root.get()) : 0, events);
                return false;
            }
            return true;
        });
}

// The module's load (loadEvents(), then compareModels()) against
// QJsonDocument over the texts twice, as the load once parsed twice. The trees of the previous run go
// before the clock starts, as they do not exist when the module opens.
std::optional<Measurement> timeOpen(AdminEventsModule &module, const SingleEventsParser &parser, const std::vector<QByteArray> &texts, int events)
{
    return measureAgainstJson(
        texts,
        2,
        repetitionsFor(events),
        [&] {
            module.workingModel()->setRootItem(nullptr);
            module.referenceModel()->setRootItem(nullptr);
        },
        [&] {
            module.loadEvents(parser);
            if (!module.compareModels() || module.workingModel()->rowCount() == 0) {
                std::fprintf(stderr, "adminevents-bench: the module's load went wrong\n");
                return false;
            }
            return true;
        });
}

void report(const char *what, int events, const Measurement &m)
{
    std::printf("%s %d %.2f %.2f\n", what, events, m.cpuMs, m.ratio);
    std::fflush(stdout);
    std::fprintf(stderr,
                 "  %s: median of %d runs; processor time of QJsonDocument alone %.2f ms; wall time %.2f ms, ratio %.2f\n",
                 what,
                 repetitionsFor(events),
                 m.jsonCpuMs,
                 m.wallMs,
                 m.wallRatio);
}

// The median time of one keystroke in the search bar of the shown module:
// typing a query letter by letter, then clearing it, three times.
[[gnu::noinline]] Timing timeFilter(AdminEventsModule &module)
{
    module.show();
    QApplication::processEvents();
    auto *search = module.eventFinder()->findChild<QLineEdit *>(QStringLiteral("eventSearch"));
    const QString query = QStringLiteral("gen-event-00012");
    std::vector<double> cpu;
    std::vector<double> wall;
    const auto keystroke = [&](const QString &text) {
        const Stopwatch watch;
        search->setText(text);
        module.eventsView()->doItemsLayout();
        QApplication::processEvents();
        cpu.push_back(watch.cpuMs());
        wall.push_back(watch.wallMs());
    };
    for (int round = 0; round < 3; ++round) {
        for (int length = 1; length <= query.size(); ++length) {
            keystroke(query.left(length));
        }
        keystroke(QString());
    }
    module.hide();
    return {median(cpu), median(wall)};
}

bool measure(int events, bool parseOnly)
{
    QTemporaryDir dir;
    if (!dir.isValid() || !generate(dir.path(), events)) {
        return false;
    }
    qputenv("ADMINEVENTS_ROOT", QFile::encodeName(dir.path()));
    if (!writeOverrides(events)) {
        std::fprintf(stderr, "adminevents-bench: cannot write the local settings\n");
        return false;
    }
    DBusKeeper::Instance().init();

    const SingleEventsParser parser;
    if (!parser.isConfigCorrect()) {
        std::fprintf(stderr, "adminevents-bench: the generated catalogue is reported as incorrect\n");
        return false;
    }
    const std::vector<QByteArray> texts = catalogueTexts();
    std::fprintf(stderr, "  %d events, %zu texts\n", events, texts.size());
    const std::optional<Measurement> parse = timeParse(parser, texts, events);
    if (!parse) {
        return false;
    }
    report("parse", events, *parse);
    if (parseOnly) {
        return true;
    }

    AdminEventsModule module(nullptr, {});
    module.resize(1000, 700);
    const std::optional<Measurement> open = timeOpen(module, parser, texts, events);
    if (!open) {
        return false;
    }
    report("open", events, *open);

    const Timing filter = timeFilter(module);
    std::printf("filter %d %.2f\n", events, filter.cpuMs);
    std::fflush(stdout);
    std::fprintf(stderr, "  filter: wall time %.2f ms\n", filter.wallMs);
    return true;
}
}

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    QList<int> sizes;
    bool parseOnly = false;
    const QStringList arguments = app.arguments().mid(1);
    for (const QString &argument : arguments) {
        if (argument == QLatin1String("--parse-only")) {
            parseOnly = true;
            continue;
        }
        bool ok = false;
        const int events = argument.toInt(&ok);
        if (!ok || events < 1) {
            std::fprintf(stderr, "usage: adminevents-bench [--parse-only] [EVENTS...]\n");
            return 2;
        }
        sizes.append(events);
    }
    if (sizes.isEmpty()) {
        sizes = {500, 5000, 20000};
    }
    for (int events : std::as_const(sizes)) {
        if (!measure(events, parseOnly)) {
            return 1;
        }
    }
    return 0;
}
