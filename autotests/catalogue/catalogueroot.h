/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#pragma once

#include "sampleroot.h"

#include <QByteArray>
#include <QJsonObject>
#include <QString>

// A catalogue of a test's own, made in an empty system tree (or a copy of the
// sample one) that is the root of every path while the object lives. The
// catalogue library serves the files written here.
class CatalogueRoot
{
public:
    explicit CatalogueRoot(SampleRoot::Content content = SampleRoot::Empty);

    bool isValid() const;
    SampleRoot &root();

    // "<group>/<group>.json"; a null description makes only the directory.
    bool addGroup(const QString &groupId, const QByteArray &description = QByteArray());
    // "<directory>/<eventId>.json", the directory becoming a group when new.
    bool addEvent(const QString &directory, const QString &eventId, const QByteArray &description);
    bool addEvent(const QString &directory, const QString &eventId, const QJsonObject &description);
    // The local overrides: the event settings file.
    bool setOverrides(const QJsonObject &settings);
    bool setDictionary(const QByteArray &dictionary);
    // A notification destination file "<syslog-ng conf.d>/<fileName>".
    bool addNotificationFile(const QString &fileName);

private:
    SampleRoot m_root;
};
