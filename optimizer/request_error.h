// The one exception a placement request raises for bad input: an option out
// of range, an unknown node index, a sensor count that cannot be met, or
// scenario data that cannot be read. The message names the fault.
#pragma once

#include <stdexcept>

namespace optimizer {

class RequestError : public std::invalid_argument {
public:
    using std::invalid_argument::invalid_argument;
};

}  // namespace optimizer
