// The messages the processes of a build exchange, and their byte forms.
//
// Rank 0, the writing process, sends every other process the set-up of the
// build; each answers Ready or Refused. Then the others ask for events,
// get them in batches, and send back the encoded records of each event;
// both sides say Alive when they have had nothing else to say for a while.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "builder/event_pool.h"
#include "builder/run_parameters.h"
#include "cluster/wire.h"
#include "matrix/records.h"
#include "network/netload.h"

namespace cluster {

// The kinds of message, used as MPI tags.
enum class Tag : int {
    Setup = 1,  // 0 -> r: what the build is made of
    Ready,      // r -> 0: this process can take part
    Refused,    // r -> 0: it cannot (text)
    Request,    // r -> 0: it wants events (how many)
    Events,     // 0 -> r: events to simulate; none: there will be no more
    Records,    // r -> 0: encoded records of events
    Failed,     // r -> 0: an event (or, event 0, its set-up) failed (text)
    StopAsked,  // r -> 0: a stop signal reached it (how)
    Finish,     // 0 -> r: take no more events, send those running, then Done
    Quit,       // 0 -> r: drop everything and end
    Done,       // r -> 0: its records are sent and its workers have ended
    Alive,      // either way: nothing else to say for a while
    RollCall,   // 0 -> r: answer Here at once (the build is ending at once)
    Here,       // r -> 0: the answer to RollCall
};

// What rank 0 tells every process before the build starts.
struct Setup {
    bool refused = false;  // rank 0 itself cannot build: everyone ends
    std::string program;   // name and version, e.g. "tesmar 1.0.0"
    int toolkitVersion = 0;
    std::uint64_t networkBytes = 0;
    std::string networkSha256;
    std::string host;      // rank 0's
    builder::RunParameters parameters;
    bool acceptWarnings = false;  // the toolkit's warnings about the hydraulics
    bool ownEngine = true;  // the events run on Tesmar's own transport engine where it is exact
};

// A process's answer to the set-up.
struct Ready {
    std::string host;
    std::int32_t workers = 0;
    std::int32_t processId = 0;  // on its host
};

std::vector<char> EncodeSetup(const Setup& setup);
// Throws WireError, also for a sender whose numbers are in another byte order.
Setup DecodeSetup(std::span<const char> bytes);

std::vector<char> EncodeReady(const Ready& ready);
Ready DecodeReady(std::span<const char> bytes);

// A number or a text alone (Request, StopAsked; Refused).
std::vector<char> EncodeNumber(std::int32_t number);
std::int32_t DecodeNumber(std::span<const char> bytes);
std::vector<char> EncodeText(const std::string& text);
std::string DecodeText(std::span<const char> bytes);

// A failure: the event (0: the process's set-up) and what went wrong.
std::vector<char> EncodeFailure(std::int32_t eventIndex, const std::string& what);
std::pair<std::int32_t, std::string> DecodeFailure(std::span<const char> bytes);

// Events to simulate. The receiver takes node IDs from its own network,
// which is the sender's (same bytes).
void EncodeEvents(std::span<const builder::EventTask> tasks, std::vector<char>& bytes);
void DecodeEvents(std::span<const char> bytes, const network::Network& net, std::vector<builder::EventTask>& tasks);

// Records of events, each after its event number: a count, then the records.
class RecordsEncoder {
public:
    // Starts a message in bytes (emptied first).
    explicit RecordsEncoder(std::vector<char>& bytes);
    void Add(std::int32_t eventIndex, const matrix::EncodedEvent& records);
    std::int32_t Count() const { return count_; }

private:
    std::vector<char>& bytes_;
    std::int32_t count_ = 0;
};

// Reads one record and returns its event number.
std::int32_t DecodeRecord(WireReader& reader, matrix::EncodedEvent& records);

// Calls deliver(eventIndex, records) for each record of a message, decoding
// them one after another into the same scratch records.
template <typename Deliver>
void DecodeRecords(std::span<const char> bytes, matrix::EncodedEvent& scratch, Deliver&& deliver) {
    WireReader reader(bytes);
    const auto count = reader.Get<std::int32_t>();
    for (std::int32_t i = 0; i < count; ++i) deliver(DecodeRecord(reader, scratch), scratch);
    if (!reader.AtEnd()) throw WireError("a records message holds more than its records");
}

}  // namespace cluster
