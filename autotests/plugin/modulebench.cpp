/*
    SPDX-License-Identifier: GPL-2.0-or-later

    Speed of the module over large catalogues (scripts/gen-catalogue), one
    line per size and measurement:

        open <events> <median ms> <ratio>
            the module's load: parse the catalogue twice, put the trees into
            the working and the reference model (the view resets and opens
            the groups), compare the models; the ratio is against parsing the
            same JSON texts twice with QJsonDocument alone, in the same run.
        filter <events> <median ms>
            one keystroke in the search bar: the query goes to the proxy over
            the whole tree, the first match is selected, and the shown tree
            view lays itself out again.

    Usage: modulebench [EVENTS...]   (default: 500 5000 20000)
    A program to run by hand, not a test.
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
#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QProcess>
#include <QTemporaryDir>
#include <QTreeView>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace
{
double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

bool generate(const QString &root, int events)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.setStandardOutputFile(QProcess::nullDevice());
    process.start(QStringLiteral(GEN_CATALOGUE_SCRIPT), {root, QString::number(events), QString::number(std::max(1, events / 100))});
    return process.waitForFinished(-1) && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

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

double jsonTwice(const std::vector<QByteArray> &texts)
{
    QElapsedTimer timer;
    timer.start();
    qsizetype keys = 0;
    for (int pass = 0; pass < 2; ++pass) {
        for (const QByteArray &text : texts) {
            keys += QJsonDocument::fromJson(text).object().size();
        }
    }
    const double ms = timer.nsecsElapsed() / 1e6;
    return keys >= 0 ? ms : -1;
}

bool measure(int events)
{
    QTemporaryDir dir;
    if (!dir.isValid() || !generate(dir.path(), events)) {
        std::fprintf(stderr, "modulebench: cannot generate %d events\n", events);
        return false;
    }
    qputenv("ADMINEVENTS_ROOT", QFile::encodeName(dir.path()));
    DBusKeeper::Instance().init();

    AdminEventsModule module(nullptr, {});
    module.resize(1000, 700);
    const SingleEventsParser parser;
    if (!parser.isConfigCorrect()) {
        std::fprintf(stderr, "modulebench: the generated catalogue is reported as incorrect\n");
        return false;
    }
    const std::vector<QByteArray> texts = catalogueTexts();
    const int repetitions = events <= 5000 ? 7 : 3;

    std::vector<double> openTimes;
    std::vector<double> ratios;
    for (int run = 0; run <= repetitions; ++run) {
        QElapsedTimer timer;
        timer.start();
        // What loadEvents() and compareModels() do, in parts.
        EventTreeItem *working = parser.parse();
        EventTreeItem *reference = parser.parse();
        const double parseMs = timer.nsecsElapsed() / 1e6;
        module.workingModel()->setRootItem(working);
        module.referenceModel()->setRootItem(reference);
        const double modelsMs = timer.nsecsElapsed() / 1e6 - parseMs;
        const bool equal = module.compareModels();
        const double ms = timer.nsecsElapsed() / 1e6;
        const double json = jsonTwice(texts);
        if (!equal || module.workingModel()->rowCount() == 0) {
            std::fprintf(stderr, "modulebench: the load went wrong\n");
            return false;
        }
        if (run > 0) {
            std::fprintf(stderr,
                         "  parse twice %.1f ms, models and view %.1f ms, compare %.1f ms, QJsonDocument twice %.1f ms\n",
                         parseMs,
                         modelsMs,
                         ms - parseMs - modelsMs,
                         json);
            openTimes.push_back(ms);
            ratios.push_back(ms / json);
        }
    }
    std::printf("open %d %.2f %.2f\n", events, median(openTimes), median(ratios));
    std::fflush(stdout);

    // The module as the host shows it, then keystrokes in the search bar.
    module.show();
    QApplication::processEvents();
    auto *search = module.eventFinder()->findChild<QLineEdit *>(QStringLiteral("eventSearch"));
    const QString query = QStringLiteral("gen-event-00012");
    std::vector<double> keystrokes;
    for (int round = 0; round < 3; ++round) {
        for (int length = 1; length <= query.size(); ++length) {
            QElapsedTimer timer;
            timer.start();
            search->setText(query.left(length));
            module.eventsView()->doItemsLayout();
            QApplication::processEvents();
            keystrokes.push_back(timer.nsecsElapsed() / 1e6);
        }
        QElapsedTimer timer;
        timer.start();
        search->clear();
        module.eventsView()->doItemsLayout();
        QApplication::processEvents();
        keystrokes.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::printf("filter %d %.2f\n", events, median(keystrokes));
    std::fflush(stdout);
    return true;
}
}

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QList<int> sizes;
    const QStringList arguments = app.arguments().mid(1);
    for (const QString &argument : arguments) {
        bool ok = false;
        const int events = argument.toInt(&ok);
        if (!ok || events < 1) {
            std::fprintf(stderr, "usage: modulebench [EVENTS...]\n");
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
