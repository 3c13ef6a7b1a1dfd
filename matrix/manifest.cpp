#include "matrix/manifest.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <functional>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>

#include "base/atomic_file.h"
#include "base/json_writer.h"
#include "base/number_text.h"
#include "matrix/file_names.h"
#include "network/input_file.h"

namespace matrix {

namespace {

using nlohmann::json;

// A single as the shortest decimal that reads back as it: 0.34, not 0.3400000035762787.
std::string SingleText(float value) {
    const std::string text = base::ShortestText(value);
    double decimal = 0;
    std::from_chars(text.data(), text.data() + text.size(), decimal);
    return base::ShortestPointText(decimal);
}

template <typename Integer>
void WholeMember(base::JsonWriter& out, std::string_view name, Integer value) {
    out.Member(name, std::to_string(value));
}

using MP = ManifestParameters;

constexpr std::array<ManifestNumberField, 12> kNumberFields{{
    {"repeat", ManifestNumberForm::Whole, &MP::repeat, nullptr},
    {"random_events", ManifestNumberForm::Whole, &MP::randomEvents, nullptr},
    {"injections_per_event", ManifestNumberForm::Whole, &MP::injectionsPerEvent, nullptr},
    {"injection_hours", ManifestNumberForm::Whole, &MP::injectionHours, nullptr},
    {"mass_flow_mg_per_min", ManifestNumberForm::Whole, &MP::massFlow, nullptr},
    {"max_hours", ManifestNumberForm::Whole, &MP::maxHours, nullptr},
    {"sensitivity_mg_per_l", ManifestNumberForm::Single, nullptr, &MP::sensitivity},
    {"ingestion_rate_l_per_day", ManifestNumberForm::Single, nullptr, &MP::ingestionRate},
    {"body_weight_kg", ManifestNumberForm::Single, nullptr, &MP::bodyWeight},
    {"d50_mg_per_kg", ManifestNumberForm::Single, nullptr, &MP::d50},
    {"beta", ManifestNumberForm::Single, nullptr, &MP::beta},
    {"per_capita_l_per_day", ManifestNumberForm::SingleAsIs, nullptr, &MP::perCapita},
}};

constexpr std::array<ManifestSwitchField, 2> kSwitchFields{{
    {"no_z2", &MP::noZ2, false},
    {"chemical", &MP::chemical, true},
}};

std::string NumberText(const ManifestNumberField& field, const ManifestParameters& p) {
    switch (field.form) {
        case ManifestNumberForm::Whole: return std::to_string(p.*field.whole);
        case ManifestNumberForm::Single: return SingleText(p.*field.single);
        case ManifestNumberForm::SingleAsIs: return base::ShortestPointText(p.*field.single);
    }
    return {};
}

// Every object's members go in the order of their names.
void WriteParameters(base::JsonWriter& out, const ManifestParameters& p) {
    std::vector<std::pair<std::string_view, std::function<void()>>> members;
    for (const ManifestNumberField& field : kNumberFields)
        members.emplace_back(field.key, [&out, &field, &p] { out.Member(field.key, NumberText(field, p)); });
    for (const ManifestSwitchField& field : kSwitchFields)
        if (p.*field.member || !field.onlyWhenTrue)
            members.emplace_back(field.key, [&out, &field, &p] { out.Key(field.key).Bool(p.*field.member); });
    members.emplace_back("mode", [&out, &p] { out.Key("mode").String(p.mode); });
    std::sort(members.begin(), members.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    out.Key("parameters").BeginObject();
    for (const auto& member : members) member.second();
    out.EndObject();
}

void WriteFiles(base::JsonWriter& out, const std::vector<FileDigest>& files) {
    out.Key("files").BeginArray();
    for (const FileDigest& f : files) {
        out.BeginObject();
        WholeMember(out, "bytes", f.bytes);
        out.Key("file").String(f.name);
        out.Key("sha256").String(f.sha256);
        out.EndObject();
    }
    out.EndArray();
}

std::string ManifestText(const Manifest& m) {
    base::JsonWriter out(base::JsonWriter::Spacing::Indented, base::JsonEscaping::Minimal);
    out.BeginObject();
    out.Member("elapsed_seconds", base::ShortestPointText(m.elapsedSeconds));
    out.Key("ended").String(m.ended);
    out.Key("engine").String(m.engine);
    out.Key("events").BeginObject();
    WholeMember(out, "planned", m.eventsPlanned);
    WholeMember(out, "written", m.eventsWritten);
    out.EndObject();
    WriteFiles(out, m.files);
    WholeMember(out, "format", m.format);
    out.Key("network").BeginObject();
    WholeMember(out, "bytes", m.networkBytes);
    out.Key("file").String(m.networkName);
    WholeMember(out, "nodes", m.nodes);
    out.Key("path").String(m.networkPath);
    out.Key("sha256").String(m.networkSha256);
    out.EndObject();
    out.Key("outcome").String(m.outcome);
    WriteParameters(out, m.parameters);
    WholeMember(out, "processes", m.processes);
    out.Key("program").String(m.program);
    out.Key("reason").String(m.reason);
    WholeMember(out, "seed", m.seed);
    out.Key("started").String(m.started);
    WholeMember(out, "toolkit_version", m.toolkitVersion);
    out.Key("warnings").BeginArray();
    for (int code : m.warnings) out.Literal(std::to_string(code));
    out.EndArray();
    WholeMember(out, "workers", m.workers);
    out.EndObject();
    return out.Text() + "\n";
}

ManifestParameters ParametersFromJson(const json& j) {
    ManifestParameters p;
    p.mode = j.at("mode").get<std::string>();
    for (const ManifestNumberField& field : kNumberFields) {
        if (field.form == ManifestNumberForm::Whole)
            p.*field.whole = j.at(field.key).get<std::int32_t>();
        else
            p.*field.single = j.at(field.key).get<float>();
    }
    for (const ManifestSwitchField& field : kSwitchFields)
        p.*field.member = field.onlyWhenTrue ? j.value(field.key, false) : j.at(field.key).get<bool>();
    return p;
}

Manifest FromJson(const json& j) {
    Manifest m;
    m.format = j.at("format").get<int>();
    m.program = j.at("program").get<std::string>();
    m.toolkitVersion = j.at("toolkit_version").get<int>();
    m.engine = j.value("engine", "");
    const json& net = j.at("network");
    m.networkName = net.at("file").get<std::string>();
    m.networkPath = net.at("path").get<std::string>();
    m.networkBytes = net.at("bytes").get<std::uint64_t>();
    m.networkSha256 = net.at("sha256").get<std::string>();
    m.nodes = net.at("nodes").get<std::int32_t>();
    m.parameters = ParametersFromJson(j.at("parameters"));
    m.seed = j.at("seed").get<std::uint64_t>();
    m.workers = j.at("workers").get<int>();
    m.processes = j.at("processes").get<int>();
    m.eventsPlanned = j.at("events").at("planned").get<std::int64_t>();
    m.eventsWritten = j.at("events").at("written").get<std::int64_t>();
    m.outcome = j.at("outcome").get<std::string>();
    m.reason = j.at("reason").get<std::string>();
    m.warnings = j.at("warnings").get<std::vector<int>>();
    m.started = j.at("started").get<std::string>();
    m.ended = j.at("ended").get<std::string>();
    m.elapsedSeconds = j.at("elapsed_seconds").get<double>();
    if (j.contains("files"))  // manifests written before digests were recorded have none
        for (const json& f : j.at("files"))
            m.files.push_back({f.at("file").get<std::string>(), f.at("bytes").get<std::uint64_t>(),
                               f.at("sha256").get<std::string>()});
    return m;
}

std::string Number(double value) {
    return base::GeneralText(value, 9);
}

}  // namespace

std::span<const ManifestNumberField> ManifestNumberFields() { return kNumberFields; }

std::string ManifestKey(std::int32_t ManifestParameters::*member) {
    for (const ManifestNumberField& field : kNumberFields)
        if (field.whole == member) return field.key;
    return {};
}

std::span<const ManifestSwitchField> ManifestSwitchFields() { return kSwitchFields; }

std::string ManifestKey(bool ManifestParameters::*member) {
    for (const ManifestSwitchField& field : kSwitchFields)
        if (field.member == member) return field.key;
    return {};
}

std::string ManifestKey(float ManifestParameters::*member) {
    for (const ManifestNumberField& field : kNumberFields)
        if (field.single == member) return field.key;
    return {};
}

void WriteManifest(const std::string& networkPath, const Manifest& manifest) {
    const std::string path = ManifestFileName(networkPath);
    const std::string text = ManifestText(manifest);
    try {
        base::WriteFileAtomically(path, text, base::OldLink::Replace);
    } catch (const std::runtime_error& e) {
        throw ManifestError("Cannot write the build manifest: " + std::string(e.what()));
    }
}

std::optional<Manifest> ReadManifest(const std::string& networkPath) {
    const std::string path = ManifestFileName(networkPath);
    std::error_code missing;
    if (!std::filesystem::exists(std::filesystem::symlink_status(path, missing))) return std::nullopt;
    std::string text;
    try {
        text = network::ReadInputFile(path);
    } catch (const network::InputFileError& e) {
        throw ManifestError("The build manifest " + path + " cannot be read: " + e.what());
    }
    try {
        return FromJson(json::parse(text));
    } catch (const json::exception& e) {
        throw ManifestError("The build manifest " + path + " is not a manifest this program can read: " + e.what());
    }
}

std::vector<std::pair<std::string, std::string>> DescribeManifest(const Manifest& m) {
    const ManifestParameters& p = m.parameters;
    std::vector<std::pair<std::string, std::string>> lines{
        {"Network file", m.networkName + " (" + std::to_string(m.networkBytes) + " bytes, " + std::to_string(m.nodes) +
                             " nodes)"},
        {"Network SHA-256", m.networkSha256},
        {"Built by", m.program + ", toolkit " + std::to_string(m.toolkitVersion)},
        {"Event mode", p.mode},
    };
    if (p.mode == "repeat") lines.emplace_back("Times every node is injected", std::to_string(p.repeat));
    if (p.mode == "random") {
        lines.emplace_back("Random events", std::to_string(p.randomEvents));
        lines.emplace_back("Injections per event", std::to_string(p.injectionsPerEvent));
    }
    lines.insert(lines.end(),
                 {{"Injection duration", std::to_string(p.injectionHours) + " h"},
                  {"Injection mass flow", std::to_string(p.massFlow) + " mg/min"},
                  {"Simulated time", std::to_string(p.maxHours) + " h"},
                  {"Detection sensitivity", Number(p.sensitivity) + " mg/L"},
                  {"Per capita consumption", Number(p.perCapita) + " L/day"}});
    if (p.chemical) lines.emplace_back("Water-quality analysis", "a chemical in mg/L, set by --chemical");
    if (p.noZ2) {
        lines.emplace_back("People affected (Z2)", "not calculated");
    } else {
        lines.emplace_back("Dose-response model", "ingestion " + Number(p.ingestionRate) + " L/day, body weight " +
                                                      Number(p.bodyWeight) + " kg, D50 " + Number(p.d50) +
                                                      " mg/kg, beta " + Number(p.beta));
    }
    // A manifest still "running" when a reader may open the set is that of a
    // build that never ended: killed, or its machine stopped.
    if (m.outcome == "running")
        lines.insert(lines.end(),
                     {{"Seed", std::to_string(m.seed)},
                      {"Events", "not recorded: the build did not finish (" + std::to_string(m.eventsPlanned) + " planned)"},
                      {"Outcome", "did not finish: the build was killed or its machine stopped"},
                      {"Built", "started " + m.started + ", never ended"}});
    else
        lines.insert(lines.end(), {{"Seed", std::to_string(m.seed)},
                                   {"Events", std::to_string(m.eventsWritten) + " of " + std::to_string(m.eventsPlanned)},
                                   {"Outcome", m.outcome + (m.reason.empty() ? "" : ": " + m.reason)},
                                   {"Built", m.started + " to " + m.ended + " (" + Number(m.elapsedSeconds) + " s)"}});
    if (!m.warnings.empty()) {
        std::string codes;
        for (int code : m.warnings) codes += (codes.empty() ? "" : ", ") + std::to_string(code);
        lines.emplace_back("Toolkit warnings accepted", codes);
    }
    return lines;
}

std::string UtcNow() {
    const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    std::tm utc{};
    gmtime_r(&now, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text;
}

}  // namespace matrix
