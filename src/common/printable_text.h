#pragma once
// A name from a database as a terminal line may show it: control characters (a line break, an
// escape sequence that would colour or move the terminal) as C escapes, and the backslash doubled
// so that every escape reads back to one byte. Anything else, UTF-8 included, stands as it is.
#include <cstdio>
#include <string>

namespace tess {

inline std::string PrintableText(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\\') {
            out += "\\\\";
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c == '\r') {
            out += "\\r";
        } else if (byte < 0x20 || byte == 0x7F) {
            char escaped[5];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
            out += escaped;
        } else {
            out += c;
        }
    }
    return out;
}

}  // namespace tess
