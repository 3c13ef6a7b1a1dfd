// Network 1's default build with a fixed seed, made once per test suite in
// a scratch folder, and placements on it read as JSON.
#pragma once

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "support/test_support.h"

namespace tesmar_testing {

class NetworkOneSet : public ::testing::Test {
protected:
    static void SetUpTestSuite();
    static void TearDownTestSuite();

    // `tesmar place NETWORK --json OPTIONS...`, expected to succeed.
    static nlohmann::json Place(const std::vector<std::string>& options);
    static std::string File(const std::string& name) { return folder_->File(name); }

    static testing_support::ScratchFolder* folder_;
    static std::string network_;
};

}  // namespace tesmar_testing
