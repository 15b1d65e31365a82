#pragma once
// One field value as a database hands it over. Kinds follow what the row writers need to tell apart;
// exact decimals stay text so that no digit passes through a double.
#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace tess {

struct Null {
    bool operator==(const Null&) const = default;
};

struct Decimal {
    std::string text;  // plain notation with every scale digit, e.g. "-12.5000"
    bool operator==(const Decimal&) const = default;
};

struct Floating {
    double value = 0;
    bool single = false;  // came from a 4-byte float: shortest form is judged at float precision
    bool operator==(const Floating&) const = default;
};

// A time of day alone carries the zero date, 30 December 1899, as the row writers expect.
struct DateTime {
    int year = 1899, month = 12, day = 30;
    int hour = 0, minute = 0, second = 0;
    std::uint32_t nanos = 0;
    bool isZeroDate() const { return year == 1899 && month == 12 && day == 30; }
    bool isMidnight() const { return hour == 0 && minute == 0 && second == 0 && nanos == 0; }
    bool operator==(const DateTime&) const = default;
};

using Bytes = std::vector<std::uint8_t>;

// Text is UTF-8.
using Value = std::variant<Null, std::string, bool, std::int64_t, Floating, Decimal, DateTime, Bytes>;

inline bool IsNull(const Value& v) { return std::holds_alternative<Null>(v); }
// The bytes a row's values take in memory, their texts' and binary values' included.
size_t RowFootprint(const std::vector<Value>& values);
// The shortest text that reads back as the same value, judged at float precision for a single.
std::string ShortestText(const Floating& f);

// "HH:MM:SS", with the ten-thousandths of a second Firebird keeps when there are any ("…:05.12");
// finer digits are beyond both ends' common ground.
void AppendTimeOfDay(std::string& out, const DateTime& t);

// A catalogue column's text; a null or a value of another kind reads as the empty text.
inline std::string TextOrEmpty(const Value& v) {
    const auto* text = std::get_if<std::string>(&v);
    return text ? *text : std::string();
}

}  // namespace tess
