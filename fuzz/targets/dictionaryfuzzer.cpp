/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
// The parameter dictionary ("eventsdictionary.json"): what it says about each
// parameter name (shown or hidden, names, editable, type and range) as the
// parser applies it to the sample catalogue.
//
// Input: the dictionary file.
//
// Besides surviving, every parameter's type must make sense: a range whose
// minimum is at most its maximum, both of which the type accepts.
#include "cataloguecheck.h"
#include "eventtreeitem.h"
#include "fakecatalogue.h"
#include "fuzzsupport.h"
#include "fuzztarget.h"
#include "parametertype.h"
#include "singleeventsparser.h"

#include <memory>

namespace
{
Fuzz::Root *fuzzRoot = nullptr;

void initialize()
{
    Fuzz::ensureApplication(false);
    static Fuzz::Root root;
    fuzzRoot = &root;
}

void checkTypes(const EventTreeItem &node)
{
    const ParameterType type = SingleEventsParser::parameterType(node);
    FUZZ_CHECK(type.kind() == node.valueType);
    if (type.kind() == ParameterType::Integer) {
        FUZZ_CHECK(type.minimum() <= type.maximum());
        FUZZ_CHECK(type.accepts(QString::number(type.minimum())));
        FUZZ_CHECK(type.accepts(QString::number(type.maximum())));
    }
    type.accepts(node.data(1).toString());
    for (int row = 0; row < node.childCount(); ++row) {
        checkTypes(*static_cast<const EventTreeItem *>(node.child(row)));
    }
}

int runOne(const std::uint8_t *data, std::size_t size)
{
    fuzzRoot->activate();
    // Events of every kind of parameter: switches, numbers, priorities,
    // lists of files and directories, audit tables, notifications.
    FakeCatalogue::setSample({"user-login-failed",
                              "audit-exec",
                              "disk-space-low",
                              "modifying-file",
                              "removable-media-attached",
                              "service-stopped",
                              "custom-ssh-invalid-user",
                              "su-failed",
                              "hostname-changed",
                              "group-added"});
    FakeCatalogue::useDictionary(QByteArray(reinterpret_cast<const char *>(data), int(size)));
    SingleEventsParser parser;
    const std::unique_ptr<EventTreeItem> tree(parser.parse());
    FUZZ_CHECK(tree);
    CatalogueCheck::checkLinks(*tree);
    checkTypes(*tree);
    return 0;
}
}

ADMINEVENTS_FUZZ_TARGET(dictionary, initialize, runOne)
