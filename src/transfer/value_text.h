#pragma once
// The text a field value becomes in an INSERT statement, before the writer quotes it or not.
#include <string>
#include <vector>

#include "common/sql_literal.h"
#include "platform/value.h"

namespace tess {

// Null gives the empty text; booleans "True"/"False"; numbers plain, floating point in the shortest
// form that reads back as the same value; exact decimals digit for digit; date-times as
// "MM/DD/YYYY HH:MM:SS[.ffff]", the date alone at midnight and the time alone on the zero date.
std::string ValueText(const Value& value);

// "MM/DD/YYYY", "MM/DD/YYYY HH:MM:SS" with fractions of a second when there are any (to 1/10000 s).
std::string DateTimeText(const DateTime& t, bool withTime);
std::string TimeOfDayText(const DateTime& t);

std::string HexDigits(const Bytes& bytes);

}  // namespace tess
