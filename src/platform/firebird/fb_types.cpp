#include "platform/firebird/fb_types.h"


#include <ibase.h>

#include <algorithm>
#include <cstring>

#include "common/text_codec.h"
#include "platform/firebird/fb_error.h"

namespace tess {

namespace {

constexpr long long kLongSize = 2147483647;

bool IsExactNumeric(const FirebirdColumnShape& s) {
    return (s.type == SQL_SHORT || s.type == SQL_LONG || s.type == SQL_INT64) && (s.scale != 0 || s.subType != 0);
}

int DefaultPrecision(unsigned type) { return type == SQL_SHORT ? 4 : type == SQL_LONG ? 9 : 18; }

template <class T>
T Read(const unsigned char* data) {
    T v;
    std::memcpy(&v, data, sizeof v);
    return v;
}

}  // namespace

std::string FirebirdText(std::string bytes, unsigned charSet, const CodePage* noneText, NoneGuess* guess) {
    if (charSet != kCsNone) return bytes;
    if (noneText) return noneText->toUtf8(bytes);
    if (guess && guess->raw) return bytes;
    if (IsAscii(bytes)) return bytes;
    if (IsValidUtf8(bytes)) return bytes;  // what this program itself writes into NONE columns
    if (!guess || !guess->decided) throw NoneTextRefused(guess ? *guess : NoneGuess{}, {}, false);
    guess->guessed = true;
    return guess->decided->toUtf8(bytes);
}

namespace {

std::string Readings(const LegacyTextDecision& readings) {
    std::string out;
    for (size_t i = 0; i < readings.candidates.size(); ++i) {
        const TextReading& r = readings.candidates[i];
        out += i == 0 ? "" : i + 1 == readings.candidates.size() ? " or " : ", ";
        for (size_t p = 0; p < r.codePages.size() && p < 2; ++p) out += (p ? "/" : "") + r.codePages[p];
        out += " (\"" + r.example + "\")";
    }
    return out;
}

}  // namespace

FirebirdError NoneTextRefused(const NoneGuess& guess, const LegacyTextDecision& readings, bool mixed) {
    DatabaseError::Details details;
    details.endsTable = true;
    const std::string column = !guess.column.empty() ? "column " + guess.column : "a column";
    const std::string which =
        readings.candidates.empty()
            ? "whose code page could not be told from it"
            : std::string(readings.sure ? "that reads as " : "that reads as any of ") + Readings(readings) +
                  (mixed ? ", beside UTF-8 that reads as text in it too" : "");
    const std::string page = readings.candidates.empty() ? "" : " " + readings.candidates.front().codePages.front();
    return FirebirdError(column + " of character set NONE holds text of no code page named, " + which +
                             ", which is not copied garbled: name its code page with --fb-none-code-page" + page +
                             " (in the windows, the setting \"FireBird NONE Code Page\").",
                         details);
}

std::string ScaledIntegerText(long long value, int scale) {
    const bool negative = value < 0;
    // Through unsigned so that the most negative BIGINT keeps its digits.
    unsigned long long magnitude = negative ? 0ULL - static_cast<unsigned long long>(value)
                                            : static_cast<unsigned long long>(value);
    std::string digits = std::to_string(magnitude);
    if (scale < 0) {
        const size_t places = static_cast<size_t>(-scale);
        if (digits.size() <= places) digits.insert(0, places - digits.size() + 1, '0');
        digits.insert(digits.size() - places, 1, '.');
    } else if (scale > 0) {
        digits.append(static_cast<size_t>(scale), '0');
    }
    return negative ? "-" + digits : digits;
}

FieldInfo AdoFieldFromFirebird(const std::string& name, const FirebirdColumnShape& s) {
    FieldInfo f;
    f.name = name;
    f.precision = 255;
    f.definedSize = s.length;
    if (IsExactNumeric(s)) {
        f.type = s.subType == 2 ? 14 : 131;
        f.precision = s.declaredPrecision > 0 ? s.declaredPrecision : DefaultPrecision(s.type);
        f.numericScale = -s.scale;
        return f;
    }
    const bool wide = s.charSet == kCsUtf8 || s.charSet == kCsUnicodeFss;
    switch (s.type) {
        case SQL_SHORT: f.type = 2, f.precision = 5; break;
        case SQL_LONG: f.type = 3, f.precision = 10; break;
        case SQL_INT64: f.type = 20, f.precision = 19; break;
        case SQL_FLOAT: f.type = 4, f.precision = 7; break;
        case SQL_DOUBLE:
        case SQL_D_FLOAT: f.type = 5, f.precision = 15; break;
        case SQL_TEXT:
            f.type = s.charSet == kCsOctets ? 128 : wide ? 130 : 129;
            f.definedSize = s.length / (s.bytesPerCharacter ? s.bytesPerCharacter : 1);
            break;
        case SQL_VARYING:
            f.type = s.charSet == kCsOctets ? 204 : wide ? 202 : 200;
            f.definedSize = s.length / (s.bytesPerCharacter ? s.bytesPerCharacter : 1);
            break;
        case SQL_BLOB:
            f.type = s.subType != isc_blob_text ? 205 : wide ? 203 : 201;
            f.definedSize = kLongSize;
            break;
        case SQL_TYPE_DATE: f.type = 133, f.definedSize = 6; break;
        case SQL_TYPE_TIME: f.type = 134, f.definedSize = 6; break;
        case SQL_TIMESTAMP: f.type = 135, f.definedSize = 16, f.numericScale = 4; break;
        case SQL_BOOLEAN: f.type = 11, f.definedSize = 2; break;
        case SQL_ARRAY: f.type = 203, f.definedSize = kLongSize; break;  // carried as its text
        case SQL_NULL: f.type = 200; break;  // a bare NULL in a query: always null
        default:
            throw FirebirdError("The column " + name + " is of Firebird type " + std::to_string(s.type) +
                                ", which this program cannot read.");
    }
    return f;
}

Value DecodeFirebirdValue(Firebird::IUtil* util, const FirebirdColumnShape& s, const unsigned char* data,
                          const CodePage* noneText, NoneGuess* guess) {
    if (IsExactNumeric(s)) {
        long long n = s.type == SQL_SHORT ? Read<ISC_SHORT>(data) : s.type == SQL_LONG ? Read<ISC_LONG>(data)
                                                                                        : Read<ISC_INT64>(data);
        return Decimal{ScaledIntegerText(n, s.scale)};
    }
    auto date = [&](ISC_DATE d, DateTime& t) {
        unsigned y = 0, m = 0, day = 0;
        util->decodeDate(d, &y, &m, &day);
        t.year = static_cast<int>(y), t.month = static_cast<int>(m), t.day = static_cast<int>(day);
    };
    auto time = [&](ISC_TIME tm, DateTime& t) {
        unsigned h = 0, mi = 0, sec = 0, fractions = 0;  // fractions of 1/10000 s
        util->decodeTime(tm, &h, &mi, &sec, &fractions);
        t.hour = static_cast<int>(h), t.minute = static_cast<int>(mi), t.second = static_cast<int>(sec);
        t.nanos = fractions * 100000u;
    };
    switch (s.type) {
        case SQL_SHORT: return std::int64_t{Read<ISC_SHORT>(data)};
        case SQL_LONG: return std::int64_t{Read<ISC_LONG>(data)};
        case SQL_INT64: return std::int64_t{Read<ISC_INT64>(data)};
        case SQL_FLOAT: return Floating{Read<float>(data), true};
        case SQL_DOUBLE:
        case SQL_D_FLOAT: return Floating{Read<double>(data), false};
        case SQL_BOOLEAN: return data[0] != 0;
        case SQL_TYPE_DATE: {
            DateTime t;
            date(Read<ISC_DATE>(data), t);
            return t;
        }
        case SQL_TYPE_TIME: {
            DateTime t;
            time(Read<ISC_TIME>(data), t);
            return t;
        }
        case SQL_TIMESTAMP: {
            DateTime t;
            auto stamp = Read<ISC_TIMESTAMP>(data);
            date(stamp.timestamp_date, t);
            time(stamp.timestamp_time, t);
            return t;
        }
        case SQL_TEXT: {
            std::string text(reinterpret_cast<const char*>(data), s.length);
            if (s.charSet == kCsOctets) return Bytes(text.begin(), text.end());
            if (s.bytesPerCharacter > 1) text = std::string(FirstCharacters(text, s.length / s.bytesPerCharacter));
            return FirebirdText(std::move(text), s.charSet, noneText, guess);
        }
        case SQL_VARYING: {
            auto length = Read<unsigned short>(data);
            std::string text(reinterpret_cast<const char*>(data + 2), length);
            if (s.charSet == kCsOctets) return Bytes(text.begin(), text.end());
            return FirebirdText(std::move(text), s.charSet, noneText, guess);
        }
        default: return Null{};  // SQL_NULL; AdoFieldFromFirebird refuses every other type
    }
}

}  // namespace tess
