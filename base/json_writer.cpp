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

JsonWriter& JsonWriter::Open(char bracket) {
    BeforeValue();
    text_ += bracket;
    filled_.push_back(false);
    return *this;
}

JsonWriter& JsonWriter::Close(char bracket) {
    filled_.pop_back();
    text_ += bracket;
    return *this;
}

JsonWriter& JsonWriter::BeginObject() { return Open('{'); }
JsonWriter& JsonWriter::EndObject() { return Close('}'); }
JsonWriter& JsonWriter::BeginArray() { return Open('['); }
JsonWriter& JsonWriter::EndArray() { return Close(']'); }

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
