// A folder of the system's temporary folder for one benchmark run, holding
// the networks it copies and the sets it builds; removed when the run ends.
#pragma once

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <system_error>

#include "network/solving_copy.h"

namespace bench {

class BenchFolder {
public:
    BenchFolder() {
        std::string pattern = network::TemporaryFolder() + "/tesmar-bench-XXXXXX";
        if (!::mkdtemp(pattern.data()))
            throw std::runtime_error("Cannot make a folder for the benchmark: " + std::string(std::strerror(errno)));
        path_ = pattern;
    }
    ~BenchFolder() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    BenchFolder(const BenchFolder&) = delete;
    BenchFolder& operator=(const BenchFolder&) = delete;

    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

}  // namespace bench
