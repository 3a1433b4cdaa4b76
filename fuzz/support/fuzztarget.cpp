/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "fuzztarget.h"

namespace Fuzz
{
namespace
{
std::vector<Target> &registry()
{
    static std::vector<Target> all;
    return all;
}
}

const std::vector<Target> &targets()
{
    return registry();
}

bool registerTarget(const Target &target)
{
    registry().push_back(target);
    return true;
}
}
