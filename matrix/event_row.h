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
#include <span>
#include <string>
#include <string_view>

#include "matrix/records.h"

namespace matrix {

// Reads the values of nodes 1..nNodes into values[0..nNodes-1]. Returns
// what is wrong with the row, or nothing when it was read whole. values[]
// may be partly written when the row is refused. A detection flag must be
// 0 or 1.
std::optional<std::string> ReadEventRow(std::string_view line, std::int32_t nNodes, std::uint8_t* values);
std::optional<std::string> ReadEventRow(std::string_view line, std::int32_t nNodes, float* values);

// The event columns of a row: its text up to and including the comma after
// the ninth field; nothing when the row has fewer fields.
std::optional<std::string_view> EventColumns(std::string_view line);

// What is wrong with a header line for a network with these node IDs (in
// node order), or nothing when it names exactly those nodes.
std::optional<std::string> CheckHeader(std::string_view line, std::span<const std::string> nodeIds);

// Number of fields in a line, quoted commas not counted as separators.
std::int64_t CountFields(std::string_view line);

}  // namespace matrix
