#pragma once
// Digits written by hand: these run for every date and binary value of every row, and snprintf
// cost a tenth of a bulk copy.
#include <cstddef>
#include <cstdint>
#include <string>

namespace tess {

// `value` in decimal, zero-padded to at least `width` digits, a minus sign before a negative one.
inline void AppendDigits(std::string& out, int value, int width) {
    char digits[12];
    int n = 0;
    unsigned v = value < 0 ? 0u - static_cast<unsigned>(value) : static_cast<unsigned>(value);
    do {
        digits[n++] = static_cast<char>('0' + v % 10);
        v /= 10;
    } while (v != 0 || n < width);
    if (value < 0) out += '-';
    while (n > 0) out += digits[--n];
}

// Two upper-case hexadecimal digits a byte.
inline void AppendHex(std::string& out, const std::uint8_t* bytes, std::size_t size) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    out.reserve(out.size() + size * 2);
    for (std::size_t i = 0; i < size; ++i) {
        out += kDigits[bytes[i] >> 4];
        out += kDigits[bytes[i] & 15];
    }
}

}  // namespace tess
