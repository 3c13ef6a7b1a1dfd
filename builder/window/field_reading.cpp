#include "builder/window/field_reading.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace builder::window {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::size_t SkipDigits(std::string_view text, std::size_t at) {
    while (at < text.size() && IsDigit(text[at])) ++at;
    return at;
}

// Length of the longest prefix of text that forms a number, or 0.
std::size_t NumberLength(std::string_view text) {
    std::size_t at = 0;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) ++at;
    const std::size_t intStart = at;
    at = SkipDigits(text, at);
    bool digits = at > intStart;
    if (at < text.size() && text[at] == '.') {
        const std::size_t fracStart = at + 1;
        const std::size_t fracEnd = SkipDigits(text, fracStart);
        if (digits || fracEnd > fracStart) {
            digits = true;
            at = fracEnd;
        }
    }
    if (!digits) return 0;
    if (at < text.size() && (text[at] == 'e' || text[at] == 'E')) {
        std::size_t exp = at + 1;
        if (exp < text.size() && (text[exp] == '+' || text[exp] == '-')) ++exp;
        const std::size_t expEnd = SkipDigits(text, exp);
        if (expEnd > exp) at = expEnd;
    }
    return at;
}

// For a number out of the range of a double: whether it is too small
// rather than too large (a negative exponent, or no non-zero integer digit).
bool Underflows(std::string_view number) {
    const std::size_t exp = number.find_first_of("eE");
    if (exp != std::string_view::npos) return number.substr(exp + 1).starts_with('-');
    return number.substr(0, number.find('.')).find_first_not_of('0') == std::string_view::npos;
}

std::string Quoted(std::string_view text) {
    std::string quoted(1, '"');
    quoted.append(text);
    quoted.push_back('"');
    return quoted;
}

}  // namespace

double FieldNumber(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return 0.0;
    text.remove_prefix(first);
    const std::size_t length = NumberLength(text);
    if (length == 0) return 0.0;

    // from_chars takes no leading '+' and always uses '.', whatever the locale.
    std::string_view number = text.substr(0, length);
    const bool negative = number.front() == '-';
    if (number.front() == '+' || negative) number.remove_prefix(1);
    double value = 0.0;
    const auto result = std::from_chars(number.data(), number.data() + number.size(), value);
    if (result.ec == std::errc::result_out_of_range)
        value = Underflows(number) ? 0.0 : std::numeric_limits<double>::infinity();
    return negative ? -value : value;
}

std::int32_t CountToInt32(double count, const std::string& what) {
    const double rounded = std::nearbyint(count);
    if (!(rounded >= std::numeric_limits<std::int32_t>::min() &&
          rounded <= std::numeric_limits<std::int32_t>::max()))
        throw FieldError(what + " does not fit a 32-bit integer (" +
                         std::to_string(std::numeric_limits<std::int32_t>::min()) + " to " +
                         std::to_string(std::numeric_limits<std::int32_t>::max()) + ")");
    return static_cast<std::int32_t>(rounded);
}

std::int32_t FieldInt32(std::string_view text, const std::string& label) {
    return CountToInt32(FieldNumber(text), "The value " + Quoted(text) + " of \"" + label + "\"");
}

float FieldSingle(std::string_view text, const std::string& label) {
    const double value = FieldNumber(text);
    if (!(std::abs(value) <= std::numeric_limits<float>::max()))
        throw FieldError("The value " + Quoted(text) + " of \"" + label +
                         "\" is beyond the range of a single-precision number");
    return static_cast<float>(value);
}

}  // namespace builder::window
