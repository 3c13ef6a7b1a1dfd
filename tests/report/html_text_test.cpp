#include <gtest/gtest.h>

#include "base/user_text.h"
#include "report/html_text.h"

namespace {

using base::AppendJsonString;
using report::Html;

std::string Json(std::string_view text) {
    std::string out;
    AppendJsonString(out, text);
    return out;
}

TEST(HtmlText, EscapesMarkupCharactersAndQuotes) {
    EXPECT_EQ(Html("J<1> & \"P\" 'x'"), "J&lt;1&gt; &amp; &quot;P&quot; &#39;x&#39;");
    EXPECT_EQ(Html("</script><!--"), "&lt;/script&gt;&lt;!--");
    EXPECT_EQ(Html("&amp;"), "&amp;amp;");  // already escaped text is still text
}

TEST(HtmlText, KeepsUnicodeAndReplacesWhatHtmlForbids) {
    EXPECT_EQ(Html("Zürich-Ost \u2013 ✓"), "Zürich-Ost \u2013 ✓");
    EXPECT_EQ(Html("a\tb\nc"), "a\tb\nc");
    EXPECT_EQ(Html(std::string("a\0b", 3)), "a\uFFFDb");
    EXPECT_EQ(Html("a\x1b" "b\x7f"), "a\uFFFDb\uFFFD");
    EXPECT_EQ(Html("\xC2\x85"), "\uFFFD");  // a C1 control character
}

TEST(HtmlText, RepairsBytesThatAreNotUtf8) {
    EXPECT_EQ(Html("caf\xE9"), "caf\uFFFD");             // Latin-1 e acute
    EXPECT_EQ(Html("\xC0\xAF"), "\uFFFD\uFFFD");         // overlong '/'
    EXPECT_EQ(Html("\xED\xA0\x80"), "\uFFFD\uFFFD\uFFFD");  // a surrogate
    EXPECT_EQ(Html("\xF4\x90\x80\x80"), "\uFFFD\uFFFD\uFFFD\uFFFD");  // past U+10FFFF
    EXPECT_EQ(Html("\xE2\x82"), "\uFFFD\uFFFD");         // cut short at the end
    EXPECT_EQ(Html("\xF0\x9F\x92\xA7"), "\xF0\x9F\x92\xA7");  // a 4-byte character stays
}

TEST(JsonText, QuotesAndEscapesForAScriptElement) {
    EXPECT_EQ(Json("J1"), "\"J1\"");
    EXPECT_EQ(Json("a\"b\\c"), "\"a\\\"b\\\\c\"");
    EXPECT_EQ(Json("</script><!--x-->"), "\"\\u003c/script\\u003e\\u003c!--x--\\u003e\"");
    EXPECT_EQ(Json("R&D"), "\"R\\u0026D\"");
    EXPECT_EQ(Json("a\nb\tc\x01"), "\"a\\nb\\tc\\u0001\"");
    EXPECT_EQ(Json("\u2028\u2029"), "\"\\u2028\\u2029\"");
    EXPECT_EQ(Json("caf\xE9"), "\"caf\uFFFD\"");
    EXPECT_EQ(Json("Zürich"), "\"Zürich\"");
}

// Whatever the input, the escaped text has no character that could end the
// element or attribute it stands in.
TEST(HtmlText, NoInputEscapesItsContext) {
    std::string all;
    for (int c = 0; c < 256; ++c) all += static_cast<char>(c);
    std::string html = Html(all + all);
    EXPECT_EQ(html.find_first_of("<>\"'"), std::string::npos);
    std::string json = Json(all + all);
    EXPECT_EQ(json.substr(1, json.size() - 2).find_first_of("<>&\n\r"), std::string::npos);
    for (std::size_t i = 1; i + 1 < json.size(); ++i) {
        if (json[i] == '\\')
            ++i;
        else
            EXPECT_NE(json[i], '"') << "the string ends early, at " << i;
    }
}

}  // namespace
