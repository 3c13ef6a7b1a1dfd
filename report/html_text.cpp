#include "report/html_text.h"

#include <cstdint>

#include "base/user_text.h"

namespace report {

namespace {

// Control characters that HTML forbids in text (all but tab, line feed,
// carriage return), DEL and the C1 range.
bool IsForbiddenControl(char32_t c) { return base::IsControl(c) && c != '\t' && c != '\n' && c != '\r'; }

constexpr std::string_view kReplacementBytes = "\xEF\xBF\xBD";

}  // namespace

void AppendHtml(std::string& out, std::string_view text) {
    base::ForEachCharacter(text, [&](char32_t c, std::string_view bytes) {
        if (c == base::kReplacementCharacter) bytes = kReplacementBytes;
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

}  // namespace report
