#include "base/json_writer.h"

#include "base/user_text.h"

namespace base {

void JsonWriter::BeforeValue() {
    if (afterKey_) {
        afterKey_ = false;
        return;
    }
    if (filled_.empty()) return;
    if (filled_.back()) text_ += spacing_ == Spacing::Spaced ? ", " : ",";
    filled_.back() = true;
}

JsonWriter& JsonWriter::BeginObject() {
    BeforeValue();
    text_ += '{';
    filled_.push_back(false);
    return *this;
}

JsonWriter& JsonWriter::EndObject() {
    filled_.pop_back();
    text_ += '}';
    return *this;
}

JsonWriter& JsonWriter::BeginArray() {
    BeforeValue();
    text_ += '[';
    filled_.push_back(false);
    return *this;
}

JsonWriter& JsonWriter::EndArray() {
    filled_.pop_back();
    text_ += ']';
    return *this;
}

JsonWriter& JsonWriter::Key(std::string_view name) {
    BeforeValue();
    AppendJsonString(text_, name);
    text_ += spacing_ == Spacing::Spaced ? ": " : ":";
    afterKey_ = true;
    return *this;
}

JsonWriter& JsonWriter::String(std::string_view text) {
    BeforeValue();
    AppendJsonString(text_, text);
    return *this;
}

std::string& JsonWriter::NextValue() {
    BeforeValue();
    return text_;
}

JsonWriter& JsonWriter::Literal(std::string_view text) {
    BeforeValue();
    text_ += text;
    return *this;
}

}  // namespace base
