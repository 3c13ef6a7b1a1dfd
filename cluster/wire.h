// The byte form of the messages between the processes of a build: numbers
// in the machine's own order (the processes check that they share it when
// they meet), strings and arrays after their length.
#pragma once

#include <cstdint>
#include <cstring>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

namespace cluster {

// A message that does not hold what its kind promises.
class WireError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Appends values to a byte buffer.
class WireWriter {
public:
    explicit WireWriter(std::vector<char>& bytes) : bytes_(bytes) {}

    template <typename T>
    void Put(T value) {
        static_assert(std::is_arithmetic_v<T>);
        PutBytes(&value, sizeof value);
    }
    void PutText(std::string_view text) {
        Put(static_cast<std::uint64_t>(text.size()));
        PutBytes(text.data(), text.size());
    }
    template <typename T>
    void PutArray(std::span<const T> values) {
        static_assert(std::is_arithmetic_v<T>);
        Put(static_cast<std::uint64_t>(values.size()));
        PutBytes(values.data(), values.size_bytes());
    }

private:
    void PutBytes(const void* data, std::size_t size) {
        if (size == 0) return;
        const std::size_t at = bytes_.size();
        bytes_.resize(at + size);
        std::memcpy(bytes_.data() + at, data, size);
    }

    std::vector<char>& bytes_;
};

// Reads values back in the order they were put; throws WireError past the end.
class WireReader {
public:
    explicit WireReader(std::span<const char> bytes) : bytes_(bytes) {}

    template <typename T>
    T Get() {
        static_assert(std::is_arithmetic_v<T>);
        T value;
        std::memcpy(&value, Take(sizeof value), sizeof value);
        return value;
    }
    void GetText(std::string& text) {
        const std::size_t size = Size(1);
        text.assign(Take(size), size);
    }
    std::string GetText() {
        std::string text;
        GetText(text);
        return text;
    }
    template <typename T>
    void GetArray(std::vector<T>& values) {
        static_assert(std::is_arithmetic_v<T>);
        const std::size_t size = Size(sizeof(T));
        values.resize(size);
        const char* from = Take(size * sizeof(T));
        if (size > 0) std::memcpy(values.data(), from, size * sizeof(T));  // an empty vector's data may be null
    }
    bool AtEnd() const { return used_ == bytes_.size(); }

private:
    std::size_t Size(std::size_t elementBytes) {
        const auto size = Get<std::uint64_t>();
        if (size > (bytes_.size() - used_) / elementBytes) throw WireError("a message ends early");
        return static_cast<std::size_t>(size);
    }
    const char* Take(std::size_t size) {
        if (size > bytes_.size() - used_) throw WireError("a message ends early");
        const char* at = bytes_.data() + used_;
        used_ += size;
        return at;
    }

    std::span<const char> bytes_;
    std::size_t used_ = 0;
};

}  // namespace cluster
