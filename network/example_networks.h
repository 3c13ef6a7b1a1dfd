// The example networks the windows open from the program folder, and the
// file sizes each window takes them at: a file of any other size is not the
// example network, and the window ends with its input-file message. The
// builder window takes network 1 at one size; the evaluator windows take
// it at two more.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace network {

struct ExampleNetwork {
    std::string file;                          // below the program folder
    std::string caption;                       // "Network 1"
    std::vector<std::int64_t> builderSizes;    // bytes the builder window takes
    std::vector<std::int64_t> evaluatorSizes;  // bytes the evaluator windows take
};

// Example network 1 or 2.
const ExampleNetwork& Example(int number);

// The example network's file in the program folder.
std::string ExampleNetworkPath(const std::string& programFolder, const ExampleNetwork& example);

// Whether the file is there with one of the sizes.
bool AcceptedExampleFile(const std::string& path, const std::vector<std::int64_t>& sizes);

}  // namespace network
