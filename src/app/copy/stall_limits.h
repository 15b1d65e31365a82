#pragma once
// What --stall-timeout makes of the companion's waits: the engine's watchdog limits, and how long a
// connection waits to be made. One place, so that a copy, a verify, a listing and the summary's
// counts keep to the same time-out.
#include <algorithm>
#include <chrono>

#include "app/copy/copy_options.h"
#include "connect/reconnect.h"
#include "transfer/table_copier.h"

namespace tess {

// The engine's limits but for the stall time-out, capped where the clock's nanoseconds would
// overflow (three years waits as long as "no end"; 0 is no stall time-out).
inline CopyWatchdog::Limits StallLimits(const CopyOptions& options) {
    const long long stall = std::min<long long>(options.stallTimeout, 100'000'000);
    return {std::chrono::seconds(stall), TableCopier::kDefaultLimits.grace};
}

// Seconds a connection waits to be made: no longer than the stall time-out, nor than a try to
// connect again does (15 s).
inline int ConnectingWithin(const CopyOptions& options) {
    return options.stallTimeout > 0 && options.stallTimeout < kReconnectTimeout ? static_cast<int>(options.stallTimeout)
                                                                                : kReconnectTimeout;
}

}  // namespace tess
