#include "builder/build_manifest.h"

#include <filesystem>

#include "builder/run_parameter_table.h"

namespace builder {

matrix::ManifestParameters RecordedParameters(const RunParameters& p) {
    matrix::ManifestParameters m;
    m.*ModeEntry().recorded = ModeName(p.Mode);
    for (const RunParameterEntry& entry : RunParameterTable()) {
        if (entry.kind == ValueKind::Single)
            m.*entry.manifestSingle = p.*entry.single;
        else
            m.*entry.manifestWhole = p.*entry.whole;
    }
    for (const RunSwitchEntry& entry : RunSwitchTable()) m.*entry.recorded = p.*entry.member;
    return m;
}

namespace {

const char* OutcomeName(BuildStatus status) {
    switch (status) {
        case BuildStatus::Completed: return "completed";
        case BuildStatus::Stopped: return "stopped";
        case BuildStatus::Failed: return "failed";
        case BuildStatus::Refused: return "refused";
    }
    return "failed";
}

}  // namespace

matrix::Manifest StartManifest(const network::Network& net, const BuildDescription& description, int processes,
                               int workers, std::int32_t eventsPlanned) {
    matrix::Manifest m;
    m.program = description.program;
    m.toolkitVersion = net.toolkit->Version();
    m.networkName = std::filesystem::path(net.path).filename().string();
    m.networkPath = net.path;
    if (net.file) {
        m.networkBytes = net.file->Bytes();
        m.networkSha256 = net.file->Sha256();
    }
    m.nodes = net.nNodes;
    m.parameters = RecordedParameters(description.parameters);
    m.seed = description.random ? 0 : description.seed;
    m.workers = workers;
    m.processes = processes;
    m.eventsPlanned = eventsPlanned;
    m.started = matrix::UtcNow();
    return m;
}

void EndManifest(matrix::Manifest& m, const BuildOutcome& outcome, double elapsedSeconds) {
    m.outcome = OutcomeName(outcome.status);
    m.reason = outcome.reason;
    m.eventsWritten = outcome.eventsWritten;
    m.ended = matrix::UtcNow();
    m.elapsedSeconds = elapsedSeconds;
}

}  // namespace builder
