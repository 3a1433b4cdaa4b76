/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#pragma once

#include "sampleroot.h"

#include <QByteArray>
#include <QTemporaryDir>

class EventTreeItem;

// What the model tests run in: a private copy of the sample system tree as
// ADMINEVENTS_ROOT, a "getent" first on PATH that knows the two local users
// "alice" and "bob" (and their groups), the notification registry read from
// that tree, and the icon themes the model draws from (breeze plus the
// distribution's own hicolor icons of the source tree).
class ModelTestEnvironment
{
public:
    ModelTestEnvironment();
    ~ModelTestEnvironment();

    bool isValid() const;
    const SampleRoot &root() const;

    // A fresh tree of the sample catalogue; the caller owns it.
    EventTreeItem *parseCatalogue() const;

    // Points the icon lookup at breeze and the distribution's icons.
    static void useIconThemes();

private:
    SampleRoot m_root;
    QTemporaryDir m_binDir;
    QByteArray m_previousPath;
    bool m_valid = false;
};
