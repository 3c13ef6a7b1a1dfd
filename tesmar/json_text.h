// The few pieces of JSON text tesmar writes.
#pragma once

#include <string>
#include <string_view>

namespace tesmar {

// A JSON string literal, quotes included.
std::string JsonString(std::string_view text);

// The shortest text that reads back as the same single-precision value;
// "null" for a value JSON cannot hold (infinity, not a number).
std::string JsonNumber(float value);

}  // namespace tesmar
