// The progress text of the window's caption.
#pragma once

#include <cstdint>
#include <string>

#include "builder/build.h"

namespace builder::window {

// "k/N - m minutes remaining", m with at most two decimals and "." as separator.
std::string ProgressCaption(std::int32_t eventIndex, std::int32_t nEvents, float remainingMinutes);

// Remaining minutes estimated from the elapsed whole seconds, as the caption shows it.
float RemainingMinutes(double elapsedSeconds, std::int32_t eventIndex, std::int32_t nEvents);

// The caption for a build's progress: events written of the total, and the
// minutes the rest will take at the pace so far.
std::string ProgressCaption(const BuildProgress& progress);

}  // namespace builder::window
