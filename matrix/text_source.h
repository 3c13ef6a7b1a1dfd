// Where the loader takes a matrix file's text from: a file, or memory in
// tests and the fuzz target.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "matrix/line_reader.h"

namespace matrix {

// One matrix file as the loader sees it. `open` gives the function that
// reads its text (throwing std::runtime_error when it cannot be opened);
// `size` is its length in bytes, used for progress and to size the
// detection matrix ahead.
struct MatrixSource {
    bool found = false;
    std::string name;
    std::uint64_t size = 0;
    std::function<ReadBlock()> open;
};

// A source reading the file at path in large blocks, or one marked not found.
MatrixSource FileSource(const std::string& path);

// A source reading text that stays alive while the source is used.
MatrixSource MemorySource(const std::string& name, std::string_view text, bool found = true);

}  // namespace matrix
