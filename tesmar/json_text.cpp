#include "tesmar/json_text.h"

#include <cmath>

#include "base/number_text.h"

namespace tesmar {

std::string JsonNumber(float value) {
    if (!std::isfinite(value)) return "null";
    return base::ShortestText(value);
}

std::string JsonDouble(double value) {
    if (!std::isfinite(value)) return "null";
    return base::GeneralText(value, 17);
}

}  // namespace tesmar
