/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "actionids.h"
#include "admineventshelper.h"

#include <KAuth/HelperSupport>

namespace
{
// The helper as KAuth runs it: every action comes from a caller on the bus.
class CalledHelper : public AdminEventsHelper
{
protected:
    uid_t callerUid() const override
    {
        // -1 when the bus cannot tell: no such user, so the archive is not touched.
        return uid_t(KAuth::HelperSupport::callerUid());
    }
};
}

int main(int argc, char **argv)
{
    auto *helper = new CalledHelper;
    return KAuth::HelperSupport::helperMain(argc, argv, ActionIds::HelperId, helper);
}
