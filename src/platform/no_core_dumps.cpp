#include "platform/no_core_dumps.h"

#include <sys/prctl.h>
#include <sys/resource.h>

namespace tess {

// The limit alone does not stop a core handler that the system pipes cores to; the dumpable flag
// does.
bool ForbidCoreDumps() noexcept {
    const rlimit none{0, 0};
    const bool limited = setrlimit(RLIMIT_CORE, &none) == 0;
    const bool undumpable = prctl(PR_SET_DUMPABLE, 0, 0, 0, 0) == 0;
    return limited && undumpable;
}

}  // namespace tess
