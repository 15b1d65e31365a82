#include "common/code_page.h"

#include <unicode/ucnv.h>

#include <stdexcept>

#include "common/text_codec.h"

namespace tess {

CodePage::CodePage(const std::string& name) : name_(name) {
    UErrorCode status = U_ZERO_ERROR;
    converter_ = ucnv_open(name.c_str(), &status);
    // An alias that several converters share (windows-1250) opens ICU's preferred one, with a
    // warning that is no failure.
    if (U_FAILURE(status) || !converter_) {
        if (converter_) ucnv_close(converter_);
        throw std::invalid_argument("\"" + name + "\" is not a code page this program knows.");
    }
}

CodePage::~CodePage() { ucnv_close(converter_); }

std::string CodePage::toUtf8(std::string_view bytes) const {
    std::u16string wide(bytes.size() * 2 + 1, u'\0');  // a byte gives at most a surrogate pair
    UErrorCode status = U_ZERO_ERROR;
    int32_t length = 0;
    {
        std::lock_guard lock(using_);
        ucnv_reset(converter_);
        length = ucnv_toUChars(converter_, wide.data(), static_cast<int32_t>(wide.size()), bytes.data(),
                               static_cast<int32_t>(bytes.size()), &status);
    }
    if (U_FAILURE(status)) throw std::runtime_error(std::string("Text could not be read as ") + name_ + ": " + u_errorName(status));
    return Utf16ToUtf8(wide.data(), static_cast<size_t>(length));
}

}  // namespace tess
