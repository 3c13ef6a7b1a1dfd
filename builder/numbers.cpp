#include "builder/numbers.h"

#include <charconv>

namespace builder {

std::string FormatSingle(float value) {
    char text[32];
    auto result = std::to_chars(text, text + sizeof text, static_cast<double>(value),
                                std::chars_format::general, 7);
    std::string out(text, result.ptr);
    for (char& c : out)
        if (c == 'e') c = 'E';
    if (out == "-0") out = "0";
    return out;
}

}  // namespace builder
