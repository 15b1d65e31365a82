#pragma once
#include <cstdint>
#include <optional>
#include <string>

namespace tess {

// The ADO DataTypeEnum member name of a type number; nothing for a number without a member.
std::optional<std::string> AdoTypeName(std::int16_t type);
// The name lower-cased, the empty text for a number without a member: what both column mappings
// search for their type words.
std::string LowerAdoTypeName(int type);

}  // namespace tess
