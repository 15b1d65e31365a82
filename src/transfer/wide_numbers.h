#pragma once
// How large the values of a SQL Server table's widest exact numbers are, read before the table is
// copied, so that a Firebird target of fewer digits can take them without refusing or rounding.
#include <map>
#include <string>

namespace tess {

class Connection;

// The NUMERIC, DECIMAL and MONEY columns of more than `digits` digits (and BIGINT ones too when
// `withBigint`), each with the whole digits of its largest value (0 when it holds none). Empty when
// the catalogue cannot say: a failure here is no failure of the copy.
std::map<std::string, int> MeasureWideNumbers(Connection& sqlServer, const std::string& schema,
                                              const std::string& table, const std::string& quotedTable, int digits,
                                              bool withBigint = false);

// The digits before the point of a plain decimal text ("-123.45" has 3, "0.5" none).
int WholeDigits(const std::string& plainDecimal);

}  // namespace tess
