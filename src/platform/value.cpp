#include "platform/value.h"

#include <charconv>

namespace tess {

std::string ShortestText(const Floating& f) {
    char buffer[64];
    const auto result = f.single ? std::to_chars(buffer, buffer + sizeof buffer, static_cast<float>(f.value))
                                 : std::to_chars(buffer, buffer + sizeof buffer, f.value);
    return std::string(buffer, result.ptr);
}

}  // namespace tess
