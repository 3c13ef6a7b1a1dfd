#include "evaluator/result_text.h"

#include <cmath>

#include "base/number_text.h"

namespace evaluator {

namespace {

std::string WithSeparator(std::string text, char decimalSeparator) {
    for (char& c : text)
        if (c == '.') c = decimalSeparator;
    return text;
}

}  // namespace

std::string FormatThousandths(double value, char decimalSeparator) {
    return WithSeparator(base::ThousandthsText(value), decimalSeparator);
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
