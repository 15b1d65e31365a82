#include "app/text_case.h"

#include <cstdint>

#include "app/utf8.h"

namespace tess {
namespace {

char32_t LowerCodePoint(char32_t c) {
    if (c >= U'A' && c <= U'Z') return c + 32;
    if ((c >= 0xC0 && c <= 0xDE && c != 0xD7)) return c + 32;
    if (c >= 0x100 && c <= 0x17F && c != 0x130 && c != 0x131 && c != 0x138 && c != 0x149 && c != 0x17F) {
        bool oddLowered = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
        if (oddLowered ? (c % 2 == 1) : (c % 2 == 0)) return c + 1;
        return c;
    }
    if (c >= 0x391 && c <= 0x3A9 && c != 0x3A2) return c + 32;
    if (c >= 0x410 && c <= 0x42F) return c + 32;
    if (c >= 0x400 && c <= 0x40F) return c + 80;
    return c;
}

}  // namespace

std::string LowerCase(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        auto b = static_cast<std::uint8_t>(text[i]);
        if (b < 0x80) {
            out += (b >= 'A' && b <= 'Z') ? static_cast<char>(b + 32) : static_cast<char>(b);
            ++i;
            continue;
        }
        // Only two-byte sequences hold the capitals we fold; anything else is copied as it stands.
        if ((b & 0xE0) == 0xC0 && i + 1 < text.size() && (static_cast<std::uint8_t>(text[i + 1]) & 0xC0) == 0x80) {
            char32_t c = ((b & 0x1F) << 6) | (static_cast<std::uint8_t>(text[i + 1]) & 0x3F);
            AppendUtf8(out, LowerCodePoint(c));
            i += 2;
            continue;
        }
        out += text[i++];
    }
    return out;
}

bool ListOrderLess(const std::string& a, const std::string& b) {
    std::string la = LowerCase(a), lb = LowerCase(b);
    if (la != lb) return la < lb;
    return a < b;
}

}  // namespace tess
