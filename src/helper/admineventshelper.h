/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#pragma once

#include <KAuth/ActionReply>

#include <QObject>
#include <QVariantMap>

using namespace KAuth;

// The privileged helper: performs the module's requests as the super-user.
class AdminEventsHelper : public QObject
{
    Q_OBJECT
public Q_SLOTS:
    KAuth::ActionReply loggingservicectl(const QVariantMap &args);
    KAuth::ActionReply exportconfig(const QVariantMap &args);
    KAuth::ActionReply importconfig(const QVariantMap &args);
    KAuth::ActionReply writeconfig(const QVariantMap &args);
    KAuth::ActionReply removeconfig(const QVariantMap &args);
    KAuth::ActionReply removenotificationconfigs(const QVariantMap &args);
    KAuth::ActionReply writenotificationconfigs(const QVariantMap &args);
    KAuth::ActionReply setauditsettings(const QVariantMap &auditSettings);
    KAuth::ActionReply getauditsettings(const QVariantMap &args);
};
