#include "matrix/line_reader.h"

#include <algorithm>
#include <cstring>

namespace matrix {

LineReader::LineReader(ReadBlock read, std::size_t blockSize)
    : read_(std::move(read)), buffer_(std::max<std::size_t>(blockSize, 1)) {}

// Moves the unread bytes to the front, grows the buffer when they fill it,
// and appends what the source gives. False when the source has ended.
bool LineReader::Refill() {
    if (sourceEnded_) return false;
    if (begin_ > 0) {
        std::memmove(buffer_.data(), buffer_.data() + begin_, end_ - begin_);
        end_ -= begin_;
        begin_ = 0;
    }
    if (end_ == buffer_.size()) buffer_.resize(buffer_.size() * 2);
    std::size_t got = read_(buffer_.data() + end_, buffer_.size() - end_);
    if (got == 0) {
        sourceEnded_ = true;
        return false;
    }
    end_ += got;
    bytesRead_ += got;
    return true;
}

bool LineReader::Next(std::string_view& line) {
    for (;;) {
        const char* from = buffer_.data() + begin_ + scanned_;
        const void* lf = std::memchr(from, '\n', end_ - begin_ - scanned_);
        if (lf != nullptr) {
            std::size_t stop = static_cast<std::size_t>(static_cast<const char*>(lf) - buffer_.data());
            std::size_t length = stop - begin_;
            if (length > 0 && buffer_[stop - 1] == '\r') --length;
            line = std::string_view(buffer_.data() + begin_, length);
            begin_ = stop + 1;
            scanned_ = 0;
            ++lineNumber_;
            return true;
        }
        scanned_ = end_ - begin_;
        if (!Refill()) break;
    }
    if (begin_ == end_) return false;
    std::size_t length = end_ - begin_;
    if (buffer_[end_ - 1] == '\r') --length;
    line = std::string_view(buffer_.data() + begin_, length);
    begin_ = end_;
    scanned_ = 0;
    ++lineNumber_;
    return true;
}

bool LineReader::OnlyBlankLinesLeft() {
    std::size_t checked = 0;  // bytes after begin_ known to be blank
    for (;;) {
        for (; begin_ + checked < end_; ++checked) {
            char c = buffer_[begin_ + checked];
            if (c != '\r' && c != '\n' && c != ' ' && c != '\t') return false;
        }
        if (!Refill()) return true;
    }
}

}  // namespace matrix
