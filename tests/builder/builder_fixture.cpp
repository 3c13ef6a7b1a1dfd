#include "builder_fixture.h"

#include <gtest/gtest.h>

#include <sstream>

#include "builder/run_parameters.h"
#include "network/netload.h"

namespace builder_testing {

std::string LoadNetwork(const testing_support::ScratchFolder& folder, const std::string& name,
                        const std::string& inpText) {
    std::string path = folder.File(name);
    testing_support::WriteText(path, inpText);
    EXPECT_NO_THROW(builder::LoadNetworkForBuild(path));
    SetDefaultParameters();
    builder::NetworkPath = path;
    return path;
}

void SetDefaultParameters() {
    using namespace builder;
    EventMode = 1;
    RepeatCount = 2;
    nRandomEvents = 3000;
    nInjectionsPerEvent = 1;
    InjectionDuration = 2;
    InjectionMassFlow = 479167;
    MaxSimDuration = 96;
    DetectionSensitivity = 0.0f;
    NoZ2 = false;
    IngestionRate = 2.0f;
    BodyWeight = 70.0f;
    D50 = 41.0f;
    Beta = 0.34f;
    PerCapitaConsumption = 300.0f;
    nEvents = network::nNodes * RepeatCount;
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

builder::DriverHost RecordingHost::Host() {
    builder::DriverHost host;
    host.SetCaption = [this](const std::string& caption) { captions.push_back(caption); };
    host.ProcessEvents = [] {};
    host.ShowMessage = [this](const std::string& message) { messages.push_back(message); };
    return host;
}

}  // namespace builder_testing
