// Checks of option values written as numbers. CLI11 converts integers with
// base detection ("010" is octal, "0x10" hexadecimal) and reals through the
// C library ("nan", "inf"); these transforms accept plain decimal text only
// and hand CLI11 a canonical form of it.
#pragma once

#include <optional>
#include <string>

namespace CLI {
class Validator;
}

namespace tesmar {

// A whole number in decimal, with a leading minus sign when negative.
// Returns its canonical text, or nothing when the text is not one.
std::optional<std::string> CanonicalWholeNumber(const std::string& text);

// A finite decimal real ("12", "-0.5", "1e3"); canonical text or nothing.
std::optional<std::string> CanonicalRealNumber(const std::string& text);

// The same as CLI11 transforms, for Option::transform. A whole number
// outside least..most, and a real beyond the double range, is refused as
// out of range, naming the limits.
CLI::Validator WholeNumber(long long least, unsigned long long most);
CLI::Validator RealNumber();

}  // namespace tesmar
