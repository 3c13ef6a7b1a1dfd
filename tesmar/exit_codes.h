// How tesmar ends, and the two kinds of failure its commands raise.
#pragma once

#include <stdexcept>

namespace tesmar {

enum ExitCode : int {
    kSuccess = 0,
    kRunFailed = 1,     // the work started and could not go on
    kBadInput = 2,      // bad usage, option value or input file; nothing written
    kPartialSet = 3,    // the result was given, from fewer events than the set holds (see --accept-partial)
    kInterrupted = 130, // stopped by SIGINT or SIGTERM
};

// Bad usage or input, found before any matrix file is touched (exit 2).
class InputError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

}  // namespace tesmar
