#pragma once
#include <string>
#include <vector>

#include "platform/value.h"

namespace tess {

// A statement text, and the values of its "?" markers in order. Values too long for a literal
// travel as parameters; every other value stands in the text.
struct Statement {
    std::string text;
    std::vector<Value> parameters;
};

}  // namespace tess
