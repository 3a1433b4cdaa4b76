/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "admineventshelper.h"

#include <KAuth/HelperSupport>

namespace
{
KAuth::ActionReply notYet()
{
    KAuth::ActionReply reply = KAuth::ActionReply::HelperErrorReply();
    reply.setErrorDescription(QStringLiteral("not implemented"));
    return reply;
}
}

KAuth::ActionReply AdminEventsHelper::loggingservicectl(const QVariantMap &)
{
    return notYet();
}

KAuth::ActionReply AdminEventsHelper::exportconfig(const QVariantMap &)
{
    return notYet();
}

KAuth::ActionReply AdminEventsHelper::importconfig(const QVariantMap &)
{
    return notYet();
}

KAuth::ActionReply AdminEventsHelper::writeconfig(const QVariantMap &)
{
    return notYet();
}

KAuth::ActionReply AdminEventsHelper::removeconfig(const QVariantMap &)
{
    return notYet();
}

KAuth::ActionReply AdminEventsHelper::removenotificationconfigs(const QVariantMap &)
{
    return notYet();
}

KAuth::ActionReply AdminEventsHelper::writenotificationconfigs(const QVariantMap &)
{
    return notYet();
}

KAuth::ActionReply AdminEventsHelper::setauditsettings(const QVariantMap &)
{
    return notYet();
}

KAuth::ActionReply AdminEventsHelper::getauditsettings(const QVariantMap &)
{
    return notYet();
}
