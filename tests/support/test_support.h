// Helpers shared by the tests: scratch folders and small network files.
#pragma once

#include <string>

#include "network/toolkit.h"

namespace testing_support {

// A fresh empty folder under the system temp folder, removed on destruction.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    const std::string& path() const { return path_; }
    std::string File(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

// The toolkit a test program binds once, as the programs do.
const network::SharedToolkit& Toolkit();

void WriteText(const std::string& path, const std::string& text);
std::string ReadText(const std::string& path);

// Folder of the shipped example networks copied beside the test programs.
std::string ExampleNetwork(int number);

// A small network: reservoir R1 feeding a chain of junctions J1..Jn with
// constant demands (GPM), chemical quality in mg/L, 5-minute quality step.
std::string ChainNetwork(int junctions, double demand = 10.0);

// `text` with the first `from` replaced by `to`; throws when there is none.
std::string Replaced(std::string text, const std::string& from, const std::string& to);

}  // namespace testing_support
