#pragma once
#include <QApplication>
#include <cstdlib>

#include "common/operation_guard.h"

namespace tess {

// Closing either window ends the program at once. An operation that is processing pending events
// would otherwise run on to its end after the window has gone; what it committed stays committed.
inline void EndProgram(const OperationGuard& guard) {
    if (guard.busy()) std::exit(0);
    QApplication::quit();
}

}  // namespace tess
