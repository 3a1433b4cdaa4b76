/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#pragma once

#include <QString>
#include <QTemporaryDir>

// A private copy of the sample system tree, with the stand-in programs of the
// distribution installed into it. activate() points ADMINEVENTS_ROOT at it;
// the destructor restores the previous value and removes the copy. When no
// private temporary directory can be made the test stops at once (qFatal):
// its paths would otherwise be the machine's own. Activating a tree that could
// not be completed stops it as well.
class SampleRoot
{
public:
    enum Content {
        Empty, // only the directory skeleton of a system
        Sample, // the whole embedded sample configuration
    };

    explicit SampleRoot(Content content = Sample);
    ~SampleRoot();

    bool isValid() const;
    QString path() const;
    // Absolute path below the root, e.g. filePath("/etc/tarn-syslog.conf").
    QString filePath(const QString &systemPath) const;

    void activate();

    // Writes `content` to the system path below the root, creating directories.
    bool writeFile(const QString &systemPath, const QByteArray &content) const;
    QByteArray readFile(const QString &systemPath) const;
    // Removes the tree at the system path below the root (never outside it).
    bool removeTree(const QString &systemPath) const;

    // Copies a directory tree (files and sub-directories, no links).
    static bool copyTree(const QString &from, const QString &to);

private:
    QTemporaryDir m_dir;
    QByteArray m_previousRoot;
    bool m_hadPreviousRoot = false;
    bool m_activated = false;
    bool m_valid = false;
};
