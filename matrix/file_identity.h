// Which file a path or an open descriptor names: its device and inode, so
// that two spellings of a path, a hard link, or a file replaced under the
// same name are told apart from the name alone.
#pragma once

#include <sys/types.h>

#include <optional>
#include <string>

namespace matrix {

struct FileIdentity {
    dev_t device = 0;
    ino_t inode = 0;
    bool operator==(const FileIdentity&) const = default;
};

// The file the path leads to (links followed); none when nothing is there.
std::optional<FileIdentity> IdentityOf(const std::string& path);

// The entry the path names itself (a link is not followed).
std::optional<FileIdentity> EntryIdentityOf(const std::string& path);

// The file an open descriptor refers to.
std::optional<FileIdentity> IdentityOf(int fd);

}  // namespace matrix
