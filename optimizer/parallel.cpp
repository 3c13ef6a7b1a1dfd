#include "optimizer/parallel.h"

#include "base/usable_cores.h"

namespace optimizer {

int ResolveThreads(int requested) {
    return requested > 0 ? requested : base::UsableCores();
}

}  // namespace optimizer
