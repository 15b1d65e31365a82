#include "platform/database.h"

namespace tess {

const Value& Recordset::value(const std::string& fieldName) const {
    for (int i = 0; i < fieldCount(); ++i)
        if (field(i).name == fieldName) return value(i);
    throw DatabaseError("Item cannot be found in the collection corresponding to the requested name: " + fieldName);
}

void Connection::rollbackTransaction() { throw DatabaseError("This connection cannot roll a transaction back."); }

std::unique_ptr<Recordset> Connection::openCatalogue(int, const std::string&, const std::string&) {
    throw DatabaseError("This connection has no catalogue calls.");
}

long long Connection::countRows(const std::string& query) {
    try {
        auto rows = openRecordset("SELECT COUNT(*) FROM (" + query + ") tessaline_count");
        long long count = -1;
        if (!rows->eof())
            if (const auto* n = std::get_if<std::int64_t>(&rows->value(0))) count = *n;
        rows->close();
        return count;
    } catch (const DatabaseError&) {
        return -1;  // the rows are still read to their end
    }
}

std::unique_ptr<Recordset> Connection::openRecordsetWith(const std::string&, const std::vector<Value>&) {
    throw DatabaseError("This connection cannot open a query with parameters.");
}

std::unique_ptr<PreparedStatement> Connection::prepare(const std::string&) {
    throw DatabaseError("This connection cannot prepare statements.");
}

}  // namespace tess
