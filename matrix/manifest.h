// The build manifest beside a matrix set: what the set was built from and
// how the build ended. Written when a build starts and again when it ends;
// each time the whole file is replaced at once.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "matrix/set_digests.h"

namespace matrix {

inline constexpr int kManifestFormat = 1;

// The run parameters as the manifest records them.
struct ManifestParameters {
    std::string mode;  // "all-times", "repeat" or "random"
    std::int32_t repeat = 0, randomEvents = 0, injectionsPerEvent = 0;
    std::int32_t injectionHours = 0, massFlow = 0, maxHours = 0;
    float sensitivity = 0, ingestionRate = 0, bodyWeight = 0, d50 = 0, beta = 0, perCapita = 0;
    bool noZ2 = false;
    // A chemical analysis in mg/L replaced the network's own (tesmar build
    // --chemical); recorded only when it did, as "chemical": true.
    bool chemical = false;
};

// How a numeric run parameter is written: a whole number, or a single as
// the shortest decimal that reads back as it (0.34), or as the single's own
// value in double precision (the per capita consumption, as manifests have
// always had it: 0.10000000149011612).
enum class ManifestNumberForm { Whole, Single, SingleAsIs };

// A numeric member of ManifestParameters and its key in the file.
struct ManifestNumberField {
    const char* key;
    ManifestNumberForm form;
    std::int32_t ManifestParameters::*whole;  // form Whole
    float ManifestParameters::*single;        // the other forms
};

// Every numeric member of ManifestParameters.
std::span<const ManifestNumberField> ManifestNumberFields();

// A yes-or-no member of ManifestParameters and its key in the file; one
// written only when true reads as false when absent.
struct ManifestSwitchField {
    const char* key;
    bool ManifestParameters::*member;
    bool onlyWhenTrue;
};

// Every yes-or-no member of ManifestParameters.
std::span<const ManifestSwitchField> ManifestSwitchFields();

// The key of the member that holds a whole, a single or a yes-or-no parameter.
std::string ManifestKey(std::int32_t ManifestParameters::*member);
std::string ManifestKey(float ManifestParameters::*member);
std::string ManifestKey(bool ManifestParameters::*member);

struct Manifest {
    int format = kManifestFormat;
    std::string program;   // "tesmar 1.0.0"
    int toolkitVersion = 0;
    // Whose water-quality solver simulated the events: "own" or "toolkit";
    // "" in a manifest written before the choice existed.
    std::string engine;
    std::string networkName, networkPath;
    std::uint64_t networkBytes = 0;
    std::string networkSha256;
    std::int32_t nodes = 0;
    ManifestParameters parameters;
    std::uint64_t seed = 0;
    int workers = 0, processes = 1;
    std::int64_t eventsPlanned = 0, eventsWritten = 0;
    std::string outcome = "running";  // then "completed", "stopped" or "failed"
    std::string reason;
    std::vector<int> warnings;  // toolkit warning codes accepted for the build
    std::string started, ended;  // UTC, ISO 8601
    double elapsedSeconds = 0;
    // Every file of the set as the build (or a conversion) left it; empty
    // while a build runs, after one that never ended, and in older manifests.
    std::vector<FileDigest> files;
};

class ManifestError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Replaces the manifest beside the network: written to a new file, synced,
// then renamed over the old one (which is never written through). Throws ManifestError.
void WriteManifest(const std::string& networkPath, const Manifest& manifest);

// The manifest beside the network; nothing when there is none. Throws
// ManifestError when it cannot be read or is not a manifest.
std::optional<Manifest> ReadManifest(const std::string& networkPath);

// The manifest as label/value lines for people ("Seed", "12345"). A
// manifest still "running" is described as a build that did not finish.
std::vector<std::pair<std::string, std::string>> DescribeManifest(const Manifest& manifest);

// The current time, UTC, ISO 8601.
std::string UtcNow();

}  // namespace matrix
