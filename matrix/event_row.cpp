#include "matrix/event_row.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <span>

#include "base/user_text.h"

namespace matrix {

namespace {

enum class FieldEnd { Comma, LineEnd, OpenQuote };

// Steps over one field; p ends after its comma, or at the line end.
FieldEnd SkipField(const char*& p, const char* end) {
    if (p < end && *p == '"') {
        const void* close = std::memchr(p + 1, '"', static_cast<std::size_t>(end - p - 1));
        if (close == nullptr) return FieldEnd::OpenQuote;
        p = static_cast<const char*>(close) + 1;
    }
    const void* comma = std::memchr(p, ',', static_cast<std::size_t>(end - p));
    if (comma == nullptr) {
        p = end;
        return FieldEnd::LineEnd;
    }
    p = static_cast<const char*>(comma) + 1;
    return FieldEnd::Comma;
}

std::string FieldCountProblem(std::string_view line, std::int32_t nNodes) {
    return "the row has " + std::to_string(CountFields(line)) + " fields where " +
           std::to_string(kDescriptionFields + static_cast<std::int64_t>(nNodes) + 1) +
           " are expected";
}

// At most kShown characters of a text from a file, with its length when cut.
std::string Shown(std::string_view text) { return base::ShownText(text, 24); }

std::string ValueProblem(std::string_view text, std::int32_t node, const char* what) {
    return "the value \"" + Shown(text) + "\" for node " + std::to_string(node) + " is " + what;
}

std::string HeaderCountProblem(std::string_view line, std::size_t nNodes) {
    return "the header has " + std::to_string(CountFields(line)) + " fields where " +
           std::to_string(kDescriptionFields + nNodes + 1) + " are expected for the network's " +
           std::to_string(nNodes) + " nodes";
}

// The number in a field, allowing blanks around it, enclosing quotes and a
// leading plus sign, which the fast path does not take.
std::string_view NumberText(std::string_view field) {
    auto trim = [](std::string_view& s) {
        while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
        while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    };
    trim(field);
    if (field.size() >= 2 && field.front() == '"' && field.back() == '"') {
        field = field.substr(1, field.size() - 2);
        trim(field);
    }
    if (field.size() >= 2 && field.front() == '+' && field[1] != '-' && field[1] != '+') field.remove_prefix(1);
    return field;
}

enum class Parsed { Ok, NotANumber, OutOfRange, NotAFlag };

Parsed ParseDouble(std::string_view text, double& value) {
    if (text.empty()) return Parsed::NotANumber;
    auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec == std::errc::invalid_argument || ptr != text.data() + text.size()) return Parsed::NotANumber;
    if (ec == std::errc::result_out_of_range) return Parsed::OutOfRange;
    return std::isfinite(value) ? Parsed::Ok : Parsed::NotANumber;
}

// Slow path for a detection flag: any decimal or exponent form of 0 or 1.
Parsed ConvertField(std::string_view field, std::uint8_t& value) {
    double number = 0;
    Parsed parsed = ParseDouble(NumberText(field), number);
    if (parsed != Parsed::Ok) return parsed;
    if (number != 0.0 && number != 1.0) return Parsed::NotAFlag;
    value = static_cast<std::uint8_t>(number);
    return Parsed::Ok;
}

// Slow path for a single-precision value: values too small for the type
// become the nearest it holds (0 or a subnormal); values too large are refused.
Parsed ConvertField(std::string_view field, float& value) {
    double number = 0;
    Parsed parsed = ParseDouble(NumberText(field), number);
    if (parsed != Parsed::Ok) return parsed;
    if (std::fabs(number) > static_cast<double>(std::numeric_limits<float>::max())) return Parsed::OutOfRange;
    value = static_cast<float>(number);
    return Parsed::Ok;
}

// Fast paths for the forms the builder writes: a plain number followed by
// its comma. They leave p alone and return false for anything else.

bool ParsePlainValue(const char*& p, const char* end, std::uint8_t& value) {
    if (end - p >= 2 && (p[0] == '0' || p[0] == '1') && p[1] == ',') {
        value = static_cast<std::uint8_t>(p[0] - '0');
        p += 2;
        return true;
    }
    return false;
}

// [-]digits[.digits] with at most nine digits. A mantissa up to 2^24 and a
// power of ten up to 10^10 are exact floats, so one float division gives
// the correctly rounded value; anything else goes to the general parser.
bool ParseShortDecimal(const char*& p, const char* end, float& value) {
    static constexpr float kPowersOfTen[] = {1e0f, 1e1f, 1e2f, 1e3f, 1e4f, 1e5f, 1e6f, 1e7f, 1e8f, 1e9f};
    const char* s = p;
    bool negative = s < end && *s == '-';
    if (negative) ++s;
    std::uint32_t mantissa = 0;
    int digits = 0;
    int decimals = 0;
    bool point = false;
    for (; s < end; ++s) {
        unsigned digit = static_cast<unsigned>(*s - '0');
        if (digit < 10) {
            if (++digits > 9) return false;
            mantissa = mantissa * 10 + digit;
            decimals += point;
        } else if (*s == '.' && !point) {
            point = true;
        } else {
            break;
        }
    }
    if (digits == 0 || s == end || *s != ',' || mantissa > (1u << 24)) return false;
    float number = static_cast<float>(mantissa) / kPowersOfTen[decimals];
    value = negative ? -number : number;
    p = s + 1;
    return true;
}

bool ParsePlainValue(const char*& p, const char* end, float& value) {
    // -1, the mark of no value, fills most cells of the larger networks' rows.
    if (end - p >= 3 && p[0] == '-' && p[1] == '1' && p[2] == ',') {
        value = -1.0f;
        p += 3;
        return true;
    }
    if (ParseShortDecimal(p, end, value)) return true;
    auto [ptr, ec] = std::from_chars(p, end, value);
    if (ec != std::errc() || ptr == end || *ptr != ',' || !std::isfinite(value)) return false;
    p = ptr + 1;
    return true;
}

template <typename T>
std::optional<std::string> ReadRow(std::string_view line, std::int32_t nNodes, T* values) {
    const char* p = line.data();
    const char* end = p + line.size();
    for (int f = 0; f < kDescriptionFields; ++f) {
        FieldEnd stop = SkipField(p, end);
        if (stop == FieldEnd::OpenQuote) return "a quoted field has no closing quote";
        if (stop == FieldEnd::LineEnd) return FieldCountProblem(line, nNodes);
    }
    for (std::int32_t node = 1; node <= nNodes; ++node) {
        if (ParsePlainValue(p, end, values[node - 1])) continue;
        const char* fieldStart = p;
        FieldEnd stop = SkipField(p, end);
        if (stop == FieldEnd::OpenQuote) return "a quoted field has no closing quote";
        if (stop == FieldEnd::LineEnd) return FieldCountProblem(line, nNodes);
        std::string_view field(fieldStart, static_cast<std::size_t>(p - 1 - fieldStart));
        switch (ConvertField(field, values[node - 1])) {
            case Parsed::Ok: break;
            case Parsed::NotANumber: return ValueProblem(field, node, "not a number");
            case Parsed::OutOfRange: return ValueProblem(field, node, "out of range");
            case Parsed::NotAFlag: return ValueProblem(field, node, "not a detection flag (0 or 1)");
        }
    }
    // The trailing field, empty in files the builder writes, ends the line.
    FieldEnd stop = SkipField(p, end);
    if (stop == FieldEnd::OpenQuote) return "a quoted field has no closing quote";
    if (stop == FieldEnd::Comma) return FieldCountProblem(line, nNodes);
    return std::nullopt;
}

}  // namespace

std::optional<std::string> ReadEventRow(std::string_view line, std::int32_t nNodes, std::uint8_t* values) {
    return ReadRow(line, nNodes, values);
}

std::optional<std::string> ReadEventRow(std::string_view line, std::int32_t nNodes, float* values) {
    return ReadRow(line, nNodes, values);
}

std::optional<std::string_view> EventColumns(std::string_view line) {
    const char* p = line.data();
    const char* end = p + line.size();
    for (int f = 0; f < kDescriptionFields; ++f)
        if (SkipField(p, end) != FieldEnd::Comma) return std::nullopt;
    return line.substr(0, static_cast<std::size_t>(p - line.data()));
}

std::optional<std::string> CheckHeader(std::string_view line, std::span<const std::string> nodeIds) {
    const auto columns = EventColumns(line);
    if (!columns) return "the header has fewer than " + std::to_string(kDescriptionFields) + " fields";
    const char* p = line.data() + columns->size();
    const char* end = line.data() + line.size();
    for (std::size_t n = 0; n < nodeIds.size(); ++n) {
        const char* start = p;
        const FieldEnd stop = SkipField(p, end);
        if (stop == FieldEnd::OpenQuote) return std::string("a quoted field of the header has no closing quote");
        std::string_view field(start, static_cast<std::size_t>(p - start) - (stop == FieldEnd::Comma ? 1 : 0));
        if (field.size() >= 2 && field.front() == '"' && field.back() == '"') field = field.substr(1, field.size() - 2);
        if (field != nodeIds[n])
            return "the header names \"" + Shown(field) + "\" in the column of node " + std::to_string(n + 1) +
                   ", where the network has \"" + Shown(nodeIds[n]) + "\"";
        if (stop != FieldEnd::Comma) return HeaderCountProblem(line, nodeIds.size());
    }
    if (SkipField(p, end) != FieldEnd::LineEnd || p != end) return HeaderCountProblem(line, nodeIds.size());
    return std::nullopt;
}

std::int64_t CountFields(std::string_view line) {
    const char* p = line.data();
    const char* end = p + line.size();
    std::int64_t count = 1;
    for (;;) {
        FieldEnd stop = SkipField(p, end);
        if (stop != FieldEnd::Comma) return count;
        ++count;
    }
}

}  // namespace matrix
