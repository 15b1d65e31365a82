#pragma once
// Single-quoted SQL string literals, as both databases read them.
#include <string>
#include <string_view>

namespace tess {

// "it's" becomes "it''s".
inline void AppendDoublingQuotes(std::string& out, std::string_view text) {
    for (std::size_t quote = text.find('\''); quote != std::string_view::npos; quote = text.find('\'')) {
        out.append(text.substr(0, quote + 1));
        out += '\'';
        text.remove_prefix(quote + 1);
    }
    out.append(text);
}

// 'it''s' for it's.
inline std::string QuotedLiteral(std::string_view text) {
    std::string out = "'";
    AppendDoublingQuotes(out, text);
    return out + "'";
}

}  // namespace tess
