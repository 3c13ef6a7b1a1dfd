// The lock of a matrix set, so that one build at a time writes it and no
// reader takes it while a build writes it: a lock file beside the network
// ("NETWORK.inp.lock") locked with flock. A build holds it exclusively and
// names itself in it; readers take it shared. The kernel drops the lock of
// a process that dies, so a killed build never blocks the next one. The
// file itself stays beside the network.
//
// A flock belongs to the file, not to its name: a lock file removed or
// replaced while held would let a second holder lock its successor. So a
// holder locks only a file the name still leads to, and a build asks
// StillHeld() before it declares its files finished. The network file
// itself is locked the same way beside it, so that a second build is
// refused even after the lock file was replaced: the network's lock cannot
// be taken from its holder by renaming a file over the lock's name.
#pragma once

#include <optional>
#include <stdexcept>
#include <string>

#include "matrix/file_identity.h"
#include "matrix/file_names.h"

namespace matrix {

// The set is locked by someone else; the message names the holder.
class SetBusy : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The lock file cannot serve as a lock: a symbolic link, a folder, or a
// name that keeps leading to another file.
class LockRefused : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class SetLock {
public:
    enum class Kind { Shared, Exclusive };

    // Takes the lock without waiting. Throws SetBusy when another holds it,
    // LockRefused when the lock file is not one, and std::runtime_error when
    // it cannot be opened (an unwritable folder). An exclusive holder writes
    // `holder` into the file.
    SetLock(const std::string& networkPath, Kind kind, const std::string& holder = "");
    // Releases the lock.
    ~SetLock();
    SetLock(const SetLock&) = delete;
    SetLock& operator=(const SetLock&) = delete;

    // Whether the lock file's name still leads to the file locked: false
    // once it was removed or replaced, when another may have locked the set.
    bool StillHeld() const;

    // Why a holder whose lock was taken from it cannot trust the set.
    std::string LostMessage() const;

private:
    // Opens and locks the file the name leads to; false when the name led
    // elsewhere by the time the lock was taken.
    bool LockNamedFile(const std::string& networkPath, const std::string& holder);
    // Locks the network file as the lock file is locked; throws SetBusy
    // when another holds it.
    void LockNetworkFile(const std::string& networkPath);
    void Release();

    std::string path_;
    Kind kind_;
    int fd_ = -1;
    int networkFd_ = -1;
    std::optional<FileIdentity> locked_;
};

}  // namespace matrix
