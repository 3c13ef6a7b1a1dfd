#include "base/host_name.h"

#include <unistd.h>

namespace base {

std::string HostName() {
    char name[256] = {};
    return ::gethostname(name, sizeof name - 1) == 0 ? name : "this host";
}

}  // namespace base
