#pragma once
// One DROP of a listed table, and when the database refuses it, what the refusal means for the
// list: a table that no longer exists leaves the list, since the list would otherwise be wrong; a
// table that is still there keeps its entry; a view is named as the cause.
#include <functional>
#include <string>

#include "catalogue/table_presence.h"

namespace tess {

class Connection;

// Sets `entryGoes` when no such table is left (dropped now, or gone before). A refusal is thrown
// on with the database's own words, followed by the cause where the catalogue names one.
void DropListedTable(Connection& connection, const std::string& statement, const std::string& entry,
                     const std::function<CatalogueEntry()>& lookUp, bool& entryGoes);

}  // namespace tess
