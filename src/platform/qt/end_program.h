#pragma once
#include <QApplication>

#include "common/operation_guard.h"
#include "common/stop_request.h"

namespace tess {

// Closing either window ends the program. An operation that is processing pending events is asked
// to stop: it commits the rows it wrote and returns, and the event loop then ends, so that nothing
// written is lost to the closing.
inline void EndProgram(const OperationGuard& guard, StopRequest& stop) {
    if (guard.busy()) stop.request();
    QApplication::quit();
}

}  // namespace tess
