// The build manifest: written by the project's JSON writer, its bytes are
// those the JSON library wrote before (members in the order of their names,
// two-space indents, the library's escapes and number forms), and it reads
// back as written.
#include <gtest/gtest.h>

#include <limits>
#include <nlohmann/json.hpp>

#include "matrix/file_names.h"
#include "matrix/manifest.h"
#include "support/test_support.h"

namespace {

matrix::Manifest Sample(const std::string& networkPath) {
    matrix::Manifest m;
    m.program = "tesmar 1.0.0";
    m.toolkitVersion = 20305;
    m.engine = "own";
    m.networkName = "Net \"<&>\"\b\f\x01\x7f Z\xc3\xbcrich.inp";
    m.networkPath = networkPath;
    m.networkBytes = 45063;
    m.networkSha256 = std::string(64, 'a');
    m.nodes = 144;
    m.parameters.mode = "random";
    m.parameters.repeat = 2;
    m.parameters.randomEvents = 3000;
    m.parameters.injectionsPerEvent = 3;
    m.parameters.injectionHours = 2;
    m.parameters.massFlow = 479167;
    m.parameters.maxHours = 96;
    m.parameters.sensitivity = 1e-5f;
    m.parameters.ingestionRate = 2;
    m.parameters.bodyWeight = 70;
    m.parameters.d50 = 41;
    m.parameters.beta = 0.34f;
    m.parameters.perCapita = 0.1f;  // written as the single's exact value
    m.parameters.chemical = true;
    m.seed = std::numeric_limits<std::uint64_t>::max();
    m.workers = 2;
    m.eventsPlanned = 3000;
    m.eventsWritten = 2999;
    m.outcome = "stopped";
    m.reason = "line one\nline two\t\\";
    m.warnings = {1, 6};
    m.started = "2026-12-08T03:30:46Z";
    m.ended = "2026-12-08T03:30:47Z";
    m.elapsedSeconds = 0.000123456789;
    m.files = {{".z1", 198895, std::string(64, 'b')}, {".events.csv", 13998, std::string(64, 'c')}};
    return m;
}

TEST(Manifest, BytesAreTheJsonLibrarysIndentedDump) {
    testing_support::ScratchFolder folder;
    const std::string network = folder.File("Network_1.inp");
    for (bool empty : {false, true}) {
        matrix::Manifest m = Sample(network);
        if (empty) {
            m.files.clear();
            m.warnings.clear();
            m.parameters.chemical = false;
            m.elapsedSeconds = 12.0;
        }
        matrix::WriteManifest(network, m);
        const std::string text = testing_support::ReadText(matrix::ManifestFileName(network));
        EXPECT_EQ(text, nlohmann::json::parse(text).dump(2) + "\n") << text;

        const matrix::Manifest back = matrix::ReadManifest(network).value();
        EXPECT_EQ(back.networkName, m.networkName);
        EXPECT_EQ(back.reason, m.reason);
        EXPECT_EQ(back.seed, m.seed);
        EXPECT_EQ(back.parameters.sensitivity, m.parameters.sensitivity);
        EXPECT_EQ(back.parameters.perCapita, m.parameters.perCapita);
        EXPECT_EQ(back.parameters.chemical, m.parameters.chemical);
        EXPECT_EQ(back.elapsedSeconds, m.elapsedSeconds);
        EXPECT_EQ(back.warnings, m.warnings);
        EXPECT_EQ(back.files.size(), m.files.size());
    }
}

}  // namespace
