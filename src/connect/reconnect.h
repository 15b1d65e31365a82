#pragma once
// A run over many tables outlives a connection lost between them: it connects again, after waits
// that grow, before it gives the remaining tables up. The companion and the windows alike.
#include <chrono>
#include <functional>
#include <string>

namespace tess {

// How often and after what waits a lost connection is made again.
inline constexpr std::chrono::seconds kReconnectWaits[] = {std::chrono::seconds(1), std::chrono::seconds(2),
                                                          std::chrono::seconds(4)};
// A try's own limit, so that a server cut off without a word does not hold a try for minutes.
inline constexpr int kReconnectTimeout = 15;

class StopRequest;

// Spends a wait in short ticks, running `meanwhile` at each (a window's pending events); false as
// soon as a stop is asked for.
bool PassUnlessStopped(std::chrono::seconds wait, const StopRequest* stop, const std::function<void()>& meanwhile = {});

// Tries `connect` after each wait in turn. `pass` spends the wait, told the try's number from 1 and
// how many there are, and returns false to try no more (a stop). True once `connect` returned;
// else `why` holds the last failure's words.
bool ConnectAgain(const std::function<bool(std::chrono::seconds wait, int attempt, int attempts)>& pass,
                  const std::function<void()>& connect, std::string& why);

}  // namespace tess
