#pragma once
// What ADO reported for Firebird columns over the Firebird ODBC driver, and the values in the kinds
// the row writers know.
#include <firebird/Interface.h>

#include <memory>
#include <string>

#include "common/code_page.h"
#include "common/legacy_text.h"
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
    // The code page its text that is not UTF-8 reads in, decided from all of that text before the
    // first row; null where there was none.
    std::shared_ptr<const CodePage> decided;
    bool guessed = false;  // a value was read in `decided`, which nobody named
    bool raw = false;      // the bytes handed over as they are, for the reading of a column's text
};

// The refusal of a NONE column's text that cannot be read without its code page: it ends the table,
// naming the readings that remain with one of the column's values as each reads it. `mixed`: the
// column holds UTF-8 that reads as text in the likeliest code page too.
FirebirdError NoneTextRefused(const NoneGuess& guess, const LegacyTextDecision& readings, bool mixed);

// Every kind but blobs, which need a round trip of their own.
// `noneText`: the code page of text in NONE columns; null: guessed as FirebirdText says.
Value DecodeFirebirdValue(Firebird::IUtil* util, const FirebirdColumnShape& shape, const unsigned char* data,
                          const CodePage* noneText = nullptr, NoneGuess* guess = nullptr);
// Text as the UTF8 connection hands it over, as UTF-8. The engine converts every column but those
// of character set NONE, which hold bytes: we write UTF-8 there, programs on Windows wrote their
// code page. With the code page named (`noneText`) the bytes are read in it. Without, UTF-8 is
// read as UTF-8, and other bytes in the code page decided for the column (`guess->decided`); bytes
// of a column with no code page decided throw a FirebirdError that ends the table and names the
// column and the option, rather than write the text garbled.
std::string FirebirdText(std::string bytes, unsigned charSet, const CodePage* noneText = nullptr,
                         NoneGuess* guess = nullptr);
// 123456 with scale -4 is "12.3456".
std::string ScaledIntegerText(long long value, int scale);

}  // namespace tess
