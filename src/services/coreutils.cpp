/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "coreutils.h"

#include "processexecutor.h"
#include "systempaths.h"

#include <QAbstractTableModel>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonParseError>
#include <QProcess>
#include <QProcessEnvironment>

namespace
{
const QString UserNotifyrcPattern = QStringLiteral("%1/%2/.config/tarn-event-watcher.notifyrc");
const QString NestedHomeName = QStringLiteral(".lvd");
constexpr int RebootWaitMs = 30000;
}

namespace Core::Utils
{
bool isModelsEqual(const QAbstractTableModel *first, const QAbstractTableModel *second, Qt::ItemDataRole role)
{
    const int rows = first->rowCount();
    if (rows != second->rowCount()) {
        return false;
    }
    const int columns = first->columnCount();
    if (columns != second->columnCount()) {
        return false;
    }
    for (int row = 0; row < rows; ++row) {
        for (int column = 0; column < columns; ++column) {
            if (first->index(row, column).data(role) != second->index(row, column).data(role)) {
                return false;
            }
        }
    }
    return true;
}

std::expected<QJsonDocument, QString> convertFromJson(const QByteArray &json)
{
    if (json.isEmpty()) {
        return std::unexpected(QStringLiteral("error: json byte array is empty"));
    }
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError) {
        return std::unexpected(QStringLiteral("error: json parse error: %1").arg(error.errorString()));
    }
    return document;
}

bool makeNotifyrcForUsers(const QString &homeRoot, QFile &source)
{
    const QDir root(homeRoot);
    if (!root.exists()) {
        return false;
    }
    const QString nestedRoot = SystemPaths::resolve(SystemPaths::NestedHomeRoot);
    const bool isNestedRun = QFileInfo(homeRoot).absoluteFilePath() == QFileInfo(nestedRoot).absoluteFilePath();

    bool created = false;
    const QStringList entries = root.entryList(QDir::Dirs | QDir::Hidden, QDir::Unsorted);
    for (const QString &name : entries) {
        if (name == QLatin1String(".") || name == QLatin1String("..")) {
            continue;
        }
        if (name == NestedHomeName) {
            // The nested home root holds users of its own; it is not nested again.
            if (!isNestedRun) {
                created = makeNotifyrcForUsers(nestedRoot, source);
            }
            continue;
        }
        const QString target = UserNotifyrcPattern.arg(root.absolutePath(), name);
        if (QFile::exists(target)) {
            QFile::remove(target);
        } else {
            created = true;
        }
        if (!source.copy(target)) {
            created = false;
            continue;
        }
        ProcessExecutor chown;
        chown.execProc<-1>(QStringLiteral("chown"), {QStringLiteral("%1:%2").arg(name, name), target});
    }
    return created;
}

void rebootSystem()
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), QStringLiteral("/run/user/%1").arg(qEnvironmentVariable("SUDO_UID")));

    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(SystemPaths::resolve(SystemPaths::WmFuncProgram), {QStringLiteral("WISPWM_REBOOT")});
    process.waitForFinished(RebootWaitMs);
}

std::expected<QByteArray, QString> readFile(const QString &path)
{
    QFile file(path);
    if (!file.exists()) {
        return std::unexpected(QStringLiteral("error: file doesn't exist: %1").arg(path));
    }
    if (!file.open(QIODevice::ReadOnly)) {
        return std::unexpected(QStringLiteral("error: file can't be open: %1").arg(path));
    }
    const QByteArray content = file.readAll();
    file.close();
    if (content.isEmpty()) {
        return std::unexpected(QStringLiteral("error: file is empty: %1").arg(path));
    }
    return content;
}
}
