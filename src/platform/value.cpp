#include "platform/value.h"

#include <charconv>

#include "common/digits.h"

namespace tess {

std::string ShortestText(const Floating& f) {
    char buffer[64];
    const auto result = f.single ? std::to_chars(buffer, buffer + sizeof buffer, static_cast<float>(f.value))
                                 : std::to_chars(buffer, buffer + sizeof buffer, f.value);
    return std::string(buffer, result.ptr);
}

void AppendTimeOfDay(std::string& out, const DateTime& t) {
    AppendDigits(out, t.hour, 2);
    out += ':';
    AppendDigits(out, t.minute, 2);
    out += ':';
    AppendDigits(out, t.second, 2);
    if (unsigned tenThousandths = t.nanos / 100000; tenThousandths != 0) {
        out += '.';
        AppendDigits(out, static_cast<int>(tenThousandths), 4);
        out.erase(out.find_last_not_of('0') + 1);
    }
}

size_t RowFootprint(const std::vector<Value>& values) {
    size_t bytes = values.size() * sizeof(Value);
    for (const Value& v : values) {
        if (const auto* text = std::get_if<std::string>(&v)) bytes += text->size();
        if (const auto* binary = std::get_if<Bytes>(&v)) bytes += binary->size();
        if (const auto* decimal = std::get_if<Decimal>(&v)) bytes += decimal->text.size();
    }
    return bytes;
}

}  // namespace tess
