// A build that cannot start or cannot go on; the message says why.
#pragma once

#include <stdexcept>

namespace builder {

class BuildError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

}  // namespace builder
