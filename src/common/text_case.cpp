#include "common/text_case.h"

#include <unicode/locid.h>
#include <unicode/unistr.h>

namespace tess {

std::string LowerCase(const std::string& text) {
    // Plain ASCII, by far the common case for table names, needs no trip through UTF-16.
    bool ascii = true;
    for (char c : text) ascii = ascii && static_cast<unsigned char>(c) < 0x80;
    if (ascii) {
        std::string out = text;
        for (char& c : out)
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
        return out;
    }
    // The root locale: no Turkish dotless i or other language rule applies to a table name.
    std::string out;
    icu::UnicodeString::fromUTF8(text).toLower(icu::Locale::getRoot()).toUTF8String(out);
    return out;
}

bool ListOrderLess(const std::string& a, const std::string& b) {
    std::string la = LowerCase(a), lb = LowerCase(b);
    if (la != lb) return la < lb;
    return a < b;
}

}  // namespace tess
