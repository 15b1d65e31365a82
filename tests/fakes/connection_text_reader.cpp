#include "fakes/connection_text_reader.h"

#include <algorithm>

#include "common/text_case.h"

namespace tess {
namespace {

std::string Trim(const std::string& s) {
    size_t b = s.find_first_not_of(' ');
    if (b == std::string::npos) return "";
    size_t e = s.find_last_not_of(' ');
    return s.substr(b, e - b + 1);
}

// Reads a braced value starting at text[i] == '{'; leaves i after the closing brace.
std::string ReadBraced(const std::string& text, size_t& i, bool keepBraces) {
    std::string out = keepBraces ? "{" : "";
    for (++i; i < text.size(); ++i) {
        if (text[i] == '}') {
            if (i + 1 < text.size() && text[i + 1] == '}') {
                out += keepBraces ? "}}" : "}";
                ++i;
                continue;
            }
            ++i;
            if (keepBraces) out += '}';
            return out;
        }
        out += text[i];
    }
    return out;
}

}  // namespace

ConnectionPairs ParseConnectionText(const std::string& text) {
    ConnectionPairs pairs;
    size_t i = 0;
    while (i < text.size()) {
        size_t eq = text.find('=', i);
        if (eq == std::string::npos) break;
        std::string key = Trim(text.substr(i, eq - i));
        i = eq + 1;
        std::string value;
        if (i < text.size() && text[i] == '{') {
            value = ReadBraced(text, i, false);
        } else if (i < text.size() && text[i] == '\'') {
            for (++i; i < text.size(); ++i) {
                if (text[i] == '{') {
                    value += ReadBraced(text, i, true);
                    --i;
                } else if (text[i] == '\'') {
                    if (i + 1 < text.size() && text[i + 1] == '\'') {
                        value += '\'';
                        ++i;
                    } else {
                        ++i;
                        break;
                    }
                } else {
                    value += text[i];
                }
            }
        }
        // Plain text up to the next ";" (after a quoted part this is usually nothing, or a blank).
        size_t semi = text.find(';', i);
        std::string rest = text.substr(i, semi == std::string::npos ? std::string::npos : semi - i);
        value += rest;
        i = semi == std::string::npos ? text.size() : semi + 1;
        if (!key.empty()) pairs.emplace_back(key, value);
    }
    return pairs;
}

std::optional<std::string> FindConnectionValue(const ConnectionPairs& pairs, const std::string& key) {
    const std::string wanted = LowerCase(Trim(key));
    auto it = std::find_if(pairs.begin(), pairs.end(),
                           [&](const auto& p) { return LowerCase(p.first) == wanted; });
    if (it == pairs.end()) return std::nullopt;
    return it->second;
}

}  // namespace tess
