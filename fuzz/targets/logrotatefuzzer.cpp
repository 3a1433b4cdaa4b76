/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
// The logrotate file of the main event log: its parser, the rotation page
// that shows what it read, and the writer that edits the file's lines.
//
// Input: the logrotate file.
//
// Besides surviving, a file the parser accepts must stay one it accepts once
// the writer has put the parsed directives back into its lines, with the same
// directives the page edits (the first "rotate", "size" and period), and
// writing again must change nothing more. Every size argument the page reads
// gives megabytes within its range.
#include "configaccessservice.h"
#include "fuzzsupport.h"
#include "fuzztarget.h"
#include "logrotateparser.h"
#include "logrotationsettings.h"
#include "rotationwriter.h"
#include "treeitem.h"

#include <memory>

namespace
{
const QString LogrotateFile = QStringLiteral("/etc/logrotate.d/syslog-ng-mod-tarn");

Fuzz::Root *fuzzRoot = nullptr;
ConfigAccessService *service = nullptr;
LogRotationSettings *page = nullptr;

void initialize()
{
    Fuzz::ensureApplication(true);
    static Fuzz::Root root;
    fuzzRoot = &root;
    root.activate();
    static ConfigAccessService configAccessService(nullptr);
    service = &configAccessService;
    page = new LogRotationSettings(new ConfigAccessService(nullptr), nullptr);
}

// The first directive of each kind the page edits.
QStringList editedDirectives(const TreeItem *root)
{
    QString rotate;
    QString size;
    QString period;
    const TreeItem *block = root->child(0);
    for (int row = 0; row < block->childCount(); ++row) {
        const QString keyword = block->child(row)->data(0).toString();
        const QString directive = keyword + QLatin1Char(' ') + block->child(row)->data(1).toString();
        if (keyword == QLatin1String("rotate") && rotate.isEmpty()) {
            rotate = directive;
        } else if (keyword == QLatin1String("size") && size.isEmpty()) {
            size = directive;
        } else if (QStringList{QStringLiteral("hourly"), QStringLiteral("daily"), QStringLiteral("weekly"), QStringLiteral("monthly"), QStringLiteral("yearly")}
                       .contains(keyword)
                   && period.isEmpty()) {
            period = directive;
        }
        if (keyword == QLatin1String("size")) {
            const auto megabytes = LogRotationSettings::sizeInMegabytes(block->child(row)->data(1).toString());
            FUZZ_CHECK(!megabytes || (*megabytes >= 1 && *megabytes <= 4096));
        }
    }
    return {rotate, size, period};
}

QByteArray fileText(const QStringList &lines)
{
    QByteArray text;
    for (const QString &line : lines) {
        text += line.toUtf8() + '\n';
    }
    return text;
}

int runOne(const std::uint8_t *data, std::size_t size)
{
    fuzzRoot->activate();
    fuzzRoot->writeFile(LogrotateFile, QByteArray(reinterpret_cast<const char *>(data), int(size)));
    const QString path = fuzzRoot->resolve(LogrotateFile);

    page->loadConfig();
    page->createConfig();

    LogRotateParser parser(path);
    const std::unique_ptr<TreeItem> tree(parser.parse());
    if (!tree) {
        FUZZ_CHECK(!parser.errorString().isEmpty());
        return 0;
    }
    FUZZ_CHECK(tree->childCount() == 1);
    const QStringList directives = editedDirectives(tree.get());

    RotationWriter writer(*service, path);
    writer.setSourceLines(parser.sourceLines());
    const QStringList written = writer.getConfig(tree.get());
    fuzzRoot->writeFile(LogrotateFile, fileText(written));

    LogRotateParser again(path);
    const std::unique_ptr<TreeItem> reread(again.parse());
    FUZZ_CHECK(reread);
    FUZZ_CHECK(editedDirectives(reread.get()) == directives);
    RotationWriter rewriter(*service, path);
    rewriter.setSourceLines(again.sourceLines());
    FUZZ_CHECK(rewriter.getConfig(reread.get()) == written);
    return 0;
}
}

ADMINEVENTS_FUZZ_TARGET(logrotate, initialize, runOne)
