#pragma once
// A failure in words, the same in the window's box and the companion's line: the driver's own
// words first, then what the failure did, then what became of the table.
#include <string>

#include "transfer/copy_failure.h"

namespace tess {

std::string FailureText(const CopyFailure& failure);

}  // namespace tess
