// Tests that need what the set-up installs (Chromium, NumPy, MPI). On a
// developer's machine without it such a test is skipped, saying why; in CI
// (the CI variable set, as every CI service does) the set-up installed it,
// so a test that cannot run there fails instead of passing unnoticed.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace testing_support {

inline bool InContinuousIntegration() {
    const char* ci = std::getenv("CI");
    if (!ci) return false;
    const std::string value = ci;
    return !value.empty() && value != "0" && value != "false";
}

}  // namespace testing_support

// Ends the test (or its SetUp) because a prerequisite is missing: a
// failure in CI, a skip elsewhere. The message says what is missing.
#define TESMAR_PREREQUISITE_MISSING(message)                                                             \
    do {                                                                                                 \
        if (::testing_support::InContinuousIntegration()) {                                             \
            GTEST_FAIL() << message << " (the set-up installs it, so CI must run this test)";            \
        } else {                                                                                         \
            GTEST_SKIP() << message;                                                                     \
        }                                                                                                \
    } while (false)
