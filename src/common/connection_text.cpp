#include "common/connection_text.h"

namespace tess {

std::string QuoteConnectionValue(const std::string& value, const char* specials) {
    if (value.find_first_of(specials) == std::string::npos) return value;
    std::string out = "{";
    for (char c : value) {
        out += c;
        if (c == '}') out += '}';
    }
    return out + "}";
}

}  // namespace tess
