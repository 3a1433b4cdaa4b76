/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
// The catalogue texts and the local overrides: how the parser reads an event's
// description, merges the override into it and builds the nodes of the tree.
//
// Input: pieces separated by a line "%%": the event settings file (the
// overrides), the description of the group "fuzz", then up to 16 event
// descriptions, served as the events "e1", "e2", ... of the catalogue
// library. The other groups are those of the sample catalogue.
//
// Besides surviving, the readers must agree with QJsonDocument, as they
// promise: the catalogue reader reads every text as QJsonDocument does, and
// the compact text of a value is QJsonDocument's compact text. The tree must
// hang together (parents, rows, dependency links both ways), and a clone of it
// must be equal to it.
#include "cataloguecheck.h"
#include "cataloguevalue.h"
#include "compactjson.h"
#include "eventtreeitem.h"
#include "fakecatalogue.h"
#include "fuzzsupport.h"
#include "fuzztarget.h"
#include "singleeventsparser.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <memory>

namespace
{
constexpr int MaxEvents = 16;

Fuzz::Root *fuzzRoot = nullptr;
FakeCatalogue::Entries sampleGroups;

void initialize()
{
    Fuzz::ensureApplication(false);
    static Fuzz::Root root;
    fuzzRoot = &root;
    const QString base = Fuzz::sampleRoot() + QStringLiteral("/usr/share/syslog-ng-mod-tarn/event-settings/");
    for (const char *group : {"accounts", "audit", "authentication", "custom-events", "devices", "file-integrity", "privileges", "services", "system"}) {
        sampleGroups.append(
            {group, Fuzz::Root::sampleFile(QStringLiteral("/usr/share/syslog-ng-mod-tarn/event-settings/%1/%1.json").arg(QLatin1String(group)))});
    }
}

// What CatalogueValue promises of every text: QJsonDocument's reading, and
// QJsonDocument's compact form.
void checkAgainstQJsonDocument(const QByteArray &text)
{
    if (Fuzz::hasKeysQtMishandles(QString::fromUtf8(text))) {
        return;
    }
    const CatalogueValue value = CatalogueValue::parseObject(text.constData(), text.size());
    const QJsonObject expected = QJsonDocument::fromJson(text).object();
    FUZZ_CHECK(value.isObject());
    // As texts: Qt's own comparison of objects tells keys that start with a
    // byte order mark apart from themselves.
    const QByteArray compact = QJsonDocument(expected).toJson(QJsonDocument::Compact);
    FUZZ_CHECK(QJsonDocument(value.toJson().toObject()).toJson(QJsonDocument::Compact) == compact);
    FUZZ_CHECK(CompactJson::toText(value) == QString::fromUtf8(compact));
}

int runOne(const std::uint8_t *data, std::size_t size)
{
    const QList<QByteArray> pieces = Fuzz::split(QByteArray::fromRawData(reinterpret_cast<const char *>(data), int(size)), "\n%%\n", MaxEvents + 2);
    fuzzRoot->activate();

    FakeCatalogue::Entries groups = sampleGroups;
    groups.append({"fuzz", pieces.value(1)});
    FakeCatalogue::Entries events;
    for (int i = 2; i < pieces.size(); ++i) {
        // Texts as the library hands them out: up to their first NUL.
        const QByteArray text(pieces.at(i).constData(), int(qstrnlen(pieces.at(i).constData(), uint(pieces.at(i).size()))));
        events.append({"e" + QByteArray::number(i - 1), text});
        checkAgainstQJsonDocument(pieces.at(i));
    }
    FakeCatalogue::set(groups, events, pieces.value(0));

    static const QByteArray dictionary = Fuzz::Root::sampleFile(QStringLiteral("/etc/wisp-admin-events/eventsdictionary.json"));
    FakeCatalogue::useDictionary(dictionary);
    SingleEventsParser parser;
    parser.setDefaultUsersAndGroups({QStringLiteral("alice"), QStringLiteral("bob")}, {QStringLiteral("alice"), QStringLiteral("wheel")});
    FUZZ_CHECK(parser.isConfigCorrect());
    const std::unique_ptr<EventTreeItem> tree(parser.parse());
    FUZZ_CHECK(tree);
    CatalogueCheck::checkTree(*tree);
    for (const auto &[id, text] : std::as_const(events)) {
        for (const auto type : {SingleEventsParser::DefaultEvent, SingleEventsParser::CurrentEvent}) {
            const std::unique_ptr<EventTreeItem> event(parser.createEventItem(QString::fromUtf8(id), type, nullptr));
            if (event) {
                CatalogueCheck::checkTree(*event);
            }
        }
    }
    return 0;
}
}

ADMINEVENTS_FUZZ_TARGET(catalogue, initialize, runOne)
