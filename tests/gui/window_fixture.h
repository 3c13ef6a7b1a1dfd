// Shared set-up for window tests: a Form1 over a scratch program folder,
// with its message boxes and program ends recorded instead of acted on.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "builder/window/form1.h"
#include "support/test_support.h"

namespace window_testing {

inline constexpr std::int64_t kNetwork1Size = 45063;

// The network text padded with comment lines to exactly size bytes.
std::string Padded(const std::string& inpText, std::int64_t size);

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override;

    // Writes network 1 of the scratch program folder; returns its path.
    std::string WriteNetwork1(const std::string& inpText, std::int64_t size = kNetwork1Size);
    // A four-node network (reservoir and three junctions) with short simulations.
    std::string WriteTinyNetwork1();
    std::string MatrixFile(int k) const;
    bool AnyMatrixFileExists() const;
    // Makes a click on the button happen at the build's next event processing.
    static void ClickLater(QWidget* button);

    testing_support::ScratchFolder folder_;
    std::unique_ptr<builder::window::Form1> form_;
    std::vector<std::string> messages_;
    std::vector<int> exitCodes_;
    std::string networkPath_;
};

}  // namespace window_testing
