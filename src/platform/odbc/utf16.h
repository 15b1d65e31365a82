#pragma once
// ODBC's wide characters are UTF-16 code units on every platform (unixODBC's SQLWCHAR is 16 bits),
// never wchar_t.
#include <string>

namespace tess {

std::u16string Utf8ToUtf16(const std::string& text);
std::string Utf16ToUtf8(const char16_t* text, size_t length);
inline std::string Utf16ToUtf8(const std::u16string& text) { return Utf16ToUtf8(text.data(), text.size()); }

}  // namespace tess
