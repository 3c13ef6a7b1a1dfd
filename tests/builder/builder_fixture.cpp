#include "builder_fixture.h"

#include <sstream>

namespace builder_testing {

network::Network LoadNetwork(const testing_support::ScratchFolder& folder, const std::string& name,
                             const std::string& inpText) {
    const std::string path = folder.File(name);
    testing_support::WriteText(path, inpText);
    return network::LoadNetwork(path, testing_support::Toolkit(), folder.path());
}

builder::BuildDescription Workers(int workers, std::uint64_t seed) {
    builder::BuildDescription description;
    description.seed = seed;
    description.workers = workers;
    return description;
}

builder::BuildDescription Reference(std::uint64_t seed) {
    builder::BuildDescription description = Workers(1, seed);
    description.reference = true;
    return description;
}

std::vector<std::string> Lines(const std::string& path) {
    std::string text = testing_support::ReadText(path);
    std::vector<std::string> lines;
    std::size_t begin = 0;
    while (begin < text.size()) {
        std::size_t end = text.find("\r\n", begin);
        if (end == std::string::npos) {
            lines.push_back(text.substr(begin) + "<no CRLF>");
            break;
        }
        lines.push_back(text.substr(begin, end - begin));
        begin = end + 2;
    }
    return lines;
}

std::vector<std::string> Fields(const std::string& line) {
    std::vector<std::string> fields;
    std::stringstream in(line);
    std::string field;
    while (std::getline(in, field, ',')) fields.push_back(field);
    return fields;
}

builder::BuildHost RecordingHost::Host() {
    builder::BuildHost host;
    host.started = [this](const builder::BuildStart& start) { starts.push_back(start); };
    host.progress = [this](const builder::BuildProgress& p) { progress.push_back(p); };
    host.processEvents = [] {};
    host.stopRequested = [this] { return stopWhen && stopWhen(*this); };
    return host;
}

}  // namespace builder_testing
