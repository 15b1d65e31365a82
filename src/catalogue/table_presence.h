#pragma once
// What the tables catalogue lists under one name: asked when a statement on a listed table failed,
// to tell a table that is still there from one that is gone or that is a view.
#include <string>

namespace tess {

class Connection;

enum class CatalogueEntry { kTable, kView, kMissing, kUnknown };

// The entry named exactly `name` (in `schema`, when one is given); kUnknown when the catalogue
// cannot be read, which callers treat as "still there".
CatalogueEntry FindInCatalogue(Connection& connection, const std::string& name, const std::string& schema = {});

}  // namespace tess
