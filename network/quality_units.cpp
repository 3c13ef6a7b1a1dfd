#include "network/quality_units.h"

#include <cctype>
#include <vector>

namespace network {

namespace {

std::string Lower(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lower;
}

std::vector<std::string_view> Tokens(std::string_view line) {
    line = line.substr(0, line.find(';'));  // comments
    std::vector<std::string_view> tokens;
    std::size_t at = 0;
    while (true) {
        at = line.find_first_not_of(" \t\r", at);
        if (at == std::string_view::npos) break;
        const std::size_t end = line.find_first_of(" \t\r", at);
        tokens.push_back(line.substr(at, end == std::string_view::npos ? std::string_view::npos : end - at));
        if (end == std::string_view::npos) break;
        at = end;
    }
    return tokens;
}

}  // namespace

std::optional<std::string> DeclaredQualityUnits(std::string_view text) {
    std::optional<std::string> units;
    bool options = false;
    std::size_t begin = 0;
    while (begin < text.size()) {
        std::size_t end = text.find('\n', begin);
        if (end == std::string_view::npos) end = text.size();
        const std::vector<std::string_view> tokens = Tokens(text.substr(begin, end - begin));
        begin = end + 1;
        if (tokens.empty()) continue;
        if (tokens[0].front() == '[') {
            options = Lower(tokens[0]) == "[options]";
            continue;
        }
        if (!options || Lower(tokens[0]) != "quality" || tokens.size() < 2) continue;
        const std::string kind = Lower(tokens[1]);
        if (kind == "none" || kind == "age" || kind == "trace") {
            units.reset();
            continue;
        }
        units = tokens.size() >= 3 ? std::optional<std::string>(std::string(tokens[2])) : std::nullopt;
    }
    return units;
}

}  // namespace network
