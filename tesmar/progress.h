// Build progress on the error stream: a live line redrawn in place on a
// terminal, or a plain line now and then when the stream is a file or pipe.
#pragma once

#include <chrono>
#include <cstdint>
#include <iosfwd>
#include <string>

#include "builder/build.h"

namespace tesmar {

// A span of seconds for people: "45 s", "3 min 05 s", "2 h 07 min".
std::string FormatDuration(double seconds);

// "120/3000 events (4%), 12.5 events/s, 3 min 50 s remaining".
std::string ProgressText(const builder::BuildProgress& progress);

class ProgressReporter {
public:
    using Clock = std::chrono::steady_clock;

    ProgressReporter(std::ostream& err, bool live);

    // Reports where the build stands; a plain line is written for the first
    // event and then each time another 5 percent are done.
    void Update(const builder::BuildProgress& progress);
    // Redraws the live line, at most five times a second.
    void Tick();
    // Ends the live line so later messages start on a line of their own.
    void Finish();
    std::int32_t Done() const { return last_.done; }

private:
    void Draw();

    std::ostream& err_;
    bool live_;
    builder::BuildProgress last_;
    int lastStep_ = -1;  // last 5-percent step reported by a plain line
    bool drawn_ = false;
    Clock::time_point lastDraw_{};
};

// Whether the progress line should be live: the error stream is a terminal
// that can redraw a line.
bool ErrorStreamIsTerminal();

}  // namespace tesmar
