#pragma once
// What code page text most likely is, when nobody named it (Firebird's NONE columns): read as
// Windows-1252 only where it reads as such a text would, else named, so that it is never written
// garbled without a word.
#include <string>
#include <string_view>
#include <vector>

namespace tess {

struct CharsetGuess {
    bool western = false;  // reads as Windows-1252 text: letters where the high bytes are, and few
    std::string likely;    // else the code page it most likely is ("windows-1251", ...)
};

// For bytes that are not UTF-8.
CharsetGuess GuessCharset(std::string_view bytes);
// For a column's values that are not UTF-8, read alike: more text than one value gives ICU's
// detector its chance, and where it ranks a code page of other letters above the Western ones
// ("Janáček" in Windows-1250 reads as Western "Janáèek" value by value), that one is named.
CharsetGuess GuessColumnCharset(const std::vector<std::string>& values);

}  // namespace tess
