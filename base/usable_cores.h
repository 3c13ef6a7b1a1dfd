// The cores this process may run on.
#pragma once

namespace base {

// The cores of the process's affinity mask, or the machine's when the mask
// cannot be read; at least 1.
int UsableCores();

}  // namespace base
