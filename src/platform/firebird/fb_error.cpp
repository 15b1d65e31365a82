#include "platform/firebird/fb_error.h"

#include <vector>

namespace tess {

std::string FormatFirebirdStatus(Firebird::IUtil* util, const Firebird::IStatus* status) {
    std::vector<char> buffer(4096);
    unsigned length = util->formatStatus(buffer.data(), static_cast<unsigned>(buffer.size()),
                                         const_cast<Firebird::IStatus*>(status));
    std::string text(buffer.data(), std::min<size_t>(length, buffer.size()));
    while (!text.empty() && (text.back() == '\n' || text.back() == '\0')) text.pop_back();
    return text.empty() ? "Firebird reported an error without a description" : text;
}

}  // namespace tess
