// Putting text from users' files into the page safely. Both escapes also
// repair the text: byte sequences that are not UTF-8, and control
// characters HTML does not allow, become U+FFFD.
#pragma once

#include <string>
#include <string_view>

namespace report {

// Text content and quoted attribute values: & < > " ' as character references.
void AppendHtml(std::string& out, std::string_view text);
std::string Html(std::string_view text);

// A JSON string literal, quotes included, that is also safe inside a
// <script> element: < > & and the line separators U+2028/U+2029 are escaped,
// so no "</script>" or "<!--" can appear.
void AppendJsonString(std::string& out, std::string_view text);

}  // namespace report
