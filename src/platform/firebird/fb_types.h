#pragma once
// What ADO reported for Firebird columns over the Firebird ODBC driver, and the values in the kinds
// the row writers know.
#include <firebird/Interface.h>

#include <string>

#include "common/code_page.h"
#include "platform/database.h"
#include "platform/firebird/fb_error.h"

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

// Throws FirebirdError for a type it does not know: such a column is never read as empty.
FieldInfo AdoFieldFromFirebird(const std::string& name, const FirebirdColumnShape& shape);
// How one NONE column's text was read when nobody named its code page.
struct NoneGuess {
    std::string column;
    bool western = false;  // a value that is not UTF-8 was read as Windows-1252, by a guess
    bool raw = false;      // the bytes handed over as they are, for the sample of a column's text
};

// The refusal of a NONE column's text that cannot be read without its code page: it ends the table.
// `mixed`: the column holds text in UTF-8 too.
FirebirdError NoneTextRefused(const NoneGuess& guess, const std::string& likely, bool mixed);

// Every kind but blobs, which need a round trip of their own.
// `noneText`: the code page of text in NONE columns; null: guessed as FirebirdText says.
Value DecodeFirebirdValue(Firebird::IUtil* util, const FirebirdColumnShape& shape, const unsigned char* data,
                          const CodePage* noneText = nullptr, NoneGuess* guess = nullptr);
// Text as the UTF8 connection hands it over, as UTF-8. The engine converts every column but those
// of character set NONE, which hold bytes: we write UTF-8 there, programs on Windows wrote their
// code page. With the code page named (`noneText`) the bytes are read in it. Without, UTF-8 is
// read as UTF-8, and other bytes as Windows-1252 where they read as such text; bytes of another
// code page throw a FirebirdError that ends the table and names the column, the likely code page
// and the option, rather than write the text garbled.
std::string FirebirdText(std::string bytes, unsigned charSet, const CodePage* noneText = nullptr,
                         NoneGuess* guess = nullptr);
// 123456 with scale -4 is "12.3456".
std::string ScaledIntegerText(long long value, int scale);

}  // namespace tess
