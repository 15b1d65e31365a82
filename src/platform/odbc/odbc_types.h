#pragma once
// What ADO reports for a column over an ODBC driver, from what ODBC describes.
#include "platform/database.h"

namespace tess {

// SQL Server's own type codes that drivers report beside the standard ones.
enum SqlServerOdbcTypes { kSqlSsVariant = -150, kSqlSsXml = -152, kSqlSsTime2 = -154, kSqlSsTimestampOffset = -155 };

FieldInfo AdoFieldFromOdbc(const std::string& name, int sqlType, unsigned long long columnSize, int decimalDigits);

// Decimal text as drivers give it ("12.5", ".5", "-.5") made plain, with every digit of the scale.
std::string NormaliseDecimal(const std::string& text, int scale);

}  // namespace tess
