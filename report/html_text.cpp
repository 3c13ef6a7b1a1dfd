#include "report/html_text.h"

#include <cstdint>

namespace report {

namespace {

constexpr char32_t kReplacement = 0xFFFD;
constexpr std::string_view kReplacementBytes = "\xEF\xBF\xBD";

// Length of the well-formed UTF-8 sequence at the start of text and its code
// point, or length 1 and U+FFFD for a byte that starts none (stray
// continuation bytes, overlong forms, surrogates, values past U+10FFFF).
std::size_t DecodeOne(std::string_view text, char32_t& codePoint) {
    auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(text[i]); };
    std::uint8_t lead = byte(0);
    if (lead < 0x80) {
        codePoint = lead;
        return 1;
    }
    std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 ? 2 : 0;
    codePoint = kReplacement;
    if (length == 0 || lead > 0xF4 || text.size() < length) return 1;
    char32_t value = lead & (0x7F >> length);
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xC0) != 0x80) return 1;
        value = (value << 6) | (byte(i) & 0x3F);
    }
    bool overlong = (length == 3 && value < 0x800) || (length == 4 && value < 0x10000);
    bool surrogate = value >= 0xD800 && value <= 0xDFFF;
    if (overlong || surrogate || value > 0x10FFFF) return 1;
    codePoint = value;
    return length;
}

// Control characters that HTML forbids in text (all but tab, line feed,
// carriage return), DEL and the C1 range.
bool IsForbiddenControl(char32_t c) {
    return (c < 0x20 && c != '\t' && c != '\n' && c != '\r') || (c >= 0x7F && c <= 0x9F);
}

template <class Emit>
void ForEachCharacter(std::string_view text, Emit emit) {
    while (!text.empty()) {
        char32_t c;
        std::size_t length = DecodeOne(text, c);
        emit(c, c == kReplacement && length == 1 ? kReplacementBytes : text.substr(0, length));
        text.remove_prefix(length);
    }
}

void AppendUnicodeEscape(std::string& out, char32_t c) {
    static constexpr char kHex[] = "0123456789abcdef";
    out += "\\u";
    for (int shift = 12; shift >= 0; shift -= 4) out += kHex[(c >> shift) & 0xF];
}

}  // namespace

void AppendHtml(std::string& out, std::string_view text) {
    ForEachCharacter(text, [&](char32_t c, std::string_view bytes) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            case '\'': out += "&#39;"; break;
            default: out += IsForbiddenControl(c) ? kReplacementBytes : bytes;
        }
    });
}

std::string Html(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    AppendHtml(out, text);
    return out;
}

void AppendJsonString(std::string& out, std::string_view text) {
    out += '"';
    ForEachCharacter(text, [&](char32_t c, std::string_view bytes) {
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\t': out += "\\t"; break;
            case '<': case '>': case '&': case 0x2028: case 0x2029: AppendUnicodeEscape(out, c); break;
            default:
                if (c < 0x20 || c == 0x7F)
                    AppendUnicodeEscape(out, c);
                else
                    out += bytes;
        }
    });
    out += '"';
}

}  // namespace report
