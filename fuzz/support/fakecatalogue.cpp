/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "fakecatalogue.h"

#include "fuzzsupport.h"
#include "singleeventsparser.h"
#include "systempaths.h"

#include <tarnevents.h>

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace
{
struct Catalogue {
    FakeCatalogue::Entries groups;
    FakeCatalogue::Entries events;
    QJsonObject overrides;
    QHash<QByteArray, QByteArray> overrideTexts;
};

Catalogue &catalogue()
{
    static Catalogue current;
    return current;
}

char **copyIds(const FakeCatalogue::Entries &entries)
{
    auto array = static_cast<char **>(std::calloc(size_t(entries.size()) + 1, sizeof(char *)));
    for (int i = 0; i < entries.size(); ++i) {
        array[i] = ::strdup(entries.at(i).first.constData());
    }
    return array;
}

const char *lookup(const FakeCatalogue::Entries &entries, const char *id)
{
    if (!id) {
        return nullptr;
    }
    for (const auto &[entryId, text] : entries) {
        if (entryId == id) {
            return text.isNull() ? nullptr : text.constData();
        }
    }
    return nullptr;
}
}

namespace FakeCatalogue
{
void set(const Entries &groups, const Entries &events, const QByteArray &settings)
{
    Catalogue &current = catalogue();
    current.groups = groups;
    current.events = events;
    current.overrides = QJsonDocument::fromJson(settings).object();
    current.overrideTexts.clear();
}

void setSample(const QList<QByteArray> &events)
{
    static const auto sample = [] {
        const QString base = Fuzz::sampleRoot() + QStringLiteral("/usr/share/syslog-ng-mod-tarn/event-settings");
        std::pair<Entries, Entries> groupsAndEvents;
        auto &[groups, events] = groupsAndEvents;
        const QStringList groupNames = QDir(base).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
        for (const QString &group : groupNames) {
            QByteArray groupText;
            const QFileInfoList files = QDir(base + QLatin1Char('/') + group).entryInfoList({QStringLiteral("*.json")}, QDir::Files, QDir::Name);
            for (const QFileInfo &file : files) {
                QFile input(file.filePath());
                input.open(QIODevice::ReadOnly);
                const QByteArray text = input.readAll();
                if (file.completeBaseName() == group) {
                    groupText = text;
                } else {
                    events.append({QFile::encodeName(file.completeBaseName()), text});
                }
            }
            groups.append({QFile::encodeName(group), groupText});
        }
        std::sort(events.begin(), events.end());
        return groupsAndEvents;
    }();
    static const QByteArray settings = Fuzz::Root::sampleFile(QStringLiteral("/etc/tarn-syslog.conf"));
    if (events.isEmpty()) {
        set(sample.first, sample.second, settings);
        return;
    }
    Entries chosen;
    for (const auto &event : sample.second) {
        if (events.contains(event.first)) {
            chosen.append(event);
        }
    }
    set(sample.first, chosen, settings);
}

void useDictionary(const QByteArray &dictionary)
{
    static QByteArray loaded;
    static QByteArray loadedRoot;
    const QByteArray root = qgetenv("ADMINEVENTS_ROOT");
    if (dictionary == loaded && root == loadedRoot && !loaded.isNull()) {
        return;
    }
    const QString path = SystemPaths::resolve(SystemPaths::EventsDictionaryFile);
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(dictionary) != dictionary.size() || !file.flush()) {
        qFatal("cannot write %s", qPrintable(path));
    }
    file.close();
    SingleEventsParser::forgetNodesDescription();
    SingleEventsParser::getNodesDescription(path);
    loaded = dictionary;
    loaded.detach();
    loadedRoot = root;
}
}

extern "C" {
int tnev_init(void)
{
    return 0;
}

void tnev_free(void)
{
}

unsigned int tnev_groups_count(void)
{
    return unsigned(catalogue().groups.size());
}

unsigned int tnev_events_count(void)
{
    return unsigned(catalogue().events.size());
}

char **tnev_get_group_ids(void)
{
    return copyIds(catalogue().groups);
}

char **tnev_get_event_ids(void)
{
    return copyIds(catalogue().events);
}

void tnev_free_string_array(char **array)
{
    if (!array) {
        return;
    }
    for (char **entry = array; *entry; ++entry) {
        std::free(*entry);
    }
    std::free(array);
}

const char *tnev_get_group_json(const char *groupId)
{
    return lookup(catalogue().groups, groupId);
}

const char *tnev_get_event_json(const char *eventId)
{
    return lookup(catalogue().events, eventId);
}

const char *tnev_get_override_event_json(const char *eventId)
{
    if (!eventId) {
        return nullptr;
    }
    Catalogue &current = catalogue();
    const QByteArray key(eventId);
    const auto cached = current.overrideTexts.constFind(key);
    if (cached != current.overrideTexts.constEnd()) {
        return cached->isNull() ? nullptr : cached->constData();
    }
    const QJsonValue value = current.overrides.value(QString::fromUtf8(key));
    const QByteArray text = value.isObject() ? QJsonDocument(value.toObject()).toJson(QJsonDocument::Compact) : QByteArray();
    const auto inserted = current.overrideTexts.insert(key, text);
    return inserted->isNull() ? nullptr : inserted->constData();
}
}
