#pragma once
// What ADO reported for Firebird columns over the Firebird ODBC driver, and the values in the kinds
// the row writers know.
#include <firebird/Interface.h>

#include <string>

#include "platform/database.h"

namespace tess {

struct FirebirdColumnShape {
    unsigned type = 0;  // SQL_* of ibase.h, without the nullable bit
    int subType = 0;    // blobs: 1 text; exact numerics: 1 NUMERIC, 2 DECIMAL
    unsigned length = 0;  // bytes
    int scale = 0;        // negative for exact numerics with a fraction
    unsigned charSet = 0;
    unsigned bytesPerCharacter = 1;
    int declaredPrecision = 0;  // 0 when not known from the table's definition
};

enum FirebirdCharacterSets { kCsNone = 0, kCsOctets = 1, kCsUnicodeFss = 3, kCsUtf8 = 4 };

FieldInfo AdoFieldFromFirebird(const std::string& name, const FirebirdColumnShape& shape);
// Every kind but blobs, which need a round trip of their own.
Value DecodeFirebirdValue(Firebird::IUtil* util, const FirebirdColumnShape& shape, const unsigned char* data);
// 123456 with scale -4 is "12.3456".
std::string ScaledIntegerText(long long value, int scale);

}  // namespace tess
