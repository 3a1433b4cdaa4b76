/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "auditservice.h"

#include "actionids.h"
#include "auditsettings.h"

#include <KAuth/Action>

namespace
{
const QString AuditTypeKey = QStringLiteral("AUDIT_TYPE");
const QChar KeySeparator = QLatin1Char('/');

KAuth::Action makeAction(const char *id)
{
    KAuth::Action action(QString::fromLatin1(id));
    action.setHelperId(QString::fromLatin1(ActionIds::HelperId));
    return action;
}

QVariantMap readRequest(int auditType, const QStringList &auditIDs, const QStringList &list)
{
    return {
        {QStringLiteral("list"), list},
        {QStringLiteral("auditType"), auditType},
        {QStringLiteral("auditIDs"), auditIDs},
    };
}
}

AuditService::AuditService(QObject *parent)
    : AccessService(parent)
{
}

QHash<QPair<QString, QString>, int> AuditService::getAuditSettings(int auditType, const QStringList &auditIDs, const QStringList &list)
{
    KAuth::Action action = makeAction(ActionIds::GetAuditSettings);
    action.setArguments(readRequest(auditType, auditIDs, list));
    execute(action);
    return convertAuditSettingsToHash(getActionResults());
}

std::expected<bool, QString> AuditService::setAuditSettings(QHash<QPair<QString, QString>, int> settings, int auditType)
{
    QVariantMap map = convertAuditSettingsToMap(settings);
    map.insert(AuditTypeKey, auditType);
    return write(map);
}

QHash<QString, int> AuditService::getOtherAuditSettings(const QStringList &auditIDs)
{
    KAuth::Action action = makeAction(ActionIds::GetAuditSettings);
    action.setArguments(readRequest(AuditSettings::OtherType, auditIDs, QStringList()));
    execute(action);
    return convertOtherAuditSettingsToHash(getActionResults());
}

std::expected<bool, QString> AuditService::setOtherAuditSettings(QHash<QString, int> settings)
{
    QVariantMap map = convertOtherAuditSettingsToMap(settings);
    map.insert(AuditTypeKey, static_cast<int>(AuditSettings::OtherType));
    return write(map);
}

std::expected<bool, QString> AuditService::write(const QVariantMap &arguments)
{
    KAuth::Action action = makeAction(ActionIds::SetAuditSettings);
    action.setArguments(arguments);
    if (execute(action)) {
        return true;
    }
    // The helper refuses a write that would change nothing with exactly this
    // text; any other failure (a value not written, authorisation refused,
    // the helper unreachable) is one.
    if (errorString() == QLatin1String(ActionIds::AuditUnchangedError)) {
        return false;
    }
    return std::unexpected(presentable(errorString()));
}

QVariantMap AuditService::convertAuditSettingsToMap(const QHash<QPair<QString, QString>, int> &settings)
{
    QVariantMap map;
    for (auto it = settings.cbegin(); it != settings.cend(); ++it) {
        map.insert(it.key().first + KeySeparator + it.key().second, it.value());
    }
    return map;
}

QHash<QPair<QString, QString>, int> AuditService::convertAuditSettingsToHash(const QVariantMap &map)
{
    QHash<QPair<QString, QString>, int> settings;
    for (auto it = map.cbegin(); it != map.cend(); ++it) {
        // Audit identifiers hold no "/", names may: the identifier ends at
        // the first one and the whole rest is the name.
        const int separator = it.key().indexOf(KeySeparator);
        if (separator < 0) {
            continue;
        }
        settings.insert(qMakePair(it.key().left(separator), it.key().mid(separator + 1)), it.value().toInt());
    }
    return settings;
}

QVariantMap AuditService::convertOtherAuditSettingsToMap(const QHash<QString, int> &settings)
{
    QVariantMap map;
    for (auto it = settings.cbegin(); it != settings.cend(); ++it) {
        map.insert(it.key(), it.value());
    }
    return map;
}

QHash<QString, int> AuditService::convertOtherAuditSettingsToHash(const QVariantMap &map)
{
    QHash<QString, int> settings;
    for (auto it = map.cbegin(); it != map.cend(); ++it) {
        settings.insert(it.key(), it.value().toInt());
    }
    return settings;
}
