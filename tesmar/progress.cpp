#include "tesmar/progress.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ostream>

#include "base/number_text.h"

namespace tesmar {

namespace {

std::string TwoDigits(long value) {
    char text[24];
    std::snprintf(text, sizeof text, "%02ld", value);
    return text;
}

std::string Rate(double eventsPerSecond) {
    return base::FixedText(eventsPerSecond, eventsPerSecond < 10 ? 2 : 1);
}

}  // namespace

std::string FormatDuration(double seconds) {
    const long s = std::lround(std::max(0.0, seconds));
    if (s < 60) return std::to_string(s) + " s";
    if (s < 3600) return std::to_string(s / 60) + " min " + TwoDigits(s % 60) + " s";
    return std::to_string(s / 3600) + " h " + TwoDigits(s / 60 % 60) + " min";
}

std::string ProgressText(const builder::BuildProgress& p) {
    std::string text = std::to_string(p.done) + "/" + std::to_string(p.total) + " events";
    if (p.total > 0) text += " (" + std::to_string(static_cast<long long>(p.done) * 100 / p.total) + "%)";
    if (p.done <= 0 || p.eventsPerSecond <= 0) return text;
    return text + ", " + Rate(p.eventsPerSecond) + " events/s, " + FormatDuration(p.remainingSeconds) + " remaining";
}

ProgressReporter::ProgressReporter(std::ostream& err, bool live) : err_(err), live_(live) {}

void ProgressReporter::Update(const builder::BuildProgress& progress) {
    if (progress.done <= last_.done && lastStep_ >= 0) return;
    last_ = progress;
    if (progress.done == 0) return;
    if (live_) {
        Tick();
        return;
    }
    const int step = progress.total > 0 ? static_cast<int>(static_cast<long long>(progress.done) * 20 / progress.total) : 20;
    if (lastStep_ < 0 || step > lastStep_) {
        lastStep_ = step;
        err_ << "tesmar: " << ProgressText(progress) << std::endl;
    }
}

void ProgressReporter::Tick() {
    if (live_ && last_.done > 0 && Clock::now() - lastDraw_ >= std::chrono::milliseconds(200)) Draw();
}

void ProgressReporter::Draw() {
    lastDraw_ = Clock::now();
    // Carriage return, the text, then erase whatever the last line left.
    err_ << "\r" << ProgressText(last_) << "\x1b[K" << std::flush;
    drawn_ = true;
}

void ProgressReporter::Finish() {
    if (live_ && last_.done > 0) Draw();  // the last count, whatever the redraw pace
    if (drawn_) err_ << "\n" << std::flush;
    drawn_ = false;
}

bool ErrorStreamIsTerminal() {
    if (!::isatty(STDERR_FILENO)) return false;
    const char* term = std::getenv("TERM");
    return term == nullptr || std::strcmp(term, "dumb") != 0;
}

}  // namespace tesmar
