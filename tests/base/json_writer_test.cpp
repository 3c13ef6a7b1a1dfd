// The JSON writer: separators in both spacings, nesting, and strings that
// read back as written whatever bytes they hold.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "base/json_writer.h"

namespace {

using base::JsonWriter;

void WriteSample(JsonWriter& json) {
    json.BeginObject().Key("id").String("J<1>\"\n").Key("empty").BeginArray().EndArray();
    json.Key("rows").BeginArray();
    for (int i = 0; i < 2; ++i) json.BeginObject().Member("n", std::to_string(i)).Key("ok").Bool(i == 1).EndObject();
    json.EndArray().Key("none").Null().Key("inner").BeginObject().EndObject().EndObject();
}

TEST(JsonWriter, PlacesEverySeparatorInBothSpacings) {
    JsonWriter spaced(JsonWriter::Spacing::Spaced);
    WriteSample(spaced);
    EXPECT_EQ(spaced.Text(),
              "{\"id\": \"J\\u003c1\\u003e\\\"\\n\", \"empty\": [], \"rows\": [{\"n\": 0, \"ok\": false}, "
              "{\"n\": 1, \"ok\": true}], \"none\": null, \"inner\": {}}");
    JsonWriter compact(JsonWriter::Spacing::Compact);
    WriteSample(compact);
    EXPECT_EQ(compact.Text(),
              "{\"id\":\"J\\u003c1\\u003e\\\"\\n\",\"empty\":[],\"rows\":[{\"n\":0,\"ok\":false},"
              "{\"n\":1,\"ok\":true}],\"none\":null,\"inner\":{}}");
}

// The indented layout with the minimal escapes is the JSON library's
// dump(2): the build manifest keeps its bytes.
TEST(JsonWriter, IndentedIsTheJsonLibrarysIndentedLayout) {
    JsonWriter indented(JsonWriter::Spacing::Indented, base::JsonEscaping::Minimal);
    WriteSample(indented);
    EXPECT_EQ(indented.Text(), nlohmann::ordered_json::parse(indented.Text()).dump(2));
    const std::string odd[] = {"\b\f\x01\x1f\x7f", "<&>", "Z\xc3\xbcrich \xe2\x80\xa8", "a\\b\"c"};
    JsonWriter strings(JsonWriter::Spacing::Indented, base::JsonEscaping::Minimal);
    strings.BeginArray();
    for (const std::string& text : odd) strings.String(text);
    strings.EndArray();
    EXPECT_EQ(strings.Text(), nlohmann::json::parse(strings.Text()).dump(2));
}

TEST(JsonWriter, AnyTextReadsBackThroughAJsonParser) {
    const std::string texts[] = {"plain", "tab\tand \\ back", std::string("nul\0byte", 8), "Z\xc3\xbcrich", "bad\xff",
                                 "\xe2\x80\xa8 line", "</script>"};
    JsonWriter json(JsonWriter::Spacing::Compact);
    json.BeginArray();
    for (const std::string& text : texts) json.String(text);
    json.EndArray();
    const nlohmann::json parsed = nlohmann::json::parse(json.Text());
    ASSERT_EQ(parsed.size(), std::size(texts));
    for (std::size_t i = 0; i < std::size(texts); ++i) {
        if (texts[i] == "bad\xff")
            EXPECT_EQ(parsed[i].get<std::string>(), "bad\xef\xbf\xbd");
        else
            EXPECT_EQ(parsed[i].get<std::string>(), texts[i]) << i;
    }
    EXPECT_EQ(json.Text().find("</"), std::string::npos);
}

}  // namespace
