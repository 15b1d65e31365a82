#include "common/text_codec.h"

#include <algorithm>

#include <unicode/ustring.h>
#include <unicode/utf16.h>
#include <unicode/utf8.h>

#include <stdexcept>

namespace tess {
namespace {

// Windows-1252's 0x80..0x9F; 0 marks the five undefined bytes, which pass through as C1 controls.
constexpr char16_t kHighControls[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

void Check(UErrorCode error, const char* what) {
    if (U_FAILURE(error)) throw std::runtime_error(std::string(what) + ": " + u_errorName(error));
}

int32_t Length(std::size_t size) {
    if (size > static_cast<std::size_t>(INT32_MAX / 3)) throw std::length_error("Text too long to convert.");
    return static_cast<int32_t>(size);
}

}  // namespace

std::u16string Utf8ToUtf16(std::string_view text) {
    // A UTF-8 text never needs more UTF-16 code units than it has bytes.
    std::u16string out(text.size(), u'\0');
    int32_t written = 0;
    UErrorCode error = U_ZERO_ERROR;
    u_strFromUTF8WithSub(reinterpret_cast<UChar*>(out.data()), Length(out.size()), &written, text.data(),
                         Length(text.size()), kReplacementCharacter, nullptr, &error);
    Check(error, "UTF-8 to UTF-16");
    out.resize(static_cast<std::size_t>(written));
    return out;
}

std::string Utf16ToUtf8(const char16_t* text, std::size_t length) {
    std::string out;
    AppendUtf16AsUtf8(out, text, length);
    return out;
}

void AppendUtf16AsUtf8(std::string& out, const char16_t* text, std::size_t length) {
    int32_t needed = 0;
    UErrorCode error = U_ZERO_ERROR;
    u_strToUTF8WithSub(nullptr, 0, &needed, reinterpret_cast<const UChar*>(text), Length(length),
                       kReplacementCharacter, nullptr, &error);
    if (error != U_BUFFER_OVERFLOW_ERROR) Check(error, "UTF-16 to UTF-8");
    const std::size_t at = out.size();
    out.resize(at + static_cast<std::size_t>(needed));
    error = U_ZERO_ERROR;
    int32_t written = 0;
    u_strToUTF8WithSub(out.data() + at, needed, &written, reinterpret_cast<const UChar*>(text), Length(length),
                       kReplacementCharacter, nullptr, &error);
    if (error != U_STRING_NOT_TERMINATED_WARNING) Check(error, "UTF-16 to UTF-8");
    out.resize(at + static_cast<std::size_t>(written));
}

void AppendUtf8(std::string& out, char32_t c) {
    if (c > 0x10FFFF || U_IS_SURROGATE(c)) c = kReplacementCharacter;
    char buffer[U8_MAX_LENGTH];
    int32_t length = 0;
    U8_APPEND_UNSAFE(buffer, length, c);
    out.append(buffer, static_cast<std::size_t>(length));
}

bool IsAscii(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

bool IsValidUtf8(std::string_view text) {
    const auto* s = reinterpret_cast<const uint8_t*>(text.data());
    const auto length = Length(text.size());
    for (int32_t i = 0; i < length;) {
        UChar32 c;
        U8_NEXT(s, i, length, c);
        if (c < 0) return false;
    }
    return true;
}

std::string ValidUtf8(std::string_view text) {
    if (IsValidUtf8(text)) return std::string(text);
    return Utf16ToUtf8(Utf8ToUtf16(text));
}

std::string Windows1252ToUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 2);
    for (char byte : bytes) {
        const auto b = static_cast<unsigned char>(byte);
        const char16_t mapped = b >= 0x80 && b <= 0x9F ? kHighControls[b - 0x80] : 0;
        AppendUtf8(out, mapped ? mapped : b);
    }
    return out;
}

std::size_t CharacterCount(std::string_view text) {
    const auto* s = reinterpret_cast<const uint8_t*>(text.data());
    const auto length = Length(text.size());
    std::size_t count = 0;
    for (int32_t i = 0; i < length; ++count) U8_FWD_1(s, i, length);
    return count;
}

std::string_view FirstCharacters(std::string_view text, std::size_t count) {
    const auto* s = reinterpret_cast<const uint8_t*>(text.data());
    const auto length = Length(text.size());
    int32_t i = 0;
    for (std::size_t seen = 0; i < length && seen < count; ++seen) U8_FWD_1(s, i, length);
    return text.substr(0, static_cast<std::size_t>(i));
}

}  // namespace tess
