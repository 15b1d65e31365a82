#include "catalogue/name_patterns.h"

#include <algorithm>

#include "platform/stand_in_quirks.h"

namespace tess {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsHex(char c) { return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }
bool IsNameCharacter(char c) {
    return IsDigit(c) || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c == '$';
}
char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

size_t Digits(std::string_view text, size_t at) {
    size_t end = at;
    while (end < text.size() && IsDigit(text[end])) ++end;
    return end - at;
}

// A cursor over a trigger's body that skips white space and matches words without regard to case.
struct Scanner {
    std::string_view text;
    size_t at = 0;
    void space() {
        while (at < text.size() && (text[at] == ' ' || text[at] == '\t' || text[at] == '\r' || text[at] == '\n')) ++at;
    }
    bool word(std::string_view w) {
        space();
        if (text.size() - at < w.size()) return false;
        for (size_t i = 0; i < w.size(); ++i)
            if (Upper(text[at + i]) != w[i]) return false;
        at += w.size();
        return true;
    }
    // A name, quoted or bare (then upper-cased); empty when there is none.
    std::string name() {
        space();
        if (at < text.size() && text[at] == '"') {
            const size_t end = text.find('"', at + 1);
            if (end == std::string_view::npos) return {};
            std::string quoted(text.substr(at + 1, end - at - 1));
            at = end + 1;
            return quoted;
        }
        std::string bare;
        while (at < text.size() && IsNameCharacter(text[at])) bare += Upper(text[at++]);
        return bare;
    }
};

}  // namespace

bool IsPlainNumber(std::string_view t) {
    size_t at = !t.empty() && (t[0] == '-' || t[0] == '+') ? 1 : 0;
    const size_t whole = Digits(t, at);
    if (whole == 0) return false;
    at += whole;
    if (at < t.size() && t[at] == '.') {
        const size_t fraction = Digits(t, at + 1);
        if (fraction == 0) return false;
        at += 1 + fraction;
    }
    if (at < t.size() && (t[at] == 'e' || t[at] == 'E')) {
        ++at;
        if (at < t.size() && (t[at] == '-' || t[at] == '+')) ++at;
        const size_t exponent = Digits(t, at);
        if (exponent == 0) return false;
        at += exponent;
    }
    return at == t.size();
}

bool IsMadeUpFirebirdName(std::string_view name) {
    for (std::string_view prefix : {"INTEG_", "RDB$PRIMARY", "RDB$FOREIGN", "RDB$"})
        if (name.substr(0, prefix.size()) == prefix)
            return name.size() > prefix.size() && Digits(name, prefix.size()) == name.size() - prefix.size();
    return false;
}

bool IsMadeUpSqlServerName(std::string_view name) {
    if (stand_in::IsMadeUpIndexName(name)) return true;
    const std::string_view kind = name.substr(0, 4);
    if (kind != "PK__" && kind != "UQ__" && kind != "FK__" && kind != "DF__") return false;
    const size_t last = name.rfind("__");
    if (last < 4) return false;
    const std::string_view tail = name.substr(last + 2);
    return tail.size() >= 8 && std::all_of(tail.begin(), tail.end(), IsHex);
}

std::optional<std::string> GeneratorFedColumn(std::string_view body) {
    for (size_t from = 0;; ++from) {
        Scanner s{body, from};
        // Each place where NEW stands as a word of its own.
        size_t found = std::string_view::npos;
        for (size_t i = from; i + 3 <= body.size(); ++i)
            if (Upper(body[i]) == 'N' && Upper(body[i + 1]) == 'E' && Upper(body[i + 2]) == 'W' &&
                (i == 0 || !IsNameCharacter(body[i - 1]))) {
                found = i;
                break;
            }
        if (found == std::string_view::npos) return std::nullopt;
        from = found;
        s.at = found + 3;
        if (!s.word(".")) continue;
        const std::string column = s.name();
        if (column.empty() || !s.word("=")) continue;
        const size_t value = s.at;
        if (s.word("GEN_ID") && s.word("(") && !s.name().empty() && s.word(",") && s.word("1") && s.word(")"))
            return column;
        s.at = value;
        if (s.word("NEXT") && s.word("VALUE") && s.word("FOR") && !s.name().empty()) return column;
    }
}

}  // namespace tess
