// A gtest check of how a run ended that names both stops when they differ.
#pragma once

#include <gtest/gtest.h>

#include "tests/support/real_mode_pc/real_mode_pc.h"

namespace menvolt_test {

inline ::testing::AssertionResult Ended(Stop actual, Stop expected) {
    if (actual == expected) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "ended " << StopName(actual) << ", expected " << StopName(expected);
}

}  // namespace menvolt_test
