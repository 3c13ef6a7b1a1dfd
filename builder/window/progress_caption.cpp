#include "builder/window/progress_caption.h"

#include <cmath>

#include "base/number_text.h"

namespace builder::window {

float RemainingMinutes(double elapsedSeconds, std::int32_t eventIndex, std::int32_t total) {
    auto elapsed = static_cast<float>(elapsedSeconds);
    auto perEvent = static_cast<float>(static_cast<double>(elapsed) / eventIndex);
    auto remaining = static_cast<float>(static_cast<double>(perEvent) * (total - eventIndex) / 60);
    // Shown with at most two decimals, and the caption holds the shown value.
    return static_cast<float>(std::round(static_cast<double>(remaining) * 100) / 100);
}

std::string ProgressCaption(std::int32_t eventIndex, std::int32_t total, float remainingMinutes) {
    const std::string minutes = base::TrimmedFixedText(static_cast<double>(remainingMinutes), 2);
    return std::to_string(eventIndex) + "/" + std::to_string(total) + " - " + minutes + " minutes remaining";
}

std::string ProgressCaption(const BuildProgress& progress) {
    const float remaining =
        progress.done > 0 ? RemainingMinutes(std::floor(progress.elapsedSeconds), progress.done, progress.total) : 0.0f;
    return ProgressCaption(progress.done, progress.total, remaining);
}

}  // namespace builder::window
