// Contamination events: the record classes and the event-set generator.
//
// Events are generated one after another, in event order, as a build needs
// them, so that a set of millions of events never has to be held at once.
// The draws come from one uniform source in a fixed order (per injection:
// node first, then time), so the same seed gives the same set.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "builder/run_parameters.h"
#include "network/netload.h"

namespace builder {

// One injection of contaminant at one node.
struct Injection {
    std::int32_t startStep = 0;  // in quality steps from the simulation start
    std::int32_t node = 0;       // toolkit node index
    std::string nodeId;
    float massRate = 0.0f;       // mass inflow, mg/min
    std::int32_t hours = 0;      // duration
};

// One contamination event: its injections, in the order they were drawn.
struct Event {
    std::vector<Injection> injections;
};

// A uniform pseudo-random source on [0, 1).
using UniformSource = std::function<double()>;

// A uniform source seeded with the given value (the same seed gives the same draws).
UniformSource SeededUniformSource(std::uint64_t seed);

// A seed taken from the clock.
std::uint64_t ClockSeed();

// The number of quality steps in one day, (3600 / QualStep) x 24; start
// steps run from 0 to at most this minus 1.
double StepsPerDay(std::int32_t qualStep);

// The exact number of events the parameters give on the network.
std::int64_t EventCount(const network::Network& net, const RunParameters& parameters);

// Hands out the events of a set in event order.
class EventGenerator {
public:
    // The network and parameters must outlive the generator.
    EventGenerator(const network::Network& net, const RunParameters& parameters, UniformSource random);

    // Number of events the set holds.
    std::int64_t Count() const { return count_; }
    // Event number of the event Next() gives, from 1.
    std::int64_t NextNumber() const { return made_ + 1; }
    // Fills event with the next event of the set; false after the last.
    bool Next(Event& event);

private:
    Injection InjectionAt(std::int32_t node, std::int32_t step) const;

    const network::Network& net_;
    const RunParameters& parameters_;
    UniformSource random_;
    double stepsPerDay_;
    std::int64_t count_;
    std::int64_t made_ = 0;
};

// The whole set at once, for small sets and tests.
std::vector<Event> GenerateEvents(const network::Network& net, const RunParameters& parameters,
                                  UniformSource random);

}  // namespace builder
