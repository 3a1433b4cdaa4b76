/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "actionids.h"
#include "admineventshelper.h"

#include <KAuth/HelperSupport>

int main(int argc, char **argv)
{
    auto *helper = new AdminEventsHelper;
    return KAuth::HelperSupport::helperMain(argc, argv, ActionIds::HelperId, helper);
}
