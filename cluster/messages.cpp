#include "cluster/messages.h"

#include <cstring>

#include "builder/run_parameter_table.h"

namespace cluster {

namespace {

// Written first in the set-up, so a process with another byte order reads
// it as another number.
constexpr std::uint32_t kByteOrderMark = 0x54534d52;

// The mode, the table's whole parameters, then its singles, each group in
// the table's order, then its switches.
void PutParameters(WireWriter& out, const builder::RunParameters& p) {
    out.Put(static_cast<std::int32_t>(p.Mode));
    for (const builder::RunParameterEntry& entry : builder::RunParameterTable())
        if (entry.kind != builder::ValueKind::Single) out.Put(p.*entry.whole);
    for (const builder::RunParameterEntry& entry : builder::RunParameterTable())
        if (entry.kind == builder::ValueKind::Single) out.Put(p.*entry.single);
    for (const builder::RunSwitchEntry& entry : builder::RunSwitchTable())
        out.Put(static_cast<std::uint8_t>(p.*entry.member));
}

builder::RunParameters GetParameters(WireReader& in) {
    builder::RunParameters p;
    p.Mode = static_cast<builder::EventMode>(in.Get<std::int32_t>());
    for (const builder::RunParameterEntry& entry : builder::RunParameterTable())
        if (entry.kind != builder::ValueKind::Single) p.*entry.whole = in.Get<std::int32_t>();
    for (const builder::RunParameterEntry& entry : builder::RunParameterTable())
        if (entry.kind == builder::ValueKind::Single) p.*entry.single = in.Get<float>();
    for (const builder::RunSwitchEntry& entry : builder::RunSwitchTable())
        p.*entry.member = in.Get<std::uint8_t>() != 0;
    return p;
}

void RequireEnd(const WireReader& in, const char* what) {
    if (!in.AtEnd()) throw WireError(std::string("a ") + what + " message is longer than it should be");
}

}  // namespace

std::vector<char> EncodeSetup(const Setup& setup) {
    std::vector<char> bytes;
    WireWriter out(bytes);
    out.Put(kByteOrderMark);
    out.Put(static_cast<std::uint8_t>(setup.refused));
    out.PutText(setup.program);
    out.Put(static_cast<std::int32_t>(setup.toolkitVersion));
    out.Put(setup.networkBytes);
    out.PutText(setup.networkSha256);
    out.PutText(setup.host);
    PutParameters(out, setup.parameters);
    out.Put(static_cast<std::uint8_t>(setup.acceptWarnings));
    out.Put(static_cast<std::uint8_t>(setup.ownEngine));
    return bytes;
}

Setup DecodeSetup(std::span<const char> bytes) {
    WireReader in(bytes);
    if (in.Get<std::uint32_t>() != kByteOrderMark)
        throw WireError("the writing process stores numbers in another byte order");
    Setup setup;
    setup.refused = in.Get<std::uint8_t>() != 0;
    setup.program = in.GetText();
    setup.toolkitVersion = in.Get<std::int32_t>();
    setup.networkBytes = in.Get<std::uint64_t>();
    setup.networkSha256 = in.GetText();
    setup.host = in.GetText();
    setup.parameters = GetParameters(in);
    setup.acceptWarnings = in.Get<std::uint8_t>() != 0;
    setup.ownEngine = in.Get<std::uint8_t>() != 0;
    RequireEnd(in, "set-up");
    return setup;
}

std::vector<char> EncodeReady(const Ready& ready) {
    std::vector<char> bytes;
    WireWriter out(bytes);
    out.PutText(ready.host);
    out.Put(ready.workers);
    out.Put(ready.processId);
    return bytes;
}

Ready DecodeReady(std::span<const char> bytes) {
    WireReader in(bytes);
    Ready ready;
    ready.host = in.GetText();
    ready.workers = in.Get<std::int32_t>();
    ready.processId = in.Get<std::int32_t>();
    RequireEnd(in, "ready");
    return ready;
}

std::vector<char> EncodeNumber(std::int32_t number) {
    std::vector<char> bytes;
    WireWriter(bytes).Put(number);
    return bytes;
}

std::int32_t DecodeNumber(std::span<const char> bytes) {
    WireReader in(bytes);
    const auto number = in.Get<std::int32_t>();
    RequireEnd(in, "number");
    return number;
}

std::vector<char> EncodeText(const std::string& text) {
    std::vector<char> bytes;
    WireWriter(bytes).PutText(text);
    return bytes;
}

std::string DecodeText(std::span<const char> bytes) {
    WireReader in(bytes);
    std::string text = in.GetText();
    RequireEnd(in, "text");
    return text;
}

std::vector<char> EncodeFailure(std::int32_t eventIndex, const std::string& what) {
    std::vector<char> bytes;
    WireWriter out(bytes);
    out.Put(eventIndex);
    out.PutText(what);
    return bytes;
}

std::pair<std::int32_t, std::string> DecodeFailure(std::span<const char> bytes) {
    WireReader in(bytes);
    const auto eventIndex = in.Get<std::int32_t>();
    std::string what = in.GetText();
    RequireEnd(in, "failure");
    return {eventIndex, std::move(what)};
}

void EncodeEvents(std::span<const builder::EventTask> tasks, std::vector<char>& bytes) {
    bytes.clear();
    WireWriter out(bytes);
    out.Put(static_cast<std::int32_t>(tasks.size()));
    for (const builder::EventTask& task : tasks) {
        const builder::Event& event = task.event;
        out.Put(task.index);
        out.Put(static_cast<std::int32_t>(event.injections.size()));
        for (const builder::Injection& injection : event.injections) {
            out.Put(injection.startStep);
            out.Put(injection.node);
            out.Put(injection.massRate);
            out.Put(injection.hours);
        }
    }
}

namespace {

void GetInjection(WireReader& in, const network::Network& net, builder::Injection& injection) {
    injection.startStep = in.Get<std::int32_t>();
    injection.node = in.Get<std::int32_t>();
    injection.massRate = in.Get<float>();
    injection.hours = in.Get<std::int32_t>();
    if (injection.node < 1 || injection.node > net.nNodes)
        throw WireError("an event injects at node " + std::to_string(injection.node) + ", which the network lacks");
    injection.nodeId = net.NodeID[static_cast<std::size_t>(injection.node)];
}

}  // namespace

void DecodeEvents(std::span<const char> bytes, const network::Network& net, std::vector<builder::EventTask>& tasks) {
    WireReader in(bytes);
    const auto count = in.Get<std::int32_t>();
    for (std::int32_t t = 0; t < count; ++t) {
        builder::EventTask& task = tasks.emplace_back();
        task.index = in.Get<std::int32_t>();
        const auto injections = in.Get<std::int32_t>();
        if (injections < 0 || static_cast<std::size_t>(injections) > bytes.size())
            throw WireError("an event claims " + std::to_string(injections) + " injections");
        task.event.injections.resize(static_cast<std::size_t>(injections));
        for (builder::Injection& injection : task.event.injections) GetInjection(in, net, injection);
    }
    RequireEnd(in, "events");
}

RecordsEncoder::RecordsEncoder(std::vector<char>& bytes) : bytes_(bytes) {
    bytes_.clear();
    WireWriter(bytes_).Put(std::int32_t{0});
}

void RecordsEncoder::Add(std::int32_t eventIndex, const matrix::EncodedEvent& records) {
    WireWriter out(bytes_);
    out.Put(eventIndex);
    for (int k = 1; k <= 4; ++k) out.PutText(records.text[static_cast<std::size_t>(k)]);
    out.PutArray(std::span<const std::uint8_t>(records.detected));
    for (int k = 1; k <= 3; ++k) out.PutArray(std::span<const float>(records.values[static_cast<std::size_t>(k)]));
    out.PutText(records.summary);
    ++count_;
    std::memcpy(bytes_.data(), &count_, sizeof count_);
}

std::int32_t DecodeRecord(WireReader& in, matrix::EncodedEvent& records) {
    const auto eventIndex = in.Get<std::int32_t>();
    for (int k = 1; k <= 4; ++k) in.GetText(records.text[static_cast<std::size_t>(k)]);
    in.GetArray(records.detected);
    for (int k = 1; k <= 3; ++k) in.GetArray(records.values[static_cast<std::size_t>(k)]);
    in.GetText(records.summary);
    return eventIndex;
}

}  // namespace cluster
