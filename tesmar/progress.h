// Build progress on the error stream: a live line redrawn in place on a
// terminal, or a plain line now and then when the stream is a file or pipe.
#pragma once

#include <chrono>
#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>

namespace tesmar {

// Events done in a driver caption "k/N - m minutes remaining": k itself
// when the caption counts written events, k - 1 when it names the event
// about to start. Nothing when the caption has no count.
std::optional<std::int32_t> CaptionEventsDone(const std::string& caption, bool namesNextEvent);

// A span of seconds for people: "45 s", "3 min 05 s", "2 h 07 min".
std::string FormatDuration(double seconds);

// "120/3000 events (4%), 12.5 events/s, 3 min 50 s remaining".
std::string ProgressText(std::int32_t done, std::int32_t total, double elapsedSeconds);

class ProgressReporter {
public:
    using Clock = std::chrono::steady_clock;

    ProgressReporter(std::ostream& err, std::int32_t total, bool live);

    // Reports done events (the first call starts the clock of the rate and
    // time estimates: it comes once the baseline has run); a plain line is written for the first event and
    // then each time another 5 percent are done.
    void Update(std::int32_t done);
    // Redraws the live line, at most five times a second.
    void Tick();
    // Ends the live line so later messages start on a line of their own.
    void Finish();
    std::int32_t Done() const { return done_; }

private:
    void Draw();

    std::ostream& err_;
    std::int32_t total_;
    bool live_;
    std::int32_t done_ = 0;
    int lastStep_ = -1;  // last 5-percent step reported by a plain line
    bool drawn_ = false;
    bool started_ = false;
    Clock::time_point start_ = Clock::now();
    Clock::time_point lastDraw_{};
};

// Whether the progress line should be live: the error stream is a terminal
// that can redraw a line.
bool ErrorStreamIsTerminal();

}  // namespace tesmar
