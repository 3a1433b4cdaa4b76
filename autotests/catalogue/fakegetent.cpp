/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "fakegetent.h"

#include <QFile>

namespace
{
bool writeFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(content) == content.size();
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
}

FakeGetent::FakeGetent()
    : m_previousPath(qgetenv("PATH"))
{
    const QByteArray dir = QFile::encodeName(m_dir.path());
    // The temporary directory's path holds no quotes or dollars.
    const QByteArray script =
        "#!/bin/sh\n"
        "echo \"$*\" >> \""
        + dir + "/calls\"\n[ -f \"" + dir + "/$1\" ] && cat \"" + dir + "/$1\"\n[ -f \"" + dir + "/hang\" ] && exec sleep 600\nexit 0\n";
    const QString program = m_dir.filePath(QStringLiteral("getent"));
    writeFile(program, script);
    QFile::setPermissions(program, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    restorePath();
}

FakeGetent::~FakeGetent()
{
    qputenv("PATH", m_previousPath);
}

void FakeGetent::setListing(const QString &database, const QByteArray &listing) const
{
    writeFile(m_dir.filePath(database), listing);
}

void FakeGetent::setHanging(bool hanging) const
{
    if (hanging) {
        writeFile(m_dir.filePath(QStringLiteral("hang")), QByteArray());
    } else {
        QFile::remove(m_dir.filePath(QStringLiteral("hang")));
    }
}

QStringList FakeGetent::calls() const
{
    QStringList lines = QString::fromUtf8(readFile(m_dir.filePath(QStringLiteral("calls")))).split(QLatin1Char('\n'));
    lines.removeAll(QString());
    return lines;
}

void FakeGetent::clearCalls() const
{
    QFile::remove(m_dir.filePath(QStringLiteral("calls")));
}

void FakeGetent::hideGetent() const
{
    qputenv("PATH", QFile::encodeName(m_emptyDir.path()));
}

void FakeGetent::restorePath() const
{
    qputenv("PATH", QFile::encodeName(m_dir.path()) + ':' + m_previousPath);
}
