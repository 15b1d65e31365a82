#pragma once
// The program's one text codec. Text is UTF-8 everywhere inside the program; ODBC's wide characters
// are UTF-16 code units on every platform (unixODBC's SQLWCHAR is 16 bits), never wchar_t.
//
// Ill-formed input has one defined outcome everywhere: each maximal ill-formed subsequence (overlong
// forms, encoded surrogates, code points past U+10FFFF, truncated sequences, stray continuation
// bytes) becomes one U+FFFD, and an unpaired UTF-16 surrogate becomes one U+FFFD. ICU does the work.
#include <cstddef>
#include <string>
#include <string_view>

namespace tess {

inline constexpr char32_t kReplacementCharacter = 0xFFFD;

std::u16string Utf8ToUtf16(std::string_view text);
std::string Utf16ToUtf8(const char16_t* text, std::size_t length);
inline std::string Utf16ToUtf8(const std::u16string& text) { return Utf16ToUtf8(text.data(), text.size()); }
// Appends the UTF-8 of the text to `out`, growing it by exactly that much: long values are read
// in pieces, and no piece may cost more than its own size.
void AppendUtf16AsUtf8(std::string& out, const char16_t* text, std::size_t length);

// Surrogates and values past U+10FFFF are appended as U+FFFD.
void AppendUtf8(std::string& out, char32_t c);

bool IsAscii(std::string_view text);
bool IsValidUtf8(std::string_view text);
// The text made well-formed by the rule above; valid text comes back unchanged.
std::string ValidUtf8(std::string_view text);

// Windows-1252 bytes as UTF-8. The five bytes that code page leaves undefined become the C1
// controls of the same value, as Windows itself converts them, so that no byte is lost.
std::string Windows1252ToUtf8(std::string_view bytes);

// Characters (code points) in the text; each ill-formed subsequence counts as one.
std::size_t CharacterCount(std::string_view text);
// The first `count` characters of the text, cut at a character boundary.
std::string_view FirstCharacters(std::string_view text, std::size_t count);

}  // namespace tess
