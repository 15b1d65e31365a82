#pragma once
// Whether a copy holds the structure that --keys carries: each key, index, foreign key, identity
// and NOT NULL of the source, with the same columns, whatever the target named it.
#include <string>
#include <vector>

#include "catalogue/table_structure.h"

namespace tess {

// What the target lacks, each in words ("primary key (ID)", "index (LAST_NAME, FIRST_NAME)");
// empty when it has all of it. A unique constraint and a unique index stand for each other: ODBC
// does not tell them apart.
std::vector<std::string> MissingStructure(const TableStructure& source, const TableStructure& target);

}  // namespace tess
