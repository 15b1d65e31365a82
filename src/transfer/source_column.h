#pragma once
// One column of a source result set, as both column mappings read it.
#include "platform/database.h"

namespace tess {

using SourceColumn = FieldInfo;

}  // namespace tess
