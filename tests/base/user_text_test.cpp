// How users' text is shown: escaped for the terminal, and as JSON that
// every reader accepts, whatever bytes a file held.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "base/user_text.h"

namespace {

using base::EscapedText;
using base::JsonString;
using base::ShownText;

TEST(UserText, ControlCharactersAndBytesThatAreNotUtf8AreShownEscaped) {
    EXPECT_EQ(EscapedText("J10"), "J10");
    EXPECT_EQ(EscapedText("Zürich ✓"), "Zürich ✓");
    EXPECT_EQ(EscapedText("J\x1b[31m1"), "J\\x1b[31m1");  // a terminal escape
    EXPECT_EQ(EscapedText(std::string("a\0b", 3)), "a\\x00b");  // a NUL cuts nothing
    EXPECT_EQ(EscapedText("\xff\xfe" "x\x7f"), "\\xff\\xfex\\x7f");
    EXPECT_EQ(EscapedText("\xC2\x85"), "\\u{0085}");  // a C1 control character
    EXPECT_EQ(EscapedText("caf\xE9"), "caf\\xe9");
    EXPECT_EQ(ShownText(std::string(150, 'a') + "\x1b"), std::string(100, 'a') + "... (151 characters)");
    EXPECT_EQ(ShownText(std::string(99, 'a') + "\x1b"), std::string(99, 'a') + "\\x1b");
}

TEST(UserText, JsonOfAnyBytesIsValidAndKeepsWhatIsText) {
    std::string all;
    for (int c = 0; c < 256; ++c) all += static_cast<char>(c);
    for (const std::string& text : {all, all + all, std::string("J\xff\xfe"), std::string("Zürich\x1b[0m")}) {
        const std::string json = JsonString(text);
        nlohmann::json parsed;
        ASSERT_NO_THROW(parsed = nlohmann::json::parse(json)) << json;
        EXPECT_TRUE(parsed.is_string());
    }
    EXPECT_EQ(nlohmann::json::parse(JsonString("Zürich \"J\\1\"\t")).get<std::string>(), "Zürich \"J\\1\"\t");
    EXPECT_EQ(nlohmann::json::parse(JsonString("J\xff")).get<std::string>(), "J\uFFFD");
}

}  // namespace
