#include "catalogue/table_structure.h"

#include <algorithm>

#include "catalogue/name_patterns.h"
#include "common/text_case.h"

namespace tess {
namespace {

std::string Trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

// SQL Server keeps a default inside parentheses, sometimes two pairs of them: "((0))".
std::string WithoutOuterParentheses(std::string text) {
    while (text.size() >= 2 && text.front() == '(' && text.back() == ')') {
        int depth = 0;
        bool wrapsAll = true;
        for (size_t i = 0; i + 1 < text.size(); ++i) {
            depth += text[i] == '(' ? 1 : text[i] == ')' ? -1 : 0;
            if (depth == 0) wrapsAll = false;
        }
        if (!wrapsAll) break;
        text = Trimmed(text.substr(1, text.size() - 2));
    }
    return text;
}

// 'it''s' (or N'it''s') to it's; nothing when the text is not one whole literal.
std::optional<std::string> QuotedText(const std::string& text) {
    size_t at = text.size() > 1 && (text[0] == 'N' || text[0] == 'n') && text[1] == '\'' ? 1 : 0;
    if (text.size() < at + 2 || text[at] != '\'' || text.back() != '\'') return std::nullopt;
    std::string value;
    for (size_t i = at + 1; i + 1 < text.size(); ++i) {
        if (text[i] == '\'') {
            if (text[i + 1] != '\'' || i + 2 >= text.size()) return std::nullopt;
            ++i;
        }
        value += text[i];
    }
    return value;
}

}  // namespace

bool TableStructure::indexesColumn(const std::string& column) const {
    auto in = [&column](const std::vector<std::string>& columns) {
        return std::find(columns.begin(), columns.end(), column) != columns.end();
    };
    if (primaryKey && in(primaryKey->columns)) return true;
    for (const auto& key : uniques)
        if (in(key.columns)) return true;
    for (const auto& index : indexes)
        if (in(index.columns)) return true;
    for (const auto& key : foreignKeys)
        if (in(key.columns)) return true;
    return false;
}

// Without the word DEFAULT that Firebird keeps, and without SQL Server's parentheses.
static std::string DefaultText(const std::string& source) {
    std::string text = Trimmed(source);
    if (LowerCase(text.substr(0, 8)) == "default ") text = Trimmed(text.substr(8));
    return WithoutOuterParentheses(text);
}

bool IsNullDefault(const std::string& source) { return LowerCase(DefaultText(source)) == "null"; }

std::optional<DefaultValue> ParseDefault(const std::string& source) {
    const std::string text = DefaultText(source);
    if (auto quoted = QuotedText(text)) return DefaultValue{DefaultValue::kText, *quoted};
    if (IsPlainNumber(text)) return DefaultValue{DefaultValue::kNumber, text[0] == '+' ? text.substr(1) : text};
    const std::string word = LowerCase(text);
    if (word == "current_timestamp" || word == "getdate()" || word == "sysdatetime()" || word == "localtimestamp")
        return DefaultValue{DefaultValue::kCurrentTimestamp, {}};
    if (word == "current_date") return DefaultValue{DefaultValue::kCurrentDate, {}};
    return std::nullopt;
}

}  // namespace tess
