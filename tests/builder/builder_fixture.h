// Shared set-up for builder tests: a small network loaded into the tables
// and the run parameters at the window's defaults.
#pragma once

#include <string>
#include <vector>

#include "builder/driver.h"
#include "support/test_support.h"

namespace builder_testing {

// Writes the network text to folder/name, loads it and sets the defaults.
std::string LoadNetwork(const testing_support::ScratchFolder& folder, const std::string& name,
                        const std::string& inpText);

// The window's default run parameters.
void SetDefaultParameters();

// The lines of a matrix file (without their CR LF).
std::vector<std::string> Lines(const std::string& path);

// Fields of one record (split at commas, quotes kept).
std::vector<std::string> Fields(const std::string& line);

// A host that records captions and messages.
struct RecordingHost {
    std::vector<std::string> captions, messages;
    builder::DriverHost Host();
};

}  // namespace builder_testing
