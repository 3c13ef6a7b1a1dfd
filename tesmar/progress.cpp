#include "tesmar/progress.h"

#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ostream>

namespace tesmar {

namespace {

std::string TwoDigits(long value) {
    char text[24];
    std::snprintf(text, sizeof text, "%02ld", value);
    return text;
}

std::string Rate(double eventsPerSecond) {
    char text[32];
    std::snprintf(text, sizeof text, eventsPerSecond < 10 ? "%.2f" : "%.1f", eventsPerSecond);
    return text;
}

}  // namespace

std::optional<std::int32_t> CaptionEventsDone(const std::string& caption, bool namesNextEvent) {
    std::int32_t k = 0;
    const auto result = std::from_chars(caption.data(), caption.data() + caption.size(), k);
    if (result.ec != std::errc() || result.ptr == caption.data() + caption.size() || *result.ptr != '/')
        return std::nullopt;
    if (namesNextEvent) --k;
    return k < 0 ? 0 : k;
}

std::string FormatDuration(double seconds) {
    const long s = std::lround(std::max(0.0, seconds));
    if (s < 60) return std::to_string(s) + " s";
    if (s < 3600) return std::to_string(s / 60) + " min " + TwoDigits(s % 60) + " s";
    return std::to_string(s / 3600) + " h " + TwoDigits(s / 60 % 60) + " min";
}

std::string ProgressText(std::int32_t done, std::int32_t total, double elapsedSeconds) {
    std::string text = std::to_string(done) + "/" + std::to_string(total) + " events";
    if (total > 0) text += " (" + std::to_string(static_cast<long long>(done) * 100 / total) + "%)";
    if (done <= 0 || elapsedSeconds <= 0) return text;
    const double rate = done / elapsedSeconds;
    return text + ", " + Rate(rate) + " events/s, " + FormatDuration((total - done) / rate) + " remaining";
}

ProgressReporter::ProgressReporter(std::ostream& err, std::int32_t total, bool live)
    : err_(err), total_(total), live_(live) {}

void ProgressReporter::Update(std::int32_t done) {
    if (!started_) {
        started_ = true;
        start_ = Clock::now();
    }
    if (done <= done_) return;
    done_ = done;
    if (live_) {
        Tick();
        return;
    }
    const int step = total_ > 0 ? static_cast<int>(static_cast<long long>(done) * 20 / total_) : 20;
    if (lastStep_ < 0 || step > lastStep_) {
        lastStep_ = step;
        const double elapsed = std::chrono::duration<double>(Clock::now() - start_).count();
        err_ << "tesmar: " << ProgressText(done_, total_, elapsed) << std::endl;
    }
}

void ProgressReporter::Tick() {
    if (live_ && done_ > 0 && Clock::now() - lastDraw_ >= std::chrono::milliseconds(200)) Draw();
}

void ProgressReporter::Draw() {
    lastDraw_ = Clock::now();
    const double elapsed = std::chrono::duration<double>(lastDraw_ - start_).count();
    // Carriage return, the text, then erase whatever the last line left.
    err_ << "\r" << ProgressText(done_, total_, elapsed) << "\x1b[K" << std::flush;
    drawn_ = true;
}

void ProgressReporter::Finish() {
    if (live_ && done_ > 0) Draw();  // the last count, whatever the redraw pace
    if (drawn_) err_ << "\n" << std::flush;
    drawn_ = false;
}

bool ErrorStreamIsTerminal() {
    if (!::isatty(STDERR_FILENO)) return false;
    const char* term = std::getenv("TERM");
    return term == nullptr || std::strcmp(term, "dumb") != 0;
}

}  // namespace tesmar
