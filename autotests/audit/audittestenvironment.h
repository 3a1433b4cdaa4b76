/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#pragma once

#include "sampleroot.h"

#include <QByteArray>
#include <QTemporaryDir>

// What the audit tests that read the sample catalogue run in: a private copy
// of the sample system tree as ADMINEVENTS_ROOT, and a "getent" first on PATH
// that knows the local users "alice" and "bob" and the local groups "alice",
// "bob" and "auditors".
class AuditTestEnvironment
{
public:
    AuditTestEnvironment();
    ~AuditTestEnvironment();

    bool isValid() const;
    const SampleRoot &root() const;

private:
    SampleRoot m_root;
    QTemporaryDir m_binDir;
    QByteArray m_previousPath;
    bool m_valid = false;
};
