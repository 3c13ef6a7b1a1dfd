// Hands out the lines of a text that arrives in large blocks.
//
// The text is pulled through a read function (a file, or memory in tests)
// into one buffer that grows only when a single line is longer than it. A
// line ends at LF; a CR before the LF is dropped. The last line may lack its
// line end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

namespace matrix {

// Copies up to `room` bytes to `dest` and returns how many; 0 at the end of
// the text. Throws std::runtime_error when the source cannot be read.
using ReadBlock = std::function<std::size_t(char* dest, std::size_t room)>;

class LineReader {
public:
    explicit LineReader(ReadBlock read, std::size_t blockSize = std::size_t{4} << 20);

    // The next line, valid until the next call; false at the end of the text.
    bool Next(std::string_view& line);

    // Number of the line last returned, counted from 1.
    std::int64_t LineNumber() const { return lineNumber_; }

    // Bytes of text handed out as lines so far.
    std::uint64_t BytesDone() const { return bytesRead_ - (end_ - begin_); }

    // True when nothing but line ends and blanks remain.
    bool OnlyBlankLinesLeft();

private:
    bool Refill();

    ReadBlock read_;
    std::vector<char> buffer_;
    std::size_t begin_ = 0;    // first byte not yet handed out
    std::size_t end_ = 0;      // one past the last byte in the buffer
    std::size_t scanned_ = 0;  // bytes after begin_ known to hold no LF
    bool sourceEnded_ = false;
    std::int64_t lineNumber_ = 0;
    std::uint64_t bytesRead_ = 0;
};

}  // namespace matrix
