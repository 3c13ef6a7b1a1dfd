// Writes the binary form of a matrix set from its text files, for sets
// built before the builder wrote both. The text files are read side by
// side, one event at a time, with the loader's checks; the binary files
// are written under temporary names and renamed into place only when every
// event was read whole, so readers never see a partial set.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

namespace matrix {

// The text set is not whole: the message names the file, the line and the fault.
class ConversionError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct Conversion {
    std::int32_t events = 0;
    std::vector<std::string> files;  // the binary files written
};

// Called now and then with the share of the detection file read (0..1).
using ConversionProgress = std::function<void(double fraction)>;

Conversion ConvertToBinary(const std::string& networkPath, std::span<const std::string> nodeIds,
                           const ConversionProgress& progress = {});

}  // namespace matrix
