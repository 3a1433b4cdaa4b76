/*
    SPDX-License-Identifier: GPL-2.0-or-later

    Parse speed of the syslog-ng configuration parser.

    Two shapes of input, each at about 24 KB, 240 KB and 2.4 MB:

        statement   one filter statement whose expression runs over many
                    lines without a single quote
        file        many ordinary statements: file destinations with
                    multi-line quoted arguments, log statements, comments

    One line per input: shape, size in bytes, median processor time of five
    parses in milliseconds, the top-level nodes read, and the ratio of the time to
    that of the next smaller input of the same shape. A linear parser gives
    ratios near 10.

    Usage: commonsettings-bench
*/
#include "commonsettingsparser.h"
#include "treeitem.h"

#include <QCoreApplication>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <memory>
#include <vector>

namespace
{
double cpuMs()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

QString statementOf(int size)
{
    QString text = QStringLiteral("filter big {\n    program(p0)");
    for (int i = 1; text.size() < size; ++i) {
        text += QStringLiteral(" or\n    program(p%1)").arg(i);
    }
    return text + QStringLiteral(";\n};\n");
}

QString fileOf(int size)
{
    QString text;
    for (int i = 0; text.size() < size; ++i) {
        text += QStringLiteral(
                    "# destination %1\ndestination d%1 {\n    file(\"/var/log/tarn/d%1\"\ntemplate(\"$(format-json --key MSG.*)\\n\")\n"
                    "perm(0640));\n};\n\nlog {\n    source(tarn_events_src);\n    parser(tarn_events_parser);\n    destination(d%1);\n};\n\n")
                    .arg(i);
    }
    return text;
}
}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    CommonSettingsParser parser(QString(), nullptr);
    for (const auto &[shape, make] : {std::pair{"statement", &statementOf}, std::pair{"file", &fileOf}}) {
        double previous = 0;
        for (const int size : {24 << 10, 240 << 10, 2400 << 10}) {
            const QString text = make(size);
            std::vector<double> times;
            int statements = 0;
            for (int run = 0; run < 5; ++run) {
                const double start = cpuMs();
                const std::unique_ptr<TreeItem> root(parser.parseText(text));
                times.push_back(cpuMs() - start);
                statements = root->childCount();
            }
            std::sort(times.begin(), times.end());
            const double median = times[2];
            std::printf("%-9s %8lld %9.2f ms %6d top-level nodes %6d unparsed",
                        shape,
                        qlonglong(text.toUtf8().size()),
                        median,
                        statements,
                        int(parser.unparsedStatements().size()));
            if (previous > 0) {
                std::printf("  ratio %.1f", median / previous);
            }
            std::printf("\n");
            previous = median;
        }
    }
    return 0;
}
