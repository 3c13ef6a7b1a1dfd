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
    NewLine();
}

void JsonWriter::NewLine() {
    if (spacing_ != Spacing::Indented) return;
    text_ += '\n';
    text_.append(2 * filled_.size(), ' ');
}

JsonWriter& JsonWriter::Open(char bracket) {
    BeforeValue();
    text_ += bracket;
    filled_.push_back(false);
    return *this;
}

JsonWriter& JsonWriter::Close(char bracket) {
    const bool filled = filled_.back();
    filled_.pop_back();
    if (filled) NewLine();
    text_ += bracket;
    return *this;
}

JsonWriter& JsonWriter::BeginObject() { return Open('{'); }
JsonWriter& JsonWriter::EndObject() { return Close('}'); }
JsonWriter& JsonWriter::BeginArray() { return Open('['); }
JsonWriter& JsonWriter::EndArray() { return Close(']'); }

JsonWriter& JsonWriter::Key(std::string_view name) {
    BeforeValue();
    AppendJsonString(text_, name, escaping_);
    text_ += spacing_ == Spacing::Compact ? ":" : ": ";
    afterKey_ = true;
    return *this;
}

JsonWriter& JsonWriter::String(std::string_view text) {
    BeforeValue();
    AppendJsonString(text_, text, escaping_);
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
