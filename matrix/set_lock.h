// The lock of a matrix set, so that one build at a time writes it and no
// reader takes it while a build writes it: a lock file beside the network
// ("NETWORK.inp.lock") locked with flock. A build holds it exclusively and
// names itself in it; readers take it shared. The kernel drops the lock of
// a process that dies, so a killed build never blocks the next one. The
// file itself stays beside the network.
#pragma once

#include <stdexcept>
#include <string>

#include "matrix/file_names.h"

namespace matrix {

// The set is locked by someone else; the message names the holder.
class SetBusy : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class SetLock {
public:
    enum class Kind { Shared, Exclusive };

    // Takes the lock without waiting. Throws SetBusy when another holds it,
    // and std::runtime_error when the lock file cannot be used (a link, an
    // unwritable folder). An exclusive holder writes `holder` into the file.
    SetLock(const std::string& networkPath, Kind kind, const std::string& holder = "");
    // Releases the lock.
    ~SetLock();
    SetLock(const SetLock&) = delete;
    SetLock& operator=(const SetLock&) = delete;

private:
    std::string path_;
    Kind kind_;
    int fd_ = -1;
};

}  // namespace matrix
