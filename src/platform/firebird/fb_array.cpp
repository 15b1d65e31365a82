#include "platform/firebird/fb_array.h"

#include <ibase.h>

#include <cstring>

#include "common/digits.h"
#include "platform/firebird/fb_error.h"

namespace tess {
namespace {

void PutShort(std::vector<unsigned char>& sdl, int value) {
    sdl.push_back(static_cast<unsigned char>(value & 0xFF));
    sdl.push_back(static_cast<unsigned char>((value >> 8) & 0xFF));
}

void PutLong(std::vector<unsigned char>& sdl, int value) {
    sdl.push_back(isc_sdl_long_integer);
    for (int shift = 0; shift < 32; shift += 8) sdl.push_back(static_cast<unsigned char>((value >> shift) & 0xFF));
}

void PutName(std::vector<unsigned char>& sdl, unsigned char verb, const std::string& name) {
    sdl.push_back(verb);
    sdl.push_back(static_cast<unsigned char>(name.size()));
    sdl.insert(sdl.end(), name.begin(), name.end());
}

// The element as the slice holds it: the SQL type of a message, its blr type and its bytes.
struct ElementKind {
    unsigned sqlType;
    unsigned char blr;
    unsigned bytes;
};

ElementKind KindOf(int blrType) {
    switch (blrType) {
        case blr_short: return {SQL_SHORT, blr_short, 2};
        case blr_long: return {SQL_LONG, blr_long, 4};
        case blr_int64: return {SQL_INT64, blr_int64, 8};
        case blr_float: return {SQL_FLOAT, blr_float, 4};
        case blr_double:
        case blr_d_float: return {SQL_DOUBLE, blr_double, 8};
        case blr_sql_date: return {SQL_TYPE_DATE, blr_sql_date, 4};
        case blr_sql_time: return {SQL_TYPE_TIME, blr_sql_time, 4};
        case blr_timestamp: return {SQL_TIMESTAMP, blr_timestamp, 8};
        case blr_bool: return {SQL_BOOLEAN, blr_bool, 1};
        case blr_text:
        case blr_varying:
        case blr_cstring: return {SQL_TEXT, blr_cstring2, 0};
        default: throw FirebirdError("Array elements of Firebird type " + std::to_string(blrType) + " cannot be read.");
    }
}

void PutElement(std::vector<unsigned char>& sdl, const ElementKind& kind, const FirebirdColumnShape& element) {
    sdl.push_back(isc_sdl_struct);
    sdl.push_back(1);
    sdl.push_back(kind.blr);
    if (kind.blr == blr_cstring2) {
        PutShort(sdl, static_cast<int>(element.charSet));
        PutShort(sdl, static_cast<int>(element.length));
    } else if (kind.blr == blr_short || kind.blr == blr_long || kind.blr == blr_int64) {
        sdl.push_back(static_cast<unsigned char>(static_cast<signed char>(element.scale)));
    }
}

std::string IsoText(const DateTime& t, unsigned sqlType) {
    std::string out;
    if (sqlType != SQL_TYPE_TIME) {
        AppendDigits(out, t.year, 4), out += '-', AppendDigits(out, t.month, 2), out += '-', AppendDigits(out, t.day, 2);
        if (sqlType == SQL_TYPE_DATE) return out;
        out += ' ';
    }
    AppendTimeOfDay(out, t);
    return out;
}

bool NeedsQuotes(const std::string& text) {
    std::string lower = text;
    for (char& c : lower) c = static_cast<char>(c | 0x20);
    if (text.empty() || lower == "null") return true;
    return text.find_first_of("{},\"\\ \t\r\n\v\f") != std::string::npos;
}

std::string Quoted(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\') out += '\\';
        out += c;
    }
    return out + '"';
}

struct PlainText {
    unsigned sqlType;
    std::string operator()(const Null&) const { return "NULL"; }
    std::string operator()(const std::string& s) const { return s; }
    std::string operator()(bool b) const { return b ? "true" : "false"; }
    std::string operator()(std::int64_t n) const { return std::to_string(n); }
    std::string operator()(const Floating& f) const { return ShortestText(f); }
    std::string operator()(const Decimal& d) const { return d.text; }
    std::string operator()(const DateTime& t) const { return IsoText(t, sqlType); }
    std::string operator()(const Bytes& b) const {
        std::string hex;
        AppendHex(hex, b.data(), b.size());
        return hex;
    }
};

Value ArrayElement(Firebird::IUtil* util, const FirebirdColumnShape& element, const unsigned char* data,
                   const CodePage* noneText) {
    if (element.type != SQL_TEXT) return DecodeFirebirdValue(util, element, data, noneText);
    const char* text = reinterpret_cast<const char*>(data);
    std::string bytes(text, strnlen(text, element.length));
    if (element.charSet == kCsOctets) return Bytes(bytes.begin(), bytes.end());
    return FirebirdText(std::move(bytes), element.charSet, noneText);
}

}  // namespace

std::string ArrayElementText(const Value& element, unsigned sqlType) {
    if (IsNull(element)) return "NULL";
    std::string text = std::visit(PlainText{sqlType}, element);
    return NeedsQuotes(text) ? Quoted(text) : text;
}

std::string FirebirdArrayText(Firebird::IUtil* util, const FirebirdArrayShape& shape,
                              const std::vector<unsigned char>& slice, const CodePage* noneText) {
    const size_t count = shape.elementCount(), dims = shape.bounds.size();
    if (slice.size() < count * shape.elementBytes) throw FirebirdError("The engine returned part of an array.");
    std::vector<size_t> block(dims);  // elements inside one brace pair of each level
    for (size_t d = dims; d-- > 0;)
        block[d] = static_cast<size_t>(shape.bounds[d].second - shape.bounds[d].first + 1) *
                   (d + 1 < dims ? block[d + 1] : 1);
    std::string text;
    for (size_t i = 0; i < count; ++i) {
        for (size_t d = 0; d < dims; ++d)
            if (i % block[d] == 0) text += '{';
        const Value element = ArrayElement(util, shape.element, &slice[i * shape.elementBytes], noneText);
        text += ArrayElementText(element, shape.element.type);
        for (size_t d = dims; d-- > 0;)
            if ((i + 1) % block[d] == 0) text += '}';
        if (i + 1 < count) text += ',';
    }
    return text;
}

size_t FirebirdArrayShape::elementCount() const {
    size_t count = 1;
    for (const auto& [lower, upper] : bounds) count *= static_cast<size_t>(upper - lower + 1);
    return count;
}

FirebirdArrayShape ShapeOfFirebirdArray(const FirebirdArrayField& field) {
    if (field.bounds.empty()) throw FirebirdError("The array " + field.field + " has no dimensions in the catalogue.");
    const ElementKind kind = KindOf(field.blrType);
    FirebirdArrayShape shape;
    shape.bounds = field.bounds;
    FirebirdColumnShape& e = shape.element;
    e.type = kind.sqlType;
    e.scale = field.scale;
    e.subType = field.subType;
    e.charSet = static_cast<unsigned>(field.charSet);
    e.length = kind.bytes;
    if (kind.blr == blr_cstring2) {
        // Text is asked for as a zero-terminated string: the engine fills varying elements of a
        // slice without their length. It converts to UTF8, at most four bytes a character of any
        // set; NONE and OCTETS hold bytes, which no conversion may touch.
        const bool bytes = field.charSet == kCsNone || field.charSet == kCsOctets;
        if (!bytes) e.charSet = kCsUtf8;
        e.length = static_cast<unsigned>(bytes ? field.length : std::min(field.length * 4, 32764)) + 1;
    }
    shape.elementBytes = e.length;

    auto& sdl = shape.sdl;
    sdl.push_back(isc_sdl_version1);
    PutElement(sdl, kind, e);
    PutName(sdl, isc_sdl_relation, field.relation);
    PutName(sdl, isc_sdl_field, field.field);
    for (size_t d = 0; d < field.bounds.size(); ++d) {
        sdl.push_back(isc_sdl_do2);
        sdl.push_back(static_cast<unsigned char>(d));
        PutLong(sdl, field.bounds[d].first);
        PutLong(sdl, field.bounds[d].second);
    }
    sdl.insert(sdl.end(), {isc_sdl_element, 1, isc_sdl_scalar, 0, static_cast<unsigned char>(field.bounds.size())});
    for (size_t d = 0; d < field.bounds.size(); ++d) sdl.insert(sdl.end(), {isc_sdl_variable, static_cast<unsigned char>(d)});
    sdl.push_back(isc_sdl_eoc);
    return shape;
}

}  // namespace tess
