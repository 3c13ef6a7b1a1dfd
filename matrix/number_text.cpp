#include "matrix/number_text.h"

#include <charconv>

namespace matrix {

void AppendSingle(std::string& text, float value) {
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

std::string FormatSingle(float value) {
    std::string text;
    AppendSingle(text, value);
    return text;
}

}  // namespace matrix
