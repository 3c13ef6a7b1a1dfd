// Shared set-up for builder tests: small networks loaded from a scratch
// folder, the lines and fields of matrix files, and a recording host.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "builder/build.h"
#include "network/netload.h"
#include "support/test_support.h"

namespace builder_testing {

// Writes the network text to folder/name and loads it.
network::Network LoadNetwork(const testing_support::ScratchFolder& folder, const std::string& name,
                             const std::string& inpText);

// A build of the seeded event set: the reference procedure, or workers.
builder::BuildDescription Reference(std::uint64_t seed = 1);
builder::BuildDescription Workers(int workers, std::uint64_t seed = 1);

// The lines of a matrix file (without their CR LF).
std::vector<std::string> Lines(const std::string& path);

// Fields of one record (split at commas, quotes kept).
std::vector<std::string> Fields(const std::string& line);

// A host that records the progress reports and asks to stop once stopWhen
// says so.
struct RecordingHost {
    std::vector<builder::BuildProgress> progress;
    std::vector<builder::BuildStart> starts;
    std::function<bool(const RecordingHost&)> stopWhen;
    builder::BuildHost Host();
};

}  // namespace builder_testing
