#pragma once
// Reads a variable-length column in pieces through a caller's scratch buffer: a value can be far
// larger than any buffer, and a buffer made (and zeroed) per cell cost a fifth of a copy.
#include <sql.h>
#include <sqlext.h>

#include <algorithm>
#include <string>
#include <vector>

#include "common/text_codec.h"
#include "platform/odbc/odbc_error.h"

namespace tess {

// False when the value is NULL. Once the driver has said how much is left, the rest is read in one
// call straight into the result: some drivers (SQLite's) convert the whole remainder on every
// call, which made a value read in fixed pieces cost the square of its length.
// `out` is a string of characters or a vector of bytes: read into the value's own kind, never copied.
template <class Container>
bool ReadLong(SQLHSTMT stmt, SQLUSMALLINT column, SQLSMALLINT cType, std::vector<char>& scratch, Container& out) {
    using Unit = typename Container::value_type;
    const size_t terminator = cType == SQL_C_BINARY ? 0 : 1;
    out.clear();
    size_t left = 0;  // units the driver said are still to come; 0: unknown
    for (;;) {
        const size_t at = out.size();
        if (left > 0) out.resize(at + left + terminator);
        Unit* target = left > 0 ? out.data() + at : reinterpret_cast<Unit*>(scratch.data());
        const size_t capacity = left > 0 ? left + terminator : scratch.size() / sizeof(Unit);
        SQLLEN indicator = 0;
        SQLRETURN rc = SQLGetData(stmt, column, cType, target, static_cast<SQLLEN>(capacity * sizeof(Unit)), &indicator);
        if (rc == SQL_NO_DATA) return out.resize(at), true;
        CheckOdbc(rc, SQL_HANDLE_STMT, stmt, "SQLGetData");
        if (indicator == SQL_NULL_DATA) return false;
        size_t units = capacity - terminator;
        if (indicator != SQL_NO_TOTAL && static_cast<size_t>(indicator) / sizeof(Unit) < units)
            units = static_cast<size_t>(indicator) / sizeof(Unit);
        if (left > 0)
            out.resize(at + units);
        else
            out.insert(out.end(), target, target + units);
        if (rc == SQL_SUCCESS) return true;
        left = indicator == SQL_NO_TOTAL ? 0 : static_cast<size_t>(indicator) / sizeof(Unit) - units;
    }
}

// Text as UTF-8, read as UTF-16. Once the driver says how much is left, the rest comes in four
// quarters, each converted as it arrives: SQLite's driver converts the whole remainder again on
// every call, so fixed pieces made the cost grow with the square of the value, while quarters cost
// it three and a half conversions in all, and hold at most a quarter of the value in UTF-16 (half
// its UTF-8 size, for ASCII) beside its UTF-8. A high surrogate at a piece's end waits for its
// partner.
inline bool ReadLongText(SQLHSTMT stmt, SQLUSMALLINT column, std::vector<char>& scratch, std::string& out) {
    out.clear();
    std::u16string large;
    char16_t held = 0;  // a high surrogate whose partner comes in the next piece
    size_t quarter = 0;  // a quarter of what the driver first said was left; 0: not yet said
    for (;;) {
        const size_t room = std::max(scratch.size() / sizeof(char16_t), quarter + 2);
        if (room * sizeof(char16_t) > scratch.size()) large.resize(room);
        char16_t* buffer = room * sizeof(char16_t) > scratch.size() ? large.data()
                                                                   : reinterpret_cast<char16_t*>(scratch.data());
        buffer[0] = held;  // the piece is read after it
        SQLLEN indicator = 0;
        const SQLLEN bytes = static_cast<SQLLEN>((room - 1) * sizeof(char16_t));
        SQLRETURN rc = SQLGetData(stmt, column, SQL_C_WCHAR, buffer + 1, bytes, &indicator);
        if (rc == SQL_NO_DATA) break;
        CheckOdbc(rc, SQL_HANDLE_STMT, stmt, "SQLGetData");
        if (indicator == SQL_NULL_DATA) return false;
        size_t units = room - 2;  // less the held unit's place and the terminator
        if (indicator != SQL_NO_TOTAL && static_cast<size_t>(indicator) / sizeof(char16_t) < units)
            units = static_cast<size_t>(indicator) / sizeof(char16_t);
        const char16_t* from = held ? buffer : buffer + 1;
        size_t length = units + (held ? 1 : 0);
        held = rc != SQL_SUCCESS && units > 0 && (buffer[units] & 0xFC00) == 0xD800 ? buffer[units] : 0;
        AppendUtf16AsUtf8(out, from, length - (held ? 1 : 0));
        if (rc == SQL_SUCCESS) return true;
        if (quarter == 0 && indicator != SQL_NO_TOTAL) {
            const size_t left = static_cast<size_t>(indicator) / sizeof(char16_t) - units;
            quarter = (left + 3) / 4;
            out.reserve(out.size() + left);  // exact for ASCII; other text grows once or twice
        }
    }
    if (held) AppendUtf16AsUtf8(out, &held, 1);
    return true;
}

}  // namespace tess
