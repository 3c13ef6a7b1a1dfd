#include "base/user_text.h"

namespace base {

namespace {

constexpr char kHex[] = "0123456789abcdef";

void AppendHexByte(std::string& out, unsigned value) {
    out += "\\x";
    out += kHex[(value >> 4) & 0xF];
    out += kHex[value & 0xF];
}

void AppendUnicodeEscape(std::string& out, char32_t c) {
    out += "\\u";
    for (int shift = 12; shift >= 0; shift -= 4) out += kHex[(c >> shift) & 0xF];
}

}  // namespace

std::size_t DecodeUtf8(std::string_view text, char32_t& codePoint) {
    auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(text[i]); };
    const std::uint8_t lead = byte(0);
    if (lead < 0x80) {
        codePoint = lead;
        return 1;
    }
    const std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 ? 2 : 0;
    codePoint = kReplacementCharacter;
    if (length == 0 || lead > 0xF4 || text.size() < length) return 1;
    char32_t value = lead & (0x7F >> length);
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xC0) != 0x80) return 1;
        value = (value << 6) | (byte(i) & 0x3F);
    }
    const bool overlong = (length == 3 && value < 0x800) || (length == 4 && value < 0x10000);
    const bool surrogate = value >= 0xD800 && value <= 0xDFFF;
    if (overlong || surrogate || value > 0x10FFFF) return 1;
    codePoint = value;
    return length;
}

std::string EscapedText(std::string_view text) {
    std::string shown;
    shown.reserve(text.size());
    ForEachCharacter(text, [&](char32_t c, std::string_view bytes) {
        if (c == kReplacementCharacter && bytes.size() == 1)
            AppendHexByte(shown, static_cast<std::uint8_t>(bytes[0]));
        else if (c < 0x80 && IsControl(c))
            AppendHexByte(shown, static_cast<unsigned>(c));
        else if (IsControl(c))
            shown.append("\\u{00").append(1, kHex[c >> 4]).append(1, kHex[c & 0xF]).append("}");
        else
            shown += bytes;
    });
    return shown;
}

std::string ShownText(std::string_view text, std::size_t most) {
    if (text.size() <= most) return EscapedText(text);
    return EscapedText(text.substr(0, most)) + "... (" + std::to_string(text.size()) + " characters)";
}

void AppendJsonString(std::string& out, std::string_view text, JsonEscaping escaping) {
    const bool scriptSafe = escaping == JsonEscaping::ScriptSafe;
    out += '"';
    ForEachCharacter(text, [&](char32_t c, std::string_view bytes) {
        switch (c) {
            case '"': out += "\\\""; return;
            case '\\': out += "\\\\"; return;
            case '\n': out += "\\n"; return;
            case '\r': out += "\\r"; return;
            case '\t': out += "\\t"; return;
            case '\b': case '\f':
                if (scriptSafe) break;
                out += c == '\b' ? "\\b" : "\\f";
                return;
            case '<': case '>': case '&': case 0x2028: case 0x2029:
                if (!scriptSafe) break;
                AppendUnicodeEscape(out, c);
                return;
            default: break;
        }
        if (c == kReplacementCharacter && bytes.size() == 1)
            out += "\xEF\xBF\xBD";
        else if (c < 0x20 || (scriptSafe && c == 0x7F))
            AppendUnicodeEscape(out, c);
        else
            out += bytes;
    });
    out += '"';
}

std::string JsonString(std::string_view text) {
    std::string json;
    json.reserve(text.size() + 2);
    AppendJsonString(json, text);
    return json;
}

}  // namespace base
