#include "base/number_text.h"

#include <charconv>
#include <cmath>
#include <algorithm>
#include <cstdlib>
#include <string_view>

namespace base {

namespace {

// Drops the zeros that end the decimals of the number starting at `from`,
// keeping at least keepAfterPoint decimals, and the point when none is left.
void DropTrailingZeros(std::string& text, std::size_t from, std::size_t keepAfterPoint = 0) {
    std::size_t point = text.find('.', from);
    if (point == std::string::npos) return;
    std::size_t last = std::max(text.find_last_not_of('0'), point + keepAfterPoint);
    text.erase(last == point ? point : last + 1);
}

// printf's "%.*f" in the "C" locale.
std::string RawFixed(double value, int decimals, bool& fitted) {
    char buffer[400];
    auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    fitted = ec == std::errc();
    return fitted ? std::string(buffer, end) : std::string();
}

}  // namespace

std::string ShortestText(float value) {
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text, value).ptr;
    return std::string(text, end);
}

std::string ShortestText(double value) {
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text, value).ptr;
    return std::string(text, end);
}

std::string ShortestPointText(double value) {
    if (!std::isfinite(value)) return "null";
    std::string text = std::signbit(value) ? "-" : "";
    value = std::fabs(value);
    if (value == 0) return text + "0.0";
    // d.ddde+XX: the shortest digits and the exponent of the first one.
    char buffer[32];
    const char* end = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific).ptr;
    const std::string_view scientific(buffer, static_cast<std::size_t>(end - buffer));
    const std::size_t e = scientific.find('e');
    std::string digits(1, scientific[0]);
    if (e > 2) digits.append(scientific.substr(2, e - 2));
    int exponent = 0;
    std::from_chars(buffer + e + (scientific[e + 1] == '+' ? 2 : 1), end, exponent);
    // The point goes after `point` digits.
    const int count = static_cast<int>(digits.size()), point = exponent + 1;
    constexpr int kFixedFrom = -3, kFixedTo = 15;
    if (count <= point && point <= kFixedTo) return text + digits + std::string(point - count, '0') + ".0";
    if (0 < point && point <= kFixedTo) return text + digits.insert(static_cast<std::size_t>(point), ".");
    if (kFixedFrom <= point && point <= 0) return text + "0." + std::string(-point, '0') + digits;
    text += digits[0];
    if (count > 1) text.append(".").append(digits, 1);
    text += exponent < 0 ? "e-" : "e+";
    if (std::abs(exponent) < 10) text += '0';
    return text + std::to_string(std::abs(exponent));
}

std::string GeneralText(double value, int digits) {
    char text[400];
    const auto end = std::to_chars(text, text + sizeof text, value, std::chars_format::general, digits).ptr;
    return std::string(text, end);
}

void AppendSevenDigitText(std::string& text, float value) {
    char digits[32];
    const auto end = std::to_chars(digits, digits + sizeof digits, static_cast<double>(value),
                                   std::chars_format::general, 7).ptr;
    const std::size_t start = text.size();
    if (end - digits == 2 && digits[0] == '-' && digits[1] == '0') {
        text += '0';
        return;
    }
    text.append(digits, end);
    for (std::size_t i = start; i < text.size(); ++i)
        if (text[i] == 'e') text[i] = 'E';
}

std::string SevenDigitText(float value) {
    std::string text;
    AppendSevenDigitText(text, value);
    return text;
}

std::string PlainSignificantText(double value, int digits) {
    std::string out;
    AppendPlainSignificantText(out, value, digits);
    return out;
}

void AppendPlainSignificantText(std::string& out, double value, int digits) {
    double magnitude = std::fabs(value);
    char buffer[64];
    std::to_chars_result result;
    if (!std::isfinite(value) || magnitude == 0 || magnitude < 1e-4 || magnitude >= 1e15) {
        result = std::to_chars(buffer, buffer + sizeof buffer, value == 0 ? 0.0 : value, std::chars_format::general,
                               digits);
        out.append(buffer, result.ptr);
        return;
    }
    int decimals = digits - 1 - static_cast<int>(std::floor(std::log10(magnitude)));
    result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals < 0 ? 0 : decimals);
    std::size_t start = out.size();
    out.append(buffer, result.ptr);
    DropTrailingZeros(out, start);
}

std::string FixedText(double value, int decimals) {
    bool fitted = false;
    std::string text = RawFixed(value, decimals, fitted);
    if (!fitted) return PlainSignificantText(value, 6);
    if (text.find_first_not_of("-0.") == std::string::npos && text[0] == '-') text.erase(0, 1);
    return text;
}

// Rounds to thousandths with ties away from zero, judged on the exact decimal
// expansion of the value (every double has a finite one).
std::string ThousandthsText(double value) {
    if (!std::isfinite(value)) return std::isnan(value) ? "NaN" : (value > 0 ? "Infinity" : "-Infinity");
    bool negative = std::signbit(value);
    char buffer[1500];
    auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, std::fabs(value), std::chars_format::fixed, 1100);
    std::string exact(buffer, end);
    std::size_t point = exact.find('.');
    std::string text = exact.substr(0, point + 4);
    if (exact[point + 4] >= '5') {
        // Carry the rounding up through the digits.
        std::size_t i = text.size();
        while (i-- > 0) {
            if (text[i] == '.') continue;
            if (text[i] != '9') {
                ++text[i];
                break;
            }
            text[i] = '0';
            if (i == 0) text.insert(0, 1, '1');
        }
    }
    DropTrailingZeros(text, 0, 1);
    if (negative && text.find_first_not_of("0.") != std::string::npos) text.insert(0, 1, '-');
    return text;
}

std::string TrimmedFixedText(double value, int decimals) {
    std::string text = FixedText(value, decimals);
    DropTrailingZeros(text, 0);
    return text;
}

std::string PercentText(double percent) {
    bool fitted = false;
    std::string text = RawFixed(percent, 2, fitted);
    if (!fitted) text = GeneralText(percent, 6);
    return text + '%';
}

std::string SpacedPercentText(double percent) { return FixedText(percent, 2) + " %"; }

void AppendHundredths(std::string& out, int hundredths) {
    if (hundredths < 0) out += '-';
    unsigned magnitude = static_cast<unsigned>(std::abs(static_cast<long long>(hundredths)));
    char buffer[16];
    auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, magnitude / 100);
    out.append(buffer, end);
    unsigned fraction = magnitude % 100;
    if (fraction == 0) return;
    out += '.';
    out += static_cast<char>('0' + fraction / 10);
    if (fraction % 10 != 0) out += static_cast<char>('0' + fraction % 10);
}

std::string GroupedCountText(long long count) {
    std::string digits = std::to_string(count < 0 ? -count : count);
    std::string out = count < 0 ? "-" : "";
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) out += ',';
        out += digits[i];
    }
    return out;
}

}  // namespace base
