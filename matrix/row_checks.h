// What the loader and the converter check of each event row beyond its form.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace matrix {

// A fingerprint of a row's event columns, to tell whether two files
// describe the same event.
std::uint64_t Fingerprint(std::string_view eventColumns);

// What is wrong with a row of detection flags: a flag other than 0 or 1
// (the text reader refuses any other). Nothing when every flag is 0 or 1.
std::optional<std::string> UnsoundFlag(const std::uint8_t* flags, std::size_t nNodes);

// What is wrong with the values of matrix k (1..3) of one event, given the
// detection flags of the same event: a time to detection before the first
// day, or of a node that does not detect, or a negative value other than
// the mark -1 of a node without one. Nothing when no build would object.
std::optional<std::string> UnsoundValue(int k, const float* values, const std::uint8_t* flags, std::size_t nNodes);

}  // namespace matrix
