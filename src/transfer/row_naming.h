#pragma once
// How a report names a row: by the source table's key values ("ID '5', CODE 'x'"), else by its
// first column, as the user would look the row up.
#include <string>
#include <vector>

#include "platform/value.h"
#include "transfer/source_column.h"

namespace tess {

class RowNaming {
public:
    RowNaming() = default;
    // The key's columns where each is among the columns (without regard to case); else the first.
    RowNaming(const std::vector<std::string>& keyColumns, const std::vector<SourceColumn>& columns);
    // "" for no values.
    std::string name(const std::vector<Value>* values) const;

private:
    std::vector<size_t> indices_;
    std::vector<std::string> columnNames_;
};

}  // namespace tess
