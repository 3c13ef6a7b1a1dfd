// Reading one event row of a matrix file: nine description fields, one
// value per node, and the trailing field after the row's final comma.
//
// Fields end at a comma or at the line end; a field that starts with a
// double quote runs to the closing quote and may hold commas. Values are
// decimal numbers with optional sign, fraction and exponent, always with a
// period as the decimal separator, whatever the locale.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace fitness {

inline constexpr int kDescriptionFields = 9;

// Reads the values of nodes 1..nNodes into values[1..nNodes]. Returns what
// is wrong with the row, or nothing when it was read whole. values[] may be
// partly written when the row is refused.
std::optional<std::string> ReadEventRow(std::string_view line, std::int32_t nNodes, std::int16_t* values);
std::optional<std::string> ReadEventRow(std::string_view line, std::int32_t nNodes, float* values);

// Number of fields in a line, quoted commas not counted as separators.
std::int64_t CountFields(std::string_view line);

}  // namespace fitness
