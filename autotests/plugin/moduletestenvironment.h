/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#pragma once

#include "sampleroot.h"

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

#include <memory>

class FakeProgram;

// What the module tests run in: a private copy of the sample system tree as
// ADMINEVENTS_ROOT (or the root a caller already prepared), and first on PATH
// a "getent" that knows the local users alice and bob and a recording
// "systemctl" whose units are active or not as the test sets them.
class ModuleTestEnvironment
{
public:
    explicit ModuleTestEnvironment(SampleRoot::Content content = SampleRoot::Sample);
    ~ModuleTestEnvironment();

    bool isValid() const;
    const SampleRoot &root() const;

    void setServiceActive(const QString &unit, bool active) const;
    // The systemctl calls so far, one "<command> <unit>" per entry.
    QStringList systemctlCalls() const;
    void clearSystemctlCalls() const;

    // Replaces a file of the tree the way the helper and most editors do:
    // a new file renamed over the old one.
    bool replaceFile(const QString &systemPath, const QByteArray &content) const;

private:
    SampleRoot m_root;
    QTemporaryDir m_binDir;
    std::unique_ptr<FakeProgram> m_systemctl;
    std::unique_ptr<FakeProgram> m_getent;
    QByteArray m_previousPath;
    bool m_valid = false;
};
