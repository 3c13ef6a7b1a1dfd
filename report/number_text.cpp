#include "report/number_text.h"

#include <charconv>
#include <cmath>
#include <cstdlib>

namespace report {

namespace {

void DropTrailingZeros(std::string& text, std::size_t from) {
    std::size_t point = text.find('.', from);
    if (point == std::string::npos) return;
    std::size_t last = text.find_last_not_of('0');
    text.erase(last == point ? point : last + 1);
}

}  // namespace

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

std::string FormatFixed(double value, int decimals) {
    char buffer[400];
    auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    if (ec != std::errc()) return FormatSignificant(value, 6);
    std::string text(buffer, end);
    if (text.find_first_not_of("-0.") == std::string::npos && text[0] == '-') text.erase(0, 1);
    return text;
}

std::string FormatSignificant(double value, int digits) {
    std::string out;
    AppendSignificant(out, value, digits);
    return out;
}

// Plain decimals from 1e-4 up to 1e15; the exponent form only beyond.
void AppendSignificant(std::string& out, double value, int digits) {
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

std::string FormatCount(long long count) {
    std::string digits = std::to_string(count < 0 ? -count : count);
    std::string out = count < 0 ? "-" : "";
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) out += ',';
        out += digits[i];
    }
    return out;
}

}  // namespace report
