#include "tesmar/json_text.h"

#include <charconv>
#include <cmath>

namespace tesmar {

std::string JsonNumber(float value) {
    if (!std::isfinite(value)) return "null";
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text, value).ptr;
    return std::string(text, end);
}

}  // namespace tesmar
