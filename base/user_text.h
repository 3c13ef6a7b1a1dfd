// A user's text (an ID, an option value, a path) as the programs show it:
// in messages, on the terminal and in JSON. Text from users' files may hold
// anything, so control characters (a terminal escape, a NUL) and bytes that
// are not UTF-8 never pass through raw.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace base {

inline constexpr std::size_t kShownCharacters = 100;

// The text with every control character (C0, DEL, C1) and every byte that
// starts no well-formed UTF-8 sequence written as \xNN (\u{NNNN} for C1);
// anything else as it is.
std::string EscapedText(std::string_view text);

// For messages: the escaped text, whole when short, else its first
// kShownCharacters bytes, "..." and "(102400 characters)".
std::string ShownText(std::string_view text, std::size_t most = kShownCharacters);

// Length of the well-formed UTF-8 sequence at the start of a non-empty
// text and its code point, or length 1 and U+FFFD for a byte that starts
// none (stray continuation bytes, overlong forms, surrogates, values past
// U+10FFFF).
inline constexpr char32_t kReplacementCharacter = 0xFFFD;
std::size_t DecodeUtf8(std::string_view text, char32_t& codePoint);

// Calls emit(codePoint, bytes) for each character; a byte that starts no
// sequence comes as U+FFFD with that one byte.
template <class Emit>
void ForEachCharacter(std::string_view text, Emit emit) {
    while (!text.empty()) {
        char32_t c;
        const std::size_t length = DecodeUtf8(text, c);
        emit(c, text.substr(0, length));
        text.remove_prefix(length);
    }
}

// Whether a character is a control character: C0, DEL or C1.
constexpr bool IsControl(char32_t c) { return c < 0x20 || (c >= 0x7F && c <= 0x9F); }

// A JSON string literal, quotes included, of any bytes: always valid UTF-8
// JSON (bytes that are not UTF-8 become U+FFFD, control characters are
// escaped). ScriptSafe is safe inside an HTML <script> element too: < > &,
// DEL, U+2028 and U+2029 are escaped as well. Minimal escapes only what JSON
// requires (the quote, the backslash, C0 controls, \b \f \n \r \t in their
// short forms): the build manifest's form. The one escaper of every JSON
// text the programs write.
enum class JsonEscaping { ScriptSafe, Minimal };
void AppendJsonString(std::string& out, std::string_view text, JsonEscaping escaping = JsonEscaping::ScriptSafe);
std::string JsonString(std::string_view text);

}  // namespace base
