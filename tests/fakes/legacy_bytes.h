#pragma once
// UTF-8 text as a legacy code page writes it, for tests of text nobody named the code page of.
#include <unicode/ucnv.h>

#include <stdexcept>
#include <string>

namespace tess {

inline std::string WrittenIn(const std::string& utf8, const char* page) {
    UErrorCode error = U_ZERO_ERROR;
    std::string out(utf8.size() * 2 + 4, '\0');
    const int32_t length = ucnv_convert(page, "UTF-8", out.data(), static_cast<int32_t>(out.size()), utf8.data(),
                                        static_cast<int32_t>(utf8.size()), &error);
    if (U_FAILURE(error)) throw std::runtime_error(std::string("cannot write in ") + page);
    out.resize(static_cast<size_t>(length));
    return out;
}

}  // namespace tess
