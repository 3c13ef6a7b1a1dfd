#include "evaluator/result_text.h"

#include <charconv>
#include <cmath>
#include <cstdlib>

#include "base/number_text.h"

namespace evaluator {

namespace {

std::string WithSeparator(std::string text, char decimalSeparator) {
    for (char& c : text)
        if (c == '.') c = decimalSeparator;
    return text;
}

void DropTrailingZeros(std::string& digits, std::size_t keepAfterPoint) {
    std::size_t point = digits.find('.');
    if (point == std::string::npos) return;
    std::size_t last = digits.find_last_not_of('0');
    std::size_t keep = std::max(last, point + keepAfterPoint);
    digits.erase(keep + 1);
    if (digits.back() == '.') digits.pop_back();
}

}  // namespace

// Rounds to thousandths with ties away from zero, judged on the exact decimal
// expansion of the value (every double has a finite one).
std::string FormatThousandths(double value, char decimalSeparator) {
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
    DropTrailingZeros(text, 1);
    if (negative && text.find_first_not_of("0.") != std::string::npos) text.insert(0, 1, '-');
    return WithSeparator(text, decimalSeparator);
}

std::string SingleWithSeparator(float value, char decimalSeparator) {
    if (!std::isfinite(value)) return std::isnan(value) ? "NaN" : (value > 0 ? "Infinity" : "-Infinity");
    return WithSeparator(base::SevenDigitText(value), decimalSeparator);
}

std::string ResultLine(const FitnessResult& result, int k, char decimalSeparator) {
    std::string line = "Z";
    line.append(std::to_string(k)).append(" = ");
    if (k < 1 || k > 4 || !result.zAvailable[static_cast<std::size_t>(k)]) return line.append("Not available");
    line.append(FormatThousandths(result.Z[static_cast<std::size_t>(k)], decimalSeparator));
    if (k == 4)
        return line.append("  (").append(std::to_string(result.nDetected)).append("/").append(
            std::to_string(result.nEvents)).append(")");
    return line.append("  (SD = ")
        .append(SingleWithSeparator(result.SD[static_cast<std::size_t>(k)], decimalSeparator))
        .append(")");
}

}  // namespace evaluator
