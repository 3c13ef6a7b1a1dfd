// Putting text from users' files into the page safely (JSON strings go
// through base::AppendJsonString). The escape also repairs the text:
// byte sequences that are not UTF-8, and control characters HTML does not
// allow, become U+FFFD.
#pragma once

#include <string>
#include <string_view>

namespace report {

// Text content and quoted attribute values: & < > " ' as character references.
void AppendHtml(std::string& out, std::string_view text);
std::string Html(std::string_view text);

}  // namespace report
