#pragma once
// Both programs hold the passwords of both databases in memory: a core dump would write them to
// disk for anyone who reads it. Called first thing in main.
namespace tess {

// No core file, whatever the limits or the system's core handler say; false when the system
// refused (the program goes on).
bool ForbidCoreDumps() noexcept;

}  // namespace tess
