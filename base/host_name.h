// The name of the machine this process runs on.
#pragma once

#include <string>

namespace base {

// The host's name, or "this host" when it cannot be read.
std::string HostName();

}  // namespace base
