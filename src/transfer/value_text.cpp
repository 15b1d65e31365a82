#include "transfer/value_text.h"

#include <charconv>
#include <cstdio>

#include "common/digits.h"

namespace tess {
namespace {

// Trailing zeros of the fraction carry no value: 12.5000 is written 12.5, 3.000 as 3.
std::string PlainDecimal(const std::string& text) {
    if (text.find('.') == std::string::npos || text.find_first_of("eE") != std::string::npos) return text;
    size_t end = text.find_last_not_of('0');
    if (text[end] == '.') --end;
    std::string plain = text.substr(0, end + 1);
    return plain == "-0" ? "0" : plain;
}

struct TextOf {
    std::string operator()(const Null&) const { return ""; }
    std::string operator()(const std::string& s) const { return s; }
    std::string operator()(bool b) const { return b ? "True" : "False"; }
    std::string operator()(std::int64_t n) const { return std::to_string(n); }
    std::string operator()(const Floating& f) const { return ShortestText(f); }
    std::string operator()(const Decimal& d) const { return PlainDecimal(d.text); }
    std::string operator()(const DateTime& t) const {
        if (t.isZeroDate()) return TimeOfDayText(t);
        return DateTimeText(t, !t.isMidnight());
    }
    std::string operator()(const Bytes& b) const { return HexDigits(b); }
};

}  // namespace

std::string TimeOfDayText(const DateTime& t) {
    std::string text;
    AppendTimeOfDay(text, t);
    return text;
}

std::string DateTimeText(const DateTime& t, bool withTime) {
    std::string text;
    text.reserve(24);
    AppendDigits(text, t.month, 2);
    text += '/';
    AppendDigits(text, t.day, 2);
    text += '/';
    AppendDigits(text, t.year, 4);
    if (withTime) {
        text += ' ';
        AppendTimeOfDay(text, t);
    }
    return text;
}

std::string HexDigits(const Bytes& bytes) {
    std::string hex;
    AppendHex(hex, bytes.data(), bytes.size());
    return hex;
}

std::string ValueText(const Value& value) { return std::visit(TextOf{}, value); }

}  // namespace tess
