/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <cstddef>
#include <cstdint>

// What the fuzz targets share: the application object, throwaway system trees
// and ways to cut an input into the pieces a target needs.
namespace Fuzz
{
// A QCoreApplication, or with `widgets` a QApplication on the offscreen
// platform, unless one exists. It lives until the process ends. Nothing is
// ever sent to a session bus (one that is not reachable is named), and the
// user's home and XDG directories are a throwaway directory.
void ensureApplication(bool widgets);

// The embedded sample system tree of the source tree.
QString sampleRoot();

// A directory made with mkdtemp() below the temporary directory, removed at
// destruction. Removals never reach outside it, nor follow a link.
class ThrowawayDir
{
public:
    explicit ThrowawayDir(const QString &prefix);
    ~ThrowawayDir();
    ThrowawayDir(const ThrowawayDir &) = delete;
    ThrowawayDir &operator=(const ThrowawayDir &) = delete;

    QString path() const;
    // Whether `path`, made absolute and clean, lies strictly inside.
    bool isInside(const QString &path) const;
    // Removes what lies below the directory, keeping the directory itself.
    void clear() const;
    // Removes the tree at `path` (a file, a link or a directory), which must
    // lie inside; false when it does not.
    bool removeInside(const QString &path) const;

private:
    QString m_path;
};

// A system tree below a throwaway directory: the root of every fixed path
// while it is active.
class Root : public ThrowawayDir
{
public:
    Root();

    // ADMINEVENTS_ROOT = path(), and PATH its "/bin" alone: the programs the
    // code under test may run are the stand-ins a target puts there (none
    // else, not even getent).
    void activate() const;
    // `systemPath` ("/etc/...") below the root.
    QString resolve(const QString &systemPath) const;
    // Writes the file, creating its directories; aborts when it cannot.
    void writeFile(const QString &systemPath, const QByteArray &content) const;
    QByteArray readFile(const QString &systemPath) const;
    // The content of a file of the sample tree.
    static QByteArray sampleFile(const QString &systemPath);
};

// Whether a JSON text may hold keys that Qt 5's JSON objects do not keep as
// they read them: with a NUL character, starting with a byte order mark, or
// with a surrogate written as an escape (alone, it cannot be written back
// as UTF-8).
bool hasKeysQtMishandles(const QString &json);

// `data` cut at every `separator`, into at most `maxPieces` pieces (the last
// one keeps the rest).
QList<QByteArray> split(const QByteArray &data, const QByteArray &separator, int maxPieces);

// An input read from the front, for targets that build values from it.
// Reading past the end gives zeros and empty texts.
class Bytes
{
public:
    Bytes(const std::uint8_t *data, std::size_t size);

    bool atEnd() const;
    std::uint8_t byte();
    bool flag();
    // A number in [0, bound).
    int below(int bound);
    qint32 int32();
    qint64 int64();
    double real();
    // At most `maxSize` bytes, the size taken from the input.
    QByteArray bytes(int maxSize);
    QString text(int maxSize);
    // One of `choices` (not empty).
    QString pick(const QStringList &choices);
    QByteArray rest();

private:
    const std::uint8_t *m_data;
    std::size_t m_size;
};
}
