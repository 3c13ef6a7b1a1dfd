// What proves that a set's binary form belongs with its text: the size and
// SHA-256 of every file of the set as its build (or `tesmar convert`) left
// it, recorded in the manifest, and checked when the set is opened.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace matrix {

struct FileDigest {
    std::string name;       // for a set's file: what follows the network file's name (".z1.npy")
    std::uint64_t bytes = 0;
    std::string sha256;     // lowercase hex
};

// The size and SHA-256 of the file at path, named name. Throws
// std::runtime_error when it cannot be read.
FileDigest DigestFile(const std::string& path, const std::string& name);

// Every matrix file of the network's set that is there (text, binary and
// the event summary), in a fixed order, read on several threads.
std::vector<FileDigest> DigestSetFiles(const std::string& networkPath);

// Why the set's binary files are not those its manifest recorded, or
// nothing when they are: every recorded text file and event summary must
// have its recorded size, and every binary file its size and SHA-256; a
// binary file there but not recorded, or recorded but not there, disagrees.
// Nothing is checked when nothing was recorded (a build that never ended,
// a set from before the manifest held digests).
std::optional<std::string> BinaryDigestMismatch(const std::string& networkPath, const std::vector<FileDigest>& recorded);

}  // namespace matrix
