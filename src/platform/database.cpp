#include "platform/database.h"

namespace tess {

const Value& Recordset::value(const std::string& fieldName) const {
    for (int i = 0; i < fieldCount(); ++i)
        if (field(i).name == fieldName) return value(i);
    throw DatabaseError("Item cannot be found in the collection corresponding to the requested name: " + fieldName);
}

}  // namespace tess
