#include "transfer/row_naming.h"

#include "common/sql_literal.h"
#include "common/text_case.h"
#include "transfer/value_text.h"

namespace tess {

RowNaming::RowNaming(const std::vector<std::string>& keyColumns, const std::vector<SourceColumn>& columns) {
    for (const auto& c : columns) columnNames_.push_back(c.name);
    for (const auto& name : keyColumns)
        for (size_t j = 0; j < columns.size(); ++j)
            if (LowerCase(columns[j].name) == LowerCase(name)) indices_.push_back(j);
    if (indices_.size() != keyColumns.size() || indices_.empty()) indices_.assign(columns.empty() ? 0 : 1, 0);
}

std::string RowNaming::name(const std::vector<Value>* values) const {
    if (!values) return "";
    std::string key;
    for (size_t j : indices_)
        if (j < values->size() && j < columnNames_.size())
            key += (key.empty() ? "" : ", ") + columnNames_[j] + " " +
                   (IsNull((*values)[j]) ? std::string("NULL") : QuotedLiteral(ValueText((*values)[j])));
    return key;
}

}  // namespace tess
