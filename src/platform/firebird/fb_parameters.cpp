#include "platform/firebird/fb_parameters.h"

#include <ibase.h>

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstring>
#include <string>
#include <string_view>

#include "platform/firebird/fb_error.h"
#include "platform/firebird/fb_inline_blobs.h"

namespace tess {

using namespace Firebird;

namespace {

constexpr size_t kSegmentBytes = kFirebirdLongestSegment;

// An integer column's marker: integers as themselves, in the column's range, as Firebird checks a
// literal; anything else as the plain integer text that a literal would be.
void WriteInteger(unsigned type, const Value& value, unsigned char* target) {
    long long n = 0;
    if (const auto* i = std::get_if<std::int64_t>(&value)) {
        n = *i;
    } else if (const auto* b = std::get_if<bool>(&value)) {
        n = *b ? 1 : 0;
    } else if (const auto* f = std::get_if<Floating>(&value);
               f && std::trunc(f->value) == f->value && std::fabs(f->value) < 9.2e18) {
        n = static_cast<long long>(f->value);
    } else if (const auto* text = std::get_if<std::string>(&value)) {
        const auto [end, error] = std::from_chars(text->data(), text->data() + text->size(), n);
        if (error != std::errc() || end != text->data() + text->size())
            throw RefusedValue(isc_convert_error, "conversion error from string \"" + *text + "\"");
    } else {
        throw FirebirdError("A value of this kind cannot be passed to an integer column.");
    }
    const long long low = type == SQL_SHORT ? -32768 : type == SQL_LONG ? -2147483648LL : LLONG_MIN;
    const long long high = type == SQL_SHORT ? 32767 : type == SQL_LONG ? 2147483647LL : LLONG_MAX;
    if (n < low || n > high)
        throw RefusedValue(isc_numeric_out_of_range, "arithmetic exception, numeric overflow, or string truncation\n"
                                                          "-numeric value is out of range");
    if (type == SQL_SHORT) {
        const auto v = static_cast<ISC_SHORT>(n);
        std::memcpy(target, &v, sizeof v);
    } else if (type == SQL_LONG) {
        const auto v = static_cast<ISC_LONG>(n);
        std::memcpy(target, &v, sizeof v);
    } else {
        const auto v = static_cast<ISC_INT64>(n);
        std::memcpy(target, &v, sizeof v);
    }
}

// Floats travel as their exact binary value; a number given as text is read as a literal is.
void WriteFloating(unsigned type, const Value& value, unsigned char* target) {
    double x = 0;
    if (const auto* floating = std::get_if<Floating>(&value)) {
        x = floating->value;
    } else if (const auto* text = std::get_if<std::string>(&value)) {
        const auto [end, error] = std::from_chars(text->data(), text->data() + text->size(), x);
        if (error != std::errc() || end != text->data() + text->size())
            throw RefusedValue(isc_convert_error, "conversion error from string \"" + *text + "\"");
    } else if (const auto* n = std::get_if<std::int64_t>(&value)) {
        x = static_cast<double>(*n);
    } else {
        throw FirebirdError("A value of this kind cannot be passed to a floating-point column.");
    }
    if (type == SQL_DOUBLE) {
        std::memcpy(target, &x, sizeof x);
    } else {
        const float single = static_cast<float>(x);
        std::memcpy(target, &single, sizeof single);
    }
}

// The bytes of a value for a text or blob column, seen in place (a long value is never copied);
// `made` holds those that must be made: into a column of another kind, a float is the shortest
// text that reads back as the same value.
std::string_view ParameterBytes(const Value& value, std::string& made) {
    if (const auto* text = std::get_if<std::string>(&value)) return *text;
    if (const auto* binary = std::get_if<Bytes>(&value))
        return {reinterpret_cast<const char*>(binary->data()), binary->size()};
    if (const auto* n = std::get_if<std::int64_t>(&value)) return made = std::to_string(*n);
    if (const auto* floating = std::get_if<Floating>(&value)) return made = ShortestText(*floating);
    throw FirebirdError("A value of this kind cannot be passed as a parameter.");
}

// A number as the integer of its `scale` decimal places, rounded half away from zero as the engine
// rounds a literal: "12.345" at scale 2 is 1235.
std::int64_t ScaledInteger(const Value& value, int scale) {
    std::string made;
    std::string_view text;
    if (const auto* d = std::get_if<Decimal>(&value)) text = d->text;
    else if (const auto* t = std::get_if<std::string>(&value)) text = *t;
    else if (const auto* n = std::get_if<std::int64_t>(&value)) text = made = std::to_string(*n);
    else if (const auto* f = std::get_if<Floating>(&value)) text = made = ShortestText(*f);
    else if (const auto* b = std::get_if<bool>(&value)) text = *b ? "1" : "0";
    else throw FirebirdError("A value of this kind cannot be passed to a numeric column.");
    const std::string_view whole = text;
    const bool negative = !text.empty() && text.front() == '-';
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) text.remove_prefix(1);
    int exponent = 0;
    if (const auto e = text.find_first_of("eE"); e != std::string_view::npos) {
        const auto [end, error] = std::from_chars(text.data() + e + 1 + (e + 1 < text.size() && text[e + 1] == '+'),
                                               text.data() + text.size(), exponent);
        if (error != std::errc() || end != text.data() + text.size()) text = {};
        else text = text.substr(0, e);
    }
    std::string digits;  // every digit, the point taken out: the number is digits × 10^(exponent − after)
    int after = 0, seen = 0;
    bool point = false;
    for (char c : text) {
        if (c == '.' && !point) { point = true; continue; }
        if (c < '0' || c > '9') { seen = 0; break; }
        digits += c, ++seen, after += point;
    }
    if (seen == 0) throw RefusedValue(isc_convert_error, "conversion error from string \"" + std::string(whole) + "\"");
    const int shift = exponent - after + scale;  // the digits times 10^shift is the scaled integer
    const size_t keep = shift >= 0 ? digits.size() : digits.size() - std::min<size_t>(digits.size(), -shift);
    const bool roundUp = keep < digits.size() && digits[keep] >= '5';
    digits.resize(keep);
    if (shift > 0) digits.append(static_cast<size_t>(shift), '0');
    unsigned long long n = 0;
    for (char c : digits)
        if (__builtin_mul_overflow(n, 10ULL, &n) || __builtin_add_overflow(n, static_cast<unsigned long long>(c - '0'), &n))
            throw RefusedValue(isc_numeric_out_of_range, "arithmetic exception, numeric overflow, or string truncation\n"
                                                              "-numeric value is out of range");
    n += roundUp;
    if (n > (negative ? 9223372036854775808ULL : 9223372036854775807ULL))
        throw RefusedValue(isc_numeric_out_of_range, "arithmetic exception, numeric overflow, or string truncation\n"
                                                          "-numeric value is out of range");
    return negative ? static_cast<std::int64_t>(0 - n) : static_cast<std::int64_t>(n);
}

// Dates, times and timestamps from a date-time, in the engine's own encoding (to 1/10000 s, as a
// literal keeps); a DATE takes no time of day, as it takes no literal with one. Booleans from
// true and false.
void WriteMoment(IUtil& util, unsigned type, const Value& value, unsigned char* target) {
    if (type == SQL_BOOLEAN) {
        const auto* b = std::get_if<bool>(&value);
        const auto* n = std::get_if<std::int64_t>(&value);
        if (!b && !n) throw FirebirdError("A value of this kind cannot be passed to a boolean column.");
        *target = static_cast<unsigned char>(b ? *b : *n != 0);
        return;
    }
    const auto* t = std::get_if<DateTime>(&value);
    if (!t) throw FirebirdError("A value of this kind cannot be passed to a date or time column.");
    if (t->year < 1 || t->year > 9999) throw RefusedValue(isc_date_range_exceeded, "value exceeds the range for valid dates");
    const ISC_DATE date = util.encodeDate(static_cast<unsigned>(t->year), static_cast<unsigned>(t->month),
                                          static_cast<unsigned>(t->day));
    const ISC_TIME time = util.encodeTime(static_cast<unsigned>(t->hour), static_cast<unsigned>(t->minute),
                                          static_cast<unsigned>(t->second), t->nanos / 100000);
    if (type == SQL_TYPE_DATE) {
        if (!t->isMidnight()) throw RefusedValue(isc_convert_error, "conversion error: a DATE takes no time of day");
        std::memcpy(target, &date, sizeof date);
    } else if (type == SQL_TYPE_TIME) {
        std::memcpy(target, &time, sizeof time);
    } else {
        const ISC_TIMESTAMP stamp{date, time};
        std::memcpy(target, &stamp, sizeof stamp);
    }
}

ISC_QUAD WriteBlob(FirebirdSession& session, ThrowStatusWrapper* status, ITransaction* transaction,
                   const unsigned char* data, size_t size) {
    ISC_QUAD id{};
    FbHandle<IBlob> blob(session.master, session.attachment->createBlob(status, transaction, &id, 0, nullptr));
    for (size_t done = 0; done < size; done += kSegmentBytes) {
        const auto length = static_cast<unsigned>(std::min(kSegmentBytes, size - done));
        blob->putSegment(status, length, data + done);
    }
    blob->close(status);
    blob.forget();
    return id;
}

}  // namespace

FirebirdParameterSlot FirebirdParameterSlot::Of(ThrowStatusWrapper* status, IMessageMetadata* input, unsigned index) {
    return {input->getType(status, index) & ~1u, input->getLength(status, index), input->getOffset(status, index),
            input->getNullOffset(status, index), input->getScale(status, index)};
}

void WriteFirebirdParameter(FirebirdSession& session, ThrowStatusWrapper* status, ITransaction* transaction,
                            IMessageMetadata* input, unsigned index, const Value& value, unsigned char* message) {
    WriteFirebirdParameter(session, status, transaction, FirebirdParameterSlot::Of(status, input, index), value, message);
}

void WriteFirebirdParameter(FirebirdSession& session, ThrowStatusWrapper* status, ITransaction* transaction,
                            const FirebirdParameterSlot& slot, const Value& value, unsigned char* message) {
    auto* nullFlag = reinterpret_cast<short*>(message + slot.nullOffset);
    unsigned char* target = message + slot.offset;
    const unsigned type = slot.type;
    const unsigned length = slot.length;
    if (IsNull(value)) return void(*nullFlag = -1);
    if ((type == SQL_SHORT || type == SQL_LONG || type == SQL_INT64) && slot.scale < 0) {
        WriteInteger(type, Value{ScaledInteger(value, -slot.scale)}, target);
        *nullFlag = 0;
        return;
    }
    if (type == SQL_SHORT || type == SQL_LONG || type == SQL_INT64) {
        WriteInteger(type, value, target);
        *nullFlag = 0;
        return;
    }
    if (type == SQL_TIMESTAMP || type == SQL_TYPE_DATE || type == SQL_TYPE_TIME || type == SQL_BOOLEAN) {
        WriteMoment(*session.util, type, value, target);
        *nullFlag = 0;
        return;
    }
    if (type == SQL_DOUBLE || type == SQL_FLOAT) {
        WriteFloating(type, value, target);
        *nullFlag = 0;
        return;
    }
    std::string made;
    const std::string_view bytes = ParameterBytes(value, made);
    *nullFlag = 0;
    switch (type) {
        case SQL_BLOB: {
            ISC_QUAD id = WriteBlob(session, status, transaction, reinterpret_cast<const unsigned char*>(bytes.data()),
                                    bytes.size());
            std::memcpy(target, &id, sizeof id);
            return;
        }
        case SQL_VARYING: {
            if (bytes.size() > length)
                throw RefusedValue(isc_string_truncation, "arithmetic exception, numeric overflow, or string truncation\n"
                                    "-string right truncation\n-expected length " + std::to_string(length) +
                                    ", actual " + std::to_string(bytes.size()));
            const auto size = static_cast<unsigned short>(bytes.size());
            std::memcpy(target, &size, sizeof size);
            std::memcpy(target + 2, bytes.data(), bytes.size());
            return;
        }
        case SQL_TEXT: {
            if (bytes.size() > length) throw RefusedValue(isc_string_truncation, "string right truncation");
            std::memset(target, ' ', length);
            std::memcpy(target, bytes.data(), bytes.size());
            return;
        }
        default:
            throw FirebirdError("A long value cannot be passed to a column of this type.");
    }
}

}  // namespace tess
