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

}  // namespace tess
