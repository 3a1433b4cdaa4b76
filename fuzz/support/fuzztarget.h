/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#pragma once

#include <QtGlobal>

#include <cstddef>
#include <cstdint>
#include <vector>

// One fuzz target: set up once, then run on one input after another. The
// same source builds a libFuzzer program (the fuzz build) or registers the
// target with the replay test of the normal build (ADMINEVENTS_FUZZ_REPLAY),
// which runs every input kept in the target's corpus.
namespace Fuzz
{
using Initialize = void (*)();
using RunOne = int (*)(const std::uint8_t *data, std::size_t size);

struct Target {
    const char *name;
    Initialize initialize;
    RunOne run;
};

// The targets of a replay build, in registration order.
const std::vector<Target> &targets();
bool registerTarget(const Target &target);
}

#if defined(ADMINEVENTS_FUZZ_REPLAY)
#define ADMINEVENTS_FUZZ_TARGET(NAME, INITIALIZE, RUN)                                                                                                         \
    namespace                                                                                                                                                  \
    {                                                                                                                                                          \
    const bool registered_##NAME = Fuzz::registerTarget({#NAME, INITIALIZE, RUN});                                                                             \
    }
#else
#define ADMINEVENTS_FUZZ_TARGET(NAME, INITIALIZE, RUN)                                                                                                         \
    extern "C" int LLVMFuzzerInitialize(int *, char ***)                                                                                                       \
    {                                                                                                                                                          \
        INITIALIZE();                                                                                                                                          \
        return 0;                                                                                                                                              \
    }                                                                                                                                                          \
    extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)                                                                          \
    {                                                                                                                                                          \
        return RUN(data, size);                                                                                                                                \
    }
#endif

// A property every input must keep. A broken one ends the process, which
// libFuzzer reports as a crash with the input that broke it.
#define FUZZ_CHECK(condition)                                                                                                                                  \
    do {                                                                                                                                                       \
        if (!(condition)) {                                                                                                                                    \
            qFatal("fuzz check failed: %s (%s:%d)", #condition, __FILE__, __LINE__);                                                                           \
        }                                                                                                                                                      \
    } while (false)
