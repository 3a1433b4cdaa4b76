/*
    SPDX-License-Identifier: GPL-2.0-or-later

    The events-writer round trip through the real privileged path: edits the
    sample catalogue below ADMINEVENTS_ROOT, has EventsWriter write both files
    through ConfigAccessService (KAuth, helper), loads the catalogue again and
    checks that exactly the edits came back. Run it inside a KAuth session:

        scripts/kauth-session ROOT build/bin/eventswriter-e2e-client

    Prints one line per problem and "PASS" or "FAIL"; exits 0 on success.
*/
#include "configaccessservice.h"
#include "eventswriter.h"
#include "eventtreeitem.h"
#include "roundtripedits.h"
#include "singleeventsparser.h"
#include "systempaths.h"

#include <QCoreApplication>
#include <QFile>
#include <QTextStream>

#include <memory>

namespace
{
std::unique_ptr<EventTreeItem> load()
{
    SingleEventsParser parser(nullptr);
    return std::unique_ptr<EventTreeItem>(parser.parse());
}

QByteArray readFile(const QString &path, bool *ok)
{
    QFile file(path);
    *ok = file.open(QIODevice::ReadOnly);
    return *ok ? file.readAll() : QByteArray();
}

void checkFile(const QString &path, const QByteArray &expected, QStringList &problems)
{
    bool ok = false;
    const QByteArray content = readFile(path, &ok);
    if (!ok) {
        problems << QStringLiteral("%1 cannot be read").arg(path);
    } else if (content != expected) {
        problems << QStringLiteral("%1 does not hold what was rendered").arg(path);
    }
}
}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);

    // The helper writes for real: never let this run against the machine's /etc.
    if (SystemPaths::rootPrefix().isEmpty()) {
        out << "eventswriter-e2e-client: ADMINEVENTS_ROOT must name a copy of the sample tree\n";
        return 2;
    }

    const QString settingsFile = SystemPaths::resolve(SystemPaths::EventSettingsFile);
    const QString rulesFile = SystemPaths::resolve(SystemPaths::AuditRulesFile);
    QStringList problems;

    auto original = load();
    auto working = load();
    if (!original || !working) {
        out << "eventswriter-e2e-client: the sample catalogue does not load\nFAIL\n";
        return 1;
    }
    RoundTripEdits edits;
    problems << edits.apply(working.get(), original.get());

    ConfigAccessService service(nullptr);
    EventsWriter renderer(service, settingsFile, rulesFile);
    const QByteArray expectedSettings = renderer.renderEventSettings(working.get());
    const QByteArray expectedRules = renderer.renderAuditRules();

    EventsWriter writer(service, settingsFile, rulesFile);
    if (!writer.writeConfig(working.get())) {
        problems << QStringLiteral("writeConfig failed: ") + writer.errors().join(QLatin1String("; "));
    }
    checkFile(settingsFile, expectedSettings, problems);
    checkFile(rulesFile, expectedRules, problems);

    if (auto loaded = load()) {
        problems << edits.verify(original.get(), working.get(), loaded.get());
    } else {
        problems << QStringLiteral("the catalogue does not load after the write");
    }

    // A write the helper cannot do is reported, and the other file is still written.
    const QString unwritable = SystemPaths::resolve("/etc/audit/no-such-directory/tarn-syslog.rules");
    EventsWriter failing(service, settingsFile, unwritable);
    if (failing.writeConfig(working.get())) {
        problems << QStringLiteral("a write into a missing directory was reported as done");
    } else if (failing.errors().size() != 1 || !failing.errors().first().contains(unwritable)) {
        problems << QStringLiteral("unexpected errors for the failed write: ") + failing.errors().join(QLatin1String("; "));
    }
    checkFile(settingsFile, expectedSettings, problems);

    for (const QString &problem : std::as_const(problems)) {
        out << problem << '\n';
    }
    out << (problems.isEmpty() ? "PASS" : "FAIL") << '\n';
    return problems.isEmpty() ? 0 : 1;
}
