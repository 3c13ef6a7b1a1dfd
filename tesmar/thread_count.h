// The one rule for --threads, the same for every command that takes it.
#pragma once

#include <optional>

namespace tesmar {

// Most worker threads --threads accepts.
inline constexpr int kMaxThreads = 1024;

// Throws InputError unless the count, when given, is from 1 to kMaxThreads.
void RequireThreadCount(const std::optional<int>& threads);

}  // namespace tesmar
