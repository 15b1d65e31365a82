#pragma once
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/value.h"

namespace tess {

// A statement text, and the values of its "?" markers in order. Values too long for a literal
// travel as parameters; every other value stands in the text.
struct Statement {
    std::string text;
    std::vector<Value> parameters;
};

// "INSERT INTO <quoted name> VALUES(?, ?, ...)" with one marker a column: the statement that the
// companion's --bulk prepares once a table, on either side.
inline std::string PreparedInsert(const std::string& quotedTableName, size_t columns) {
    std::string s;
    s.append("INSERT INTO ").append(quotedTableName).append(" VALUES(");
    for (size_t j = 0; j < columns; ++j) s.append(j ? ", ?" : "?");
    return s.append(")");
}

// A table that the target could not take as it stands (a name too long, say): reported once, and
// nothing of it is sent.
class TableRefused : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

}  // namespace tess
