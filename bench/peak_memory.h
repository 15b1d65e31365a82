#pragma once
// The process's peak resident memory so far, as the kernel counts it.
#include <sys/resource.h>

inline long PeakResidentKb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}
