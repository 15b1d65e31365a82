#include "platform/odbc/odbc_types.h"

#include <sql.h>
#include <sqlext.h>
#include <sqlucode.h>

#include <climits>

namespace tess {
namespace {

constexpr long long kLongSize = 2147483647;
constexpr long long kLongWideSize = 1073741823;

int AdoType(int sqlType) {
    switch (sqlType) {
        case SQL_BIT: return 11;
        case SQL_TINYINT: return 17;
        case SQL_SMALLINT: return 2;
        case SQL_INTEGER: return 3;
        case SQL_BIGINT: return 20;
        case SQL_DECIMAL:
        case SQL_NUMERIC: return 131;
        case SQL_REAL: return 4;
        case SQL_FLOAT:
        case SQL_DOUBLE: return 5;
        case SQL_CHAR: return 129;
        case SQL_VARCHAR: return 200;
        case SQL_LONGVARCHAR: return 201;
        case SQL_WCHAR: return 130;
        case SQL_WVARCHAR: return 202;
        case SQL_WLONGVARCHAR:
        case kSqlSsXml: return 203;
        case SQL_BINARY: return 128;
        case SQL_VARBINARY: return 204;
        case SQL_LONGVARBINARY: return 205;
        case SQL_TYPE_DATE:
        case SQL_DATE: return 133;
        case SQL_TYPE_TIME:
        case SQL_TIME:
        case kSqlSsTime2: return 134;
        case SQL_TYPE_TIMESTAMP:
        case SQL_TIMESTAMP: return 135;
        case SQL_GUID: return 72;
        case kSqlSsTimestampOffset: return 202;  // read as its text
        default: return 202;
    }
}

}  // namespace

// Decimal text as drivers give it ("12.5", ".5", "-.5") made plain, with every digit of the scale.
std::string NormaliseDecimal(const std::string& text, int scale) {
    if (text.empty()) return text;
    bool negative = text[0] == '-';
    std::string digits = negative ? text.substr(1) : text;
    if (!digits.empty() && digits[0] == '.') digits.insert(digits.begin(), '0');
    if (digits.find_first_of("eE") != std::string::npos) return text;  // leave exponent forms alone
    size_t point = digits.find('.');
    size_t have = point == std::string::npos ? 0 : digits.size() - point - 1;
    if (scale > 0 && have < static_cast<size_t>(scale)) {
        if (point == std::string::npos) digits += '.';
        digits.append(scale - have, '0');
    }
    return negative ? "-" + digits : digits;
}

FieldInfo AdoFieldFromOdbc(const std::string& name, int sqlType, unsigned long long columnSize, int decimalDigits) {
    FieldInfo f;
    f.name = name;
    f.type = AdoType(sqlType);
    f.definedSize = columnSize > static_cast<unsigned long long>(kLongSize) ? kLongSize
                                                                            : static_cast<long long>(columnSize);
    // A (max) column comes back with size 0: it is the long type of its family.
    if (f.definedSize == 0 || f.type == 201 || f.type == 203 || f.type == 205) {
        if (f.type == 129 || f.type == 200 || f.type == 201) f.type = 201, f.definedSize = kLongSize;
        else if (f.type == 130 || f.type == 202 || f.type == 203) f.type = 203, f.definedSize = kLongWideSize;
        else if (f.type == 128 || f.type == 204 || f.type == 205) f.type = 205, f.definedSize = kLongSize;
    }
    switch (f.type) {
        case 131:
            f.precision = static_cast<int>(columnSize);
            f.numericScale = decimalDigits;
            break;
        case 17: f.precision = 3, f.definedSize = 1; break;
        case 2: f.precision = 5, f.definedSize = 2; break;
        case 3: f.precision = 10, f.definedSize = 4; break;
        case 20: f.precision = 19, f.definedSize = 8; break;
        case 4: f.precision = 7, f.definedSize = 4; break;
        case 5: f.precision = 15, f.definedSize = 8; break;
        case 11: f.precision = 255, f.definedSize = 2; break;
        case 135: f.precision = 23, f.numericScale = decimalDigits, f.definedSize = 16; break;
        default: f.precision = 255; break;
    }
    return f;
}

}  // namespace tess
