/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "logrotateparser.h"

#include "treeitem.h"

#include <KLocalizedString>

#include <algorithm>
#include <memory>

namespace
{
bool isScript(const QString &keyword)
{
    return keyword == QLatin1String("prerotate") || keyword == QLatin1String("postrotate");
}
}

LogRotateParser::LogRotateParser(const QString &configFile, QObject *parent)
    : AbstractConfigParser(configFile, parent)
    , m_logRotateParameters({QStringLiteral("rotate"),        QStringLiteral("create"),       QStringLiteral("dateext"), QStringLiteral("compress"),
                             QStringLiteral("delaycompress"), QStringLiteral("extension"),    QStringLiteral("mail"),    QStringLiteral("maxage"),
                             QStringLiteral("missingok"),     QStringLiteral("olddir"),       QStringLiteral("start"),   QStringLiteral("size"),
                             QStringLiteral("notifempty"),    QStringLiteral("copytruncate"), QStringLiteral("hourly"),  QStringLiteral("daily"),
                             QStringLiteral("weekly"),        QStringLiteral("monthly"),      QStringLiteral("yearly"),  QStringLiteral("sharedscripts")})
{
}

QStringList LogRotateParser::sourceLines() const
{
    return m_sourceLines;
}

const QStringList &LogRotateParser::logRotateParameters() const
{
    return m_logRotateParameters;
}

TreeItem *LogRotateParser::badFile() const
{
    setErrorString(configFile() + QLatin1String(": ") + i18n("Bad config file"));
    return nullptr;
}

TreeItem *LogRotateParser::parse() const
{
    m_sourceLines.clear();
    const QString text = readConfig();
    if (text.isEmpty()) {
        return nullptr;
    }
    m_sourceLines = text.split(QLatin1Char('\n'));
    if (text.endsWith(QLatin1Char('\n'))) {
        m_sourceLines.removeLast();
    }

    // Comments and blank lines carry nothing for the tree; logrotate also
    // takes indented ones.
    QStringList lines;
    for (const QString &line : std::as_const(m_sourceLines)) {
        const QString simplified = line.simplified();
        if (!simplified.isEmpty() && !simplified.startsWith(QLatin1Char('#'))) {
            lines << simplified;
        }
    }
    if (lines.isEmpty()) {
        return badFile();
    }

    QString header = lines.takeFirst();
    header.remove(QLatin1Char('{')).remove(QLatin1Char('}'));
    header = header.simplified();
    // The file patterns of the block; a "#" there would make the header a
    // comment once written back on its own line.
    if (header.isEmpty() || header.startsWith(QLatin1Char('#'))) {
        return badFile();
    }

    auto root = std::make_unique<TreeItem>(QVector<QVariant>{QStringLiteral("Parameter"), QStringLiteral("Value")});
    auto *block = new TreeItem({header, QVariant()}, root.get());
    root->appendChild(block);

    // The braces of the block, wherever they are indented.
    lines.erase(std::remove_if(lines.begin(),
                               lines.end(),
                               [](const QString &line) {
                                   return line == QLatin1String("{") || line == QLatin1String("}");
                               }),
                lines.end());

    for (auto it = lines.cbegin(); it != lines.cend(); ++it) {
        const int blank = it->indexOf(QLatin1Char(' '));
        const QString keyword = blank < 0 ? *it : it->left(blank);
        const QString argument = blank < 0 ? QString() : it->mid(blank + 1);
        if (isScript(keyword)) {
            for (++it;; ++it) {
                if (it == lines.cend()) {
                    return badFile();
                }
                if (*it == QLatin1String("endscript")) {
                    break;
                }
                block->appendChild(new TreeItem({keyword, *it}, block));
            }
            continue;
        }
        if (!m_logRotateParameters.contains(keyword)) {
            return badFile();
        }
        block->appendChild(new TreeItem({keyword, argument}, block));
    }
    return root.release();
}
