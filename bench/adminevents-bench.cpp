/*
    SPDX-License-Identifier: GPL-2.0-or-later

    Load speed of the event catalogue.

    For each catalogue size a catalogue is generated into a temporary root
    (scripts/gen-catalogue), with local overrides for every fourth event, and
    SingleEventsParser::parse() is timed against parsing the same JSON texts
    (every group, event and override text the library hands out) with
    QJsonDocument alone. One line per size:

        parse <events> <median ms of parse()> <ratio to QJsonDocument alone>

    Times are the processor time of the measuring thread (user and system),
    which other load on the machine disturbs far less than wall time; the
    wall times go to the standard error output alongside.

    Usage: adminevents-bench [EVENTS...]   (default: 500 5000 20000)
    The generator is taken from ADMINEVENTS_GEN_CATALOGUE when set.
*/
#include "dbuskeeper.h"
#include "eventtreeitem.h"
#include "singleeventsparser.h"
#include "systempaths.h"
#include "tarneventsreader.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

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

Timing timeJsonAlone(const std::vector<QByteArray> &texts, int repetitions)
{
    std::vector<double> cpu;
    std::vector<double> wall;
    qsizetype keys = 0;
    for (int run = 0; run <= repetitions; ++run) {
        const Stopwatch watch;
        for (const QByteArray &text : texts) {
            keys += QJsonDocument::fromJson(text).object().size();
        }
        if (run > 0) { // the first run warms up
            cpu.push_back(watch.cpuMs());
            wall.push_back(watch.wallMs());
        }
    }
    if (keys == 0) {
        std::fprintf(stderr, "adminevents-bench: the texts hold no keys\n");
    }
    return {median(cpu), median(wall)};
}

// The median time of parse(); `events` receives the number of event nodes.
std::optional<Timing> timeParse(const SingleEventsParser &parser, int repetitions, int *events)
{
    std::vector<double> cpu;
    std::vector<double> wall;
    for (int run = 0; run <= repetitions; ++run) {
        const Stopwatch watch;
        std::unique_ptr<EventTreeItem> root(parser.parse());
        const Timing timing{watch.cpuMs(), watch.wallMs()};
        if (!root) {
            return std::nullopt;
        }
        if (run == 0) {
            *events = 0;
            for (int row = 0; row < root->childCount(); ++row) {
                *events += root->child(row)->childCount();
            }
        } else {
            cpu.push_back(timing.cpuMs);
            wall.push_back(timing.wallMs);
        }
    }
    return Timing{median(cpu), median(wall)};
}

bool measure(int events)
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

    const int repetitions = repetitionsFor(events);
    const SingleEventsParser parser;
    if (!parser.isConfigCorrect()) {
        std::fprintf(stderr, "adminevents-bench: the generated catalogue is reported as incorrect\n");
        return false;
    }
    const std::vector<QByteArray> texts = catalogueTexts();
    int built = 0;
    const std::optional<Timing> parse = timeParse(parser, repetitions, &built);
    const Timing json = timeJsonAlone(texts, repetitions);
    if (!parse || built != events) {
        std::fprintf(stderr, "adminevents-bench: parse() built %d of %d events\n", built, events);
        return false;
    }
    std::printf("parse %d %.2f %.2f\n", events, parse->cpuMs, parse->cpuMs / json.cpuMs);
    std::fflush(stdout);
    std::fprintf(stderr,
                 "  %d events, %zu texts, median of %d runs; processor time: QJsonDocument alone %.2f ms; "
                 "wall time: parse() %.2f ms, QJsonDocument alone %.2f ms, ratio %.2f\n",
                 events,
                 texts.size(),
                 repetitions,
                 json.cpuMs,
                 parse->wallMs,
                 json.wallMs,
                 parse->wallMs / json.wallMs);
    return true;
}
}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QList<int> sizes;
    const QStringList arguments = app.arguments().mid(1);
    for (const QString &argument : arguments) {
        bool ok = false;
        const int events = argument.toInt(&ok);
        if (!ok || events < 1) {
            std::fprintf(stderr, "usage: adminevents-bench [EVENTS...]\n");
            return 2;
        }
        sizes.append(events);
    }
    if (sizes.isEmpty()) {
        sizes = {500, 5000, 20000};
    }
    for (int events : std::as_const(sizes)) {
        if (!measure(events)) {
            return 1;
        }
    }
    return 0;
}
