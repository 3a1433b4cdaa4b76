/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "admineventsmodule.h"

#include <KPluginFactory>

K_PLUGIN_FACTORY_WITH_JSON(AdminEventsFactory, "adminevents-kcm.json", registerPlugin<AdminEventsModule>();)

#include "adminevents-kcm.moc"
