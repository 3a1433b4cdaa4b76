/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "fuzzsupport.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Fuzz
{
namespace
{
int removeEntry(const char *path, const struct stat *, int, struct FTW *)
{
    return ::remove(path) == 0 ? 0 : -1;
}

// Removes the tree at `path` without following links or crossing into
// other file systems.
bool removeTree(const QByteArray &path)
{
    struct stat status;
    if (::lstat(path.constData(), &status) != 0) {
        return errno == ENOENT;
    }
    return ::nftw(path.constData(), removeEntry, 16, FTW_DEPTH | FTW_PHYS | FTW_MOUNT) == 0;
}
}

void ensureApplication(bool widgets)
{
    static bool prepared = false;
    if (!prepared) {
        prepared = true;
        // A bus the process must never reach: libdbus would start one
        // otherwise.
        qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/adminevents-fuzz-bus");
        // Whatever Qt and the frameworks keep for the user (settings,
        // caches, the runtime directory) goes into a directory of the run's
        // own.
        static const ThrowawayDir home(QStringLiteral("adminevents-fuzz-home"));
        qputenv("HOME", QFile::encodeName(home.path()));
        for (const char *variable : {"XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_DATA_HOME", "XDG_RUNTIME_DIR"}) {
            qputenv(variable, QFile::encodeName(home.path()));
        }
    }
    if (QCoreApplication::instance()) {
        return;
    }
    static int argc = 1;
    static char name[] = "adminevents-fuzz";
    static char *argv[] = {name, nullptr};
    if (widgets) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        new QApplication(argc, argv);
    } else {
        new QCoreApplication(argc, argv);
    }
}

QString sampleRoot()
{
    return QStringLiteral(SAMPLE_SYSROOT_DIR);
}

ThrowawayDir::ThrowawayDir(const QString &prefix)
{
    QByteArray pattern = QFile::encodeName(QDir::tempPath() + QLatin1Char('/') + prefix + QStringLiteral(".XXXXXX"));
    if (!pattern.startsWith('/') || !::mkdtemp(pattern.data())) {
        qFatal("cannot make a temporary directory %s: %s", pattern.constData(), std::strerror(errno));
    }
    m_path = QDir::cleanPath(QFile::decodeName(pattern));
    if (m_path.isEmpty() || !QDir::isAbsolutePath(m_path) || m_path == QLatin1String("/")) {
        qFatal("unusable temporary directory %s", pattern.constData());
    }
}

ThrowawayDir::~ThrowawayDir()
{
    // The path was made by mkdtemp() above: it is nobody else's.
    removeTree(QFile::encodeName(m_path));
}

QString ThrowawayDir::path() const
{
    return m_path;
}

bool ThrowawayDir::isInside(const QString &path) const
{
    const QString clean = QDir::cleanPath(QDir::isAbsolutePath(path) ? path : QDir::current().absoluteFilePath(path));
    return clean.startsWith(m_path + QLatin1Char('/'));
}

void ThrowawayDir::clear() const
{
    const QStringList names = QDir(m_path).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QString &name : names) {
        removeInside(m_path + QLatin1Char('/') + name);
    }
}

bool ThrowawayDir::removeInside(const QString &path) const
{
    if (!isInside(path)) {
        qWarning("not removing %s: outside %s", qPrintable(path), qPrintable(m_path));
        return false;
    }
    return removeTree(QFile::encodeName(QDir::cleanPath(path)));
}

Root::Root()
    : ThrowawayDir(QStringLiteral("adminevents-fuzz-root"))
{
}

void Root::activate() const
{
    qputenv("ADMINEVENTS_ROOT", QFile::encodeName(path()));
    qputenv("PATH", QFile::encodeName(resolve(QStringLiteral("/bin"))));
}

QString Root::resolve(const QString &systemPath) const
{
    return path() + systemPath;
}

void Root::writeFile(const QString &systemPath, const QByteArray &content) const
{
    const QString target = resolve(systemPath);
    QDir().mkpath(QFileInfo(target).absolutePath());
    QFile file(target);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(content) != content.size() || !file.flush()) {
        qFatal("cannot write %s: %s", qPrintable(target), qPrintable(file.errorString()));
    }
}

QByteArray Root::readFile(const QString &systemPath) const
{
    QFile file(resolve(systemPath));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray Root::sampleFile(const QString &systemPath)
{
    QFile file(sampleRoot() + systemPath);
    if (!file.open(QIODevice::ReadOnly)) {
        qFatal("the sample tree has no %s", qPrintable(systemPath));
    }
    return file.readAll();
}

bool hasKeysQtMishandles(const QString &json)
{
    static const QRegularExpression escapes(QStringLiteral("\\\\u(0000|feff|d[89a-f][0-9a-f]{2})"), QRegularExpression::CaseInsensitiveOption);
    return json.contains(QChar(0)) || json.contains(QChar(0xFEFF)) || escapes.match(json).hasMatch();
}

QList<QByteArray> split(const QByteArray &data, const QByteArray &separator, int maxPieces)
{
    QList<QByteArray> pieces;
    int from = 0;
    while (pieces.size() + 1 < maxPieces) {
        const int at = data.indexOf(separator, from);
        if (at < 0) {
            break;
        }
        pieces.append(QByteArray(data.constData() + from, at - from));
        from = at + separator.size();
    }
    pieces.append(QByteArray(data.constData() + from, data.size() - from));
    return pieces;
}

Bytes::Bytes(const std::uint8_t *data, std::size_t size)
    : m_data(data)
    , m_size(size)
{
}

bool Bytes::atEnd() const
{
    return m_size == 0;
}

std::uint8_t Bytes::byte()
{
    if (m_size == 0) {
        return 0;
    }
    --m_size;
    return *m_data++;
}

bool Bytes::flag()
{
    return byte() & 1;
}

int Bytes::below(int bound)
{
    if (bound <= 1) {
        return 0;
    }
    quint32 value = byte();
    if (bound > 256) {
        value = (value << 8) | byte();
    }
    return int(value % quint32(bound));
}

qint32 Bytes::int32()
{
    quint32 value = 0;
    for (int i = 0; i < 4; ++i) {
        value = (value << 8) | byte();
    }
    return qint32(value);
}

qint64 Bytes::int64()
{
    return (qint64(int32()) << 32) | quint32(int32());
}

double Bytes::real()
{
    const qint64 bits = int64();
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

QByteArray Bytes::bytes(int maxSize)
{
    const int wanted = below(maxSize + 1);
    const int size = int(std::min<std::size_t>(std::size_t(wanted), m_size));
    QByteArray result(reinterpret_cast<const char *>(m_data), size);
    m_data += size;
    m_size -= std::size_t(size);
    return result;
}

QString Bytes::text(int maxSize)
{
    return QString::fromUtf8(bytes(maxSize));
}

QString Bytes::pick(const QStringList &choices)
{
    return choices.at(below(choices.size()));
}

QByteArray Bytes::rest()
{
    QByteArray result(reinterpret_cast<const char *>(m_data), int(m_size));
    m_data += m_size;
    m_size = 0;
    return result;
}
}
