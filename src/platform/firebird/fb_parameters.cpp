#include "platform/firebird/fb_parameters.h"

#include <ibase.h>

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstring>
#include <string_view>

#include "platform/firebird/fb_error.h"

namespace tess {

using namespace Firebird;

namespace {

constexpr size_t kSegmentBytes = 32768;

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
            throw FirebirdError("conversion error from string \"" + *text + "\"");
    } else {
        throw FirebirdError("A value of this kind cannot be passed to an integer column.");
    }
    const long long low = type == SQL_SHORT ? -32768 : type == SQL_LONG ? -2147483648LL : LLONG_MIN;
    const long long high = type == SQL_SHORT ? 32767 : type == SQL_LONG ? 2147483647LL : LLONG_MAX;
    if (n < low || n > high)
        throw FirebirdError("arithmetic exception, numeric overflow, or string truncation\n"
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
            throw FirebirdError("conversion error from string \"" + *text + "\"");
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
            input->getNullOffset(status, index)};
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
    if (type == SQL_SHORT || type == SQL_LONG || type == SQL_INT64) {
        WriteInteger(type, value, target);
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
                throw FirebirdError("arithmetic exception, numeric overflow, or string truncation\n"
                                    "-string right truncation\n-expected length " + std::to_string(length) +
                                    ", actual " + std::to_string(bytes.size()));
            const auto size = static_cast<unsigned short>(bytes.size());
            std::memcpy(target, &size, sizeof size);
            std::memcpy(target + 2, bytes.data(), bytes.size());
            return;
        }
        case SQL_TEXT: {
            if (bytes.size() > length) throw FirebirdError("string right truncation");
            std::memset(target, ' ', length);
            std::memcpy(target, bytes.data(), bytes.size());
            return;
        }
        default:
            throw FirebirdError("A long value cannot be passed to a column of this type.");
    }
}

}  // namespace tess
