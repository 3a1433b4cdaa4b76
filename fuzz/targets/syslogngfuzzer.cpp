/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
// The syslog-ng common configuration: the parser of "mod-tarn.conf", the
// destinations table built on its tree, and the writer that puts the tree back.
//
// Input: the configuration text.
//
// Besides surviving (in time linear in the text, which the run's time limit
// watches), the module must be able to write back what it read: the text the
// writer makes of a tree reads back as the same tree, with nothing left
// unparsed. A destination's target set in the table reads back as set, and the
// configuration written after that edit reads back whole.
#include "commonsettingsparser.h"
#include "commonwriter.h"
#include "configaccessservice.h"
#include "destinationsmodel.h"
#include "fuzzsupport.h"
#include "fuzztarget.h"
#include "treeitem.h"

#include <memory>

namespace
{
ConfigAccessService *service = nullptr;

void initialize()
{
    Fuzz::ensureApplication(false);
    static ConfigAccessService configAccessService(nullptr);
    service = &configAccessService;
}

void dumpNode(const TreeItem &node, const QString &indent, QString &out)
{
    out += indent;
    for (int column = 0; column < node.columnCount(); ++column) {
        const QVariant value = node.data(column);
        out += QLatin1Char('|') + (value.isValid() ? value.toString() : QStringLiteral("<invalid>"));
    }
    out += QLatin1Char('\n');
    for (int row = 0; row < node.childCount(); ++row) {
        FUZZ_CHECK(node.child(row)->parentItem() == &node);
        dumpNode(*node.child(row), indent + QLatin1Char(' '), out);
    }
}

QString dump(const TreeItem &root)
{
    QString out;
    dumpNode(root, QString(), out);
    return out;
}

QString render(TreeItem *root)
{
    CommonWriter writer(*service, QStringLiteral("/dev/null"));
    return writer.getConfig(root).join(QString());
}

int runOne(const std::uint8_t *data, std::size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), int(size));
    const CommonSettingsParser parser(QString{});

    const std::unique_ptr<TreeItem> tree(parser.parseText(text));
    FUZZ_CHECK(tree);
    const QString written = render(tree.get());
    const std::unique_ptr<TreeItem> again(parser.parseText(written));
    FUZZ_CHECK(parser.unparsedStatements().isEmpty());
    FUZZ_CHECK(dump(*again) == dump(*tree));

    // The destinations page over the same tree: every cell, then a new
    // target for every file destination.
    DestinationsModel model;
    model.setRootItem(parser.parseText(text));
    for (int row = 0; row < model.rowCount(); ++row) {
        for (int column = 0; column < model.columnCount(); ++column) {
            model.data(model.index(row, column));
        }
    }
    const QString target = QStringLiteral("/var/log/tarn/\"new\" \\ (copy); #1");
    int edited = 0;
    for (int row = 0; row < model.rowCount(); ++row) {
        if (model.destinationItem(row)->data(0).toString() == QLatin1String("file")
            && model.setData(model.index(row, DestinationsModel::ValueColumn), target)) {
            FUZZ_CHECK(model.data(model.index(row, DestinationsModel::ValueColumn)).toString() == target);
            ++edited;
        }
    }
    if (edited > 0) {
        const std::unique_ptr<TreeItem> reread(parser.parseText(render(model.rootItem())));
        FUZZ_CHECK(parser.unparsedStatements().isEmpty());
        FUZZ_CHECK(dump(*reread) == dump(*model.rootItem()));
    }
    return 0;
}
}

ADMINEVENTS_FUZZ_TARGET(syslogng, initialize, runOne)
