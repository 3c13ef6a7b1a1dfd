// The other processes of a build as the writing process knows them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace cluster {

struct Peer {
    int rank = 0;
    std::string host;
    int workers = 0;
    int processId = 0;        // on its host
    std::int32_t wanted = 0;  // events asked for and not handed out yet
    bool done = false;        // its records are sent and its workers ended
    bool lost = false;        // silent too long, or gone when the build ended at once

    // "process 2 on host node7" (its host is known once it answered the set-up)
    std::string Name() const {
        return "process " + std::to_string(rank) + (host.empty() ? "" : " on host " + host);
    }
};

// Every process but the writing one, by rank (element r - 1 is rank r).
using Team = std::vector<Peer>;

}  // namespace cluster
