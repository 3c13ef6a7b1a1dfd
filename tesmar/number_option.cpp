#include "tesmar/number_option.h"

#include <CLI/CLI.hpp>

#include <charconv>
#include <cmath>
#include <cstdint>

#include "base/number_text.h"
#include "base/user_text.h"

namespace tesmar {

namespace {

// True when from_chars read the whole text.
bool ReadWhole(const std::string& text, const std::from_chars_result& result) {
    return result.ec == std::errc() && result.ptr == text.data() + text.size();
}

// Decimal digits, with a minus sign or not, beyond least..most.
bool OutOfRange(const std::string& text, long long least, unsigned long long most) {
    const bool negative = !text.empty() && text.front() == '-';
    const char* digits = text.data() + (negative ? 1 : 0);
    const char* end = text.data() + text.size();
    if (digits == end) return false;
    for (const char* p = digits; p != end; ++p)
        if (*p < '0' || *p > '9') return false;
    unsigned long long magnitude = 0;
    const auto result = std::from_chars(digits, end, magnitude);
    if (result.ec == std::errc::result_out_of_range) return true;
    if (!negative) return magnitude > most;
    const unsigned long long lowest = least < 0 ? 0ULL - static_cast<unsigned long long>(least) : 0ULL;
    return magnitude > lowest;
}

// A decimal real whose size no double holds ("1e309").
bool RealOutOfRange(const std::string& text) {
    double value = 0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::general);
    return result.ec == std::errc::result_out_of_range && result.ptr == text.data() + text.size();
}

}  // namespace

std::optional<std::string> CanonicalWholeNumber(const std::string& text) {
    if (text.empty()) return std::nullopt;
    const bool negative = text.front() == '-';
    std::uint64_t magnitude = 0;
    const char* digits = text.data() + (negative ? 1 : 0);
    const auto result = std::from_chars(digits, text.data() + text.size(), magnitude);
    if (digits == text.data() + text.size() || !ReadWhole(text, result)) return std::nullopt;
    // Values beyond the option's type are refused by CLI11's own conversion.
    std::string canonical = std::to_string(magnitude);
    if (negative && magnitude != 0) canonical.insert(canonical.begin(), '-');
    return canonical;
}

std::optional<std::string> CanonicalRealNumber(const std::string& text) {
    double value = 0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value,
                                        std::chars_format::general);
    if (text.empty() || !ReadWhole(text, result) || !std::isfinite(value)) return std::nullopt;
    return base::ShortestText(value);
}

CLI::Validator WholeNumber(long long least, unsigned long long most) {
    return CLI::Validator(
        [least, most](std::string& text) -> std::string {
            const std::string range = " is out of range: from " + std::to_string(least) + " to " + std::to_string(most);
            if (OutOfRange(text, least, most)) return "'" + base::ShownText(text) + "'" + range;
            auto canonical = CanonicalWholeNumber(text);
            if (!canonical) return "'" + base::ShownText(text) + "' is not a whole number";
            text = *canonical;
            return {};
        },
        "", "whole number");
}

CLI::Validator RealNumber() {
    return CLI::Validator(
        [](std::string& text) -> std::string {
            auto canonical = CanonicalRealNumber(text);
            if (!canonical && RealOutOfRange(text))
                return "'" + base::ShownText(text) + "' is out of range: a number's size must lie between about 2.2e-308 and 1.8e308, or be 0";
            if (!canonical) return "'" + base::ShownText(text) + "' is not a number";
            text = *canonical;
            return {};
        },
        "", "number");
}

}  // namespace tesmar
