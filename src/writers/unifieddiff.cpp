/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "unifieddiff.h"

#include <KLocalizedString>

#include <QFile>
#include <QHash>

#include <algorithm>
#include <vector>

namespace
{
// Beyond this many differing lines the middle of two files is shown as
// removed and added as a whole: the search for the shortest edit would cost
// too much memory.
constexpr int MaxEdits = 2000;

enum class Op {
    Equal,
    Delete,
    Insert,
};

struct Edit {
    Op op;
    int a; // line of the old side (Equal, Delete)
    int b; // line of the new side (Equal, Insert)
};

// The lines of `text`, each with its line feed when it has one.
QList<QByteArray> linesOf(const std::optional<QByteArray> &text)
{
    QList<QByteArray> lines;
    if (!text) {
        return lines;
    }
    qsizetype start = 0;
    while (start < text->size()) {
        const qsizetype end = text->indexOf('\n', start);
        if (end < 0) {
            lines.append(text->mid(start));
            break;
        }
        lines.append(text->mid(start, end - start + 1));
        start = end + 1;
    }
    return lines;
}

// The shortest edit script from a to b (Myers' O(ND) search), for the
// lines a[from, aEnd) and b[from, bEnd), given as numbers that are equal
// for equal lines.
void shortestEdit(const std::vector<int> &a, const std::vector<int> &b, int aFrom, int aEnd, int bFrom, int bEnd, std::vector<Edit> &edits)
{
    const int n = aEnd - aFrom;
    const int m = bEnd - bFrom;
    const int max = std::min(n + m, MaxEdits);
    // v[k + offset]: the furthest old line reached on diagonal k.
    const int offset = max + 1;
    std::vector<int> v(size_t(2 * max + 3), 0);
    // trace[d]: v over the diagonals -(d+1) .. d+1 as round d found it.
    std::vector<std::vector<int>> trace;
    int found = -1;
    for (int d = 0; d <= max && found < 0; ++d) {
        trace.emplace_back(v.begin() + (offset - d - 1), v.begin() + (offset + d + 2));
        for (int k = -d; k <= d; k += 2) {
            int x = (k == -d || (k != d && v[k - 1 + offset] < v[k + 1 + offset])) ? v[k + 1 + offset] : v[k - 1 + offset] + 1;
            int y = x - k;
            while (x < n && y < m && a[aFrom + x] == b[bFrom + y]) {
                ++x;
                ++y;
            }
            v[k + offset] = x;
            if (x >= n && y >= m) {
                found = d;
                break;
            }
        }
    }
    if (found < 0) {
        for (int line = aFrom; line < aEnd; ++line) {
            edits.push_back({Op::Delete, line, bFrom});
        }
        for (int line = bFrom; line < bEnd; ++line) {
            edits.push_back({Op::Insert, aEnd, line});
        }
        return;
    }

    std::vector<Edit> reversed;
    int x = n;
    int y = m;
    for (int d = found; d >= 0; --d) {
        const std::vector<int> &round = trace[size_t(d)];
        const auto at = [&round, d](int k) {
            return round[size_t(k + d + 1)];
        };
        const int k = x - y;
        const int previousK = (k == -d || (k != d && at(k - 1) < at(k + 1))) ? k + 1 : k - 1;
        const int previousX = at(previousK);
        const int previousY = previousX - previousK;
        while (x > previousX && y > previousY) {
            --x;
            --y;
            reversed.push_back({Op::Equal, aFrom + x, bFrom + y});
        }
        if (d > 0) {
            if (x == previousX) {
                reversed.push_back({Op::Insert, aFrom + x, bFrom + y - 1});
            } else {
                reversed.push_back({Op::Delete, aFrom + x - 1, bFrom + y});
            }
        }
        x = previousX;
        y = previousY;
    }
    edits.insert(edits.end(), reversed.rbegin(), reversed.rend());
}

QString range(int start, int count)
{
    // diff -u: "start,count", the count left out when it is 1; an empty
    // range starts at the line before it.
    if (count == 0) {
        return QStringLiteral("%1,0").arg(start);
    }
    return count == 1 ? QString::number(start + 1) : QStringLiteral("%1,%2").arg(start + 1).arg(count);
}

void appendLine(QString &out, QChar mark, const QByteArray &line)
{
    out += mark;
    if (line.endsWith('\n')) {
        out += QString::fromUtf8(line);
    } else {
        out += QString::fromUtf8(line) + QStringLiteral("\n\\ No newline at end of file\n");
    }
}

// The file at `path` as it is now: its content, nothing when it is missing,
// or why it cannot be read.
struct Current {
    bool exists = false;
    QByteArray content;
    QString problem;
};

Current currentFile(const QString &path)
{
    Current current;
    QFile file(path);
    if (!file.exists()) {
        return current;
    }
    current.exists = true;
    if (!file.open(QIODevice::ReadOnly)) {
        current.problem = file.errorString();
        return current;
    }
    current.content = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        current.problem = file.errorString();
    }
    return current;
}
}

QString UnifiedDiff::diff(const QString &path, const std::optional<QByteArray> &before, const std::optional<QByteArray> &after, int context)
{
    if (before == after) {
        return QString();
    }
    const QList<QByteArray> oldLines = linesOf(before);
    const QList<QByteArray> newLines = linesOf(after);
    // Equal lines get equal numbers: the search compares numbers.
    QHash<QByteArray, int> numbers;
    std::vector<int> a;
    std::vector<int> b;
    for (const QByteArray &line : oldLines) {
        a.push_back(numbers.insert(line, numbers.value(line, int(numbers.size()))).value());
    }
    for (const QByteArray &line : newLines) {
        b.push_back(numbers.insert(line, numbers.value(line, int(numbers.size()))).value());
    }
    const int n = int(a.size());
    const int m = int(b.size());
    int prefix = 0;
    while (prefix < n && prefix < m && a[prefix] == b[prefix]) {
        ++prefix;
    }
    int suffix = 0;
    while (suffix < n - prefix && suffix < m - prefix && a[n - 1 - suffix] == b[m - 1 - suffix]) {
        ++suffix;
    }
    std::vector<Edit> edits;
    for (int line = 0; line < prefix; ++line) {
        edits.push_back({Op::Equal, line, line});
    }
    shortestEdit(a, b, prefix, n - suffix, prefix, m - suffix, edits);
    for (int line = 0; line < suffix; ++line) {
        edits.push_back({Op::Equal, n - suffix + line, m - suffix + line});
    }

    QString out = QStringLiteral("--- %1\n+++ %2\n").arg(before ? path : QStringLiteral("/dev/null"), after ? path : QStringLiteral("/dev/null"));
    const int count = int(edits.size());
    int next = 0;
    while (next < count) {
        // The next change, and the hunk around it with every change that
        // follows the previous one within twice the context: their contexts
        // would meet.
        int first = next;
        while (first < count && edits[first].op == Op::Equal) {
            ++first;
        }
        if (first == count) {
            break;
        }
        int last = first;
        for (int index = first + 1; index < count && index - last - 1 <= 2 * context; ++index) {
            if (edits[index].op != Op::Equal) {
                last = index;
            }
        }
        const int start = std::max(next, first - context);
        const int end = std::min(count, last + context + 1);
        int oldCount = 0;
        int newCount = 0;
        QString body;
        for (int index = start; index < end; ++index) {
            const Edit &edit = edits[index];
            switch (edit.op) {
            case Op::Equal:
                appendLine(body, QLatin1Char(' '), oldLines[edit.a]);
                ++oldCount;
                ++newCount;
                break;
            case Op::Delete:
                appendLine(body, QLatin1Char('-'), oldLines[edit.a]);
                ++oldCount;
                break;
            case Op::Insert:
                appendLine(body, QLatin1Char('+'), newLines[edit.b]);
                ++newCount;
                break;
            }
        }
        const Edit &opening = edits[start];
        out += QStringLiteral("@@ -%1 +%2 @@\n").arg(range(opening.a, oldCount), range(opening.b, newCount)) + body;
        next = end;
    }
    return out;
}

QString UnifiedDiff::preview(const QList<PlannedFile> &files)
{
    QStringList summary;
    QString diffs;
    for (const PlannedFile &file : files) {
        const Current current = currentFile(file.path);
        if (!file.content && !current.exists) {
            continue;
        }
        if (!current.problem.isEmpty()) {
            summary.append(file.content ? i18n("Replaced, but the current file cannot be read (%2): %1", file.path, current.problem)
                                        : i18n("Removed, but the current file cannot be read (%2): %1", file.path, current.problem));
            diffs += diff(file.path, std::nullopt, file.content);
            continue;
        }
        const std::optional<QByteArray> before = current.exists ? std::optional(current.content) : std::nullopt;
        if (!file.content) {
            summary.append(i18n("Removed: %1", file.path));
        } else if (!before) {
            summary.append(i18n("New file: %1", file.path));
        } else if (*before == *file.content) {
            summary.append(i18n("Written again, unchanged: %1", file.path));
        } else {
            summary.append(i18n("Replaced: %1", file.path));
        }
        diffs += diff(file.path, before, file.content);
    }
    if (summary.isEmpty()) {
        return i18n("Apply changes no file.") + QLatin1Char('\n');
    }
    return summary.join(QLatin1Char('\n')) + QStringLiteral("\n\n") + diffs;
}
