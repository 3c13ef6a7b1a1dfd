// Reading numbers typed into the window's fields.
//
// A field is read by its longest leading part that forms a number: blanks
// before it are skipped, "." is the decimal separator whatever the locale,
// an exponent part ("1.5E3") is accepted, and text with no numeric start
// reads as 0. Integer parameters take the number rounded to the nearest
// integer, ties to even; real parameters take it in single precision.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace builder::window {

// A field value or a derived count the builder cannot take; the message
// names the field and says why.
class FieldError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The leading number of a field text (0 when there is none). A number too
// large for a double reads as an infinity of its sign.
double FieldNumber(std::string_view text);

// The field read as a 32-bit integer; throws FieldError naming the label
// when the rounded value does not fit.
std::int32_t FieldInt32(std::string_view text, const std::string& label);

// The field read as a single; throws FieldError naming the label when the
// value is beyond the range of a single.
float FieldSingle(std::string_view text, const std::string& label);

// A count rounded to the nearest integer, ties to even; throws FieldError
// with the given description when it does not fit a 32-bit integer.
std::int32_t CountToInt32(double count, const std::string& what);

}  // namespace builder::window
