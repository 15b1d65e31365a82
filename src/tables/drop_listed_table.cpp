#include "tables/drop_listed_table.h"

#include "platform/database.h"

namespace tess {

void DropListedTable(Connection& connection, const std::string& statement, const std::string& entry,
                     const std::function<CatalogueEntry()>& lookUp, bool& entryGoes) {
    entryGoes = false;
    try {
        connection.execute(statement);
        entryGoes = true;
    } catch (const DatabaseError& refusal) {
        const CatalogueEntry found = lookUp();
        entryGoes = found == CatalogueEntry::kMissing;
        if (found == CatalogueEntry::kView)
            throw DatabaseError(std::string(refusal.what()) + "\r\n" + entry +
                                    " is a view: Delete Table/s drops tables, not views.",
                                refusal.connectionLost());
        throw;
    }
}

}  // namespace tess
