// Writes JSON text in one pass: separators between members and elements are
// placed by the writer, strings go through base::AppendJsonString, numbers
// come already formatted (base/number_text.h) so each output keeps its own
// number form.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "base/user_text.h"

namespace base {

class JsonWriter {
public:
    // Compact: {"a":1,"b":[1,2]}, the report page's script data.
    // Spaced: {"a": 1, "b": [1, 2]}, tesmar's --json output.
    // Indented: each member and element on a line of its own, two spaces
    // deeper than its object or array; empty ones as {} and [] (the build
    // manifest).
    enum class Spacing { Compact, Spaced, Indented };

    explicit JsonWriter(Spacing spacing, JsonEscaping escaping = JsonEscaping::ScriptSafe)
        : spacing_(spacing), escaping_(escaping) {}

    JsonWriter& BeginObject();
    JsonWriter& EndObject();
    JsonWriter& BeginArray();
    JsonWriter& EndArray();
    // The name of the next member of the open object.
    JsonWriter& Key(std::string_view name);
    JsonWriter& String(std::string_view text);
    // A number's text, or true, false, null: written as given.
    JsonWriter& Literal(std::string_view text);
    JsonWriter& Bool(bool value) { return Literal(value ? "true" : "false"); }
    JsonWriter& Null() { return Literal("null"); }
    // Places what goes before a value and returns the text, for a number
    // the caller appends in place (no string per value).
    std::string& NextValue();
    // Key and value at once.
    JsonWriter& Member(std::string_view name, std::string_view literal) { return Key(name).Literal(literal); }

    const std::string& Text() const { return text_; }

private:
    void BeforeValue();
    // A new line at the depth of the open objects and arrays (Indented).
    void NewLine();
    JsonWriter& Open(char bracket);
    JsonWriter& Close(char bracket);

    Spacing spacing_;
    JsonEscaping escaping_;
    std::string text_;
    // One entry per open object or array: whether it holds a value yet.
    std::vector<bool> filled_;
    bool afterKey_ = false;
};

}  // namespace base
