#include "transfer/firebird_insert.h"

#include <charconv>
#include <cmath>
#include <limits>

#include "transfer/identifiers.h"
#include "transfer/value_text.h"

namespace tess {
namespace {

// Below this magnitude Firebird's literal reading was seen to refuse doubles it can store
// (2.3e-308, DBL_MIN, subnormals); the margin keeps clear of where the refusals begin.
constexpr double kSmallestSafeDoubleLiteral = 1e-300;
constexpr size_t kExactLiteralDigits = 15;

void AppendNumeric(std::string& s, const Value& value) {
    const std::string text = ValueText(value);
    if (text.empty()) s += "NULL";
    else if (text == "False") s += '0';
    else if (text == "True") s += '1';
    else s += text;
}

// The literal of a non-numeric value; false when it is longer than `limit` and must be a parameter.
bool AppendLiteral(std::string& s, const Value& value, size_t limit, bool dateOnly) {
    if (const auto* bytes = std::get_if<Bytes>(&value)) {
        if (bytes->empty()) return s += "NULL", true;
        if (bytes->size() * 2 + 3 > limit) return false;
        s += "X'";
        s += HexDigits(*bytes);
        s += '\'';
        return true;
    }
    if (const auto* t = std::get_if<DateTime>(&value)) {
        // A time of day alone is written on the zero date, as the date-time kind carries it.
        s += '\'';
        s += DateTimeText(*t, !(t->isMidnight() && (dateOnly || !t->isZeroDate())));
        s += '\'';
        return true;
    }
    const std::string text = ValueText(value);
    if (text.empty()) return s += "NULL", true;
    if (text.size() + 2 > limit) return false;
    s += '\'';
    AppendDoublingQuotes(s, text);
    s += '\'';
    return true;
}

// Firebird refuses some float and double literals that its columns hold (a single whose shortest
// text rounds past the single range, doubles near and below the smallest normal one), reads doubles
// of more than 15 digits or with an exponent inexactly, and loses the sign of negative zero. Those
// values travel as parameters, which carry their exact bits. `text` is the value's shortest text.
bool LiteralLosesFloat(const Floating& f, const std::string& text) {
    if (!std::isfinite(f.value)) return true;
    if (f.value == 0) return std::signbit(f.value);
    const double magnitude = std::fabs(f.value);
    if (f.single) {
        // Read back as a double, the shortest text of the largest singles lies past FLT_MAX.
        double read = 0;
        std::from_chars(text.data(), text.data() + text.size(), read);
        return std::fabs(read) > std::numeric_limits<float>::max() || magnitude < std::numeric_limits<float>::min();
    }
    if (magnitude < kSmallestSafeDoubleLiteral) return true;
    // Firebird reads a literal's digits as an integer and scales it by a power of ten: exact only
    // while the digits fit a double's 53 bits (15 of them always do) and no exponent is involved.
    // 1.6666666666666665 was seen to arrive as 1.6666666666666663.
    if (text.find_first_of("eE") != std::string::npos) return true;
    size_t digits = 0;
    bool leading = true;
    for (char c : text) {
        if (c < '0' || c > '9') continue;
        if (leading && c == '0') continue;
        leading = false;
        ++digits;
    }
    return digits > kExactLiteralDigits;
}


Statement Render(const std::string& tableName, const std::vector<bool>& numeric, const std::vector<Value>& row,
                 const std::vector<bool>& dateOnly, size_t literalLimit) {
    Statement statement;
    std::string& s = statement.text;
    s.reserve(64 + row.size() * 16);
    s += "INSERT INTO ";
    s += FirebirdName(tableName);
    s += " VALUES(";
    for (size_t j = 0; j < row.size(); ++j) {
        const bool isNumeric = j < numeric.size() && numeric[j];
        if (const auto* floating = std::get_if<Floating>(&row[j])) {
            // The shortest text, made once: it decides whether a literal carries the value exactly.
            const std::string text = ValueText(*floating);
            if (LiteralLosesFloat(*floating, text)) {
                s += '?';
                statement.parameters.push_back(row[j]);
            } else if (isNumeric) {
                s += text;
            } else {
                s += '\'' + text + '\'';
            }
        } else if (isNumeric) {
            AppendNumeric(s, row[j]);
        } else if (!AppendLiteral(s, row[j], literalLimit, j < dateOnly.size() && dateOnly[j])) {
            s += '?';
            statement.parameters.push_back(row[j]);
        }
        s += ", ";
    }
    if (!row.empty()) s.resize(s.size() - 2);
    s += ')';
    return statement;
}

}  // namespace

std::string FirebirdBulkInsert(const std::string& tableName, size_t columns) {
    return PreparedInsert(FirebirdName(tableName), columns);
}

std::vector<Value> FirebirdBulkValues(const std::vector<bool>& numeric, const std::vector<Value>& row,
                                      const std::vector<bool>& dateOnly) {
    return FirebirdBulkValues(numeric, row, dateOnly, {});
}

std::vector<Value> FirebirdBulkValues(const std::vector<bool>& numeric, const std::vector<Value>& row,
                                      const std::vector<bool>& dateOnly, const std::vector<bool>& moment) {
    std::vector<Value> values;
    values.reserve(row.size());
    for (size_t j = 0; j < row.size(); ++j) {
        const Value& v = row[j];
        const bool isNumeric = j < numeric.size() && numeric[j];
        if (std::holds_alternative<Floating>(v) || (isNumeric && std::holds_alternative<std::int64_t>(v))) {
            values.push_back(v);  // as themselves: the adapter gives each its exact binary form
        } else if (const auto* b = std::get_if<bool>(&v); b && isNumeric) {
            values.push_back(std::int64_t{*b ? 1 : 0});
        } else if (const auto* bytes = std::get_if<Bytes>(&v)) {
            // Copied once: a conditional between a new value and this one made a second copy.
            if (bytes->empty()) values.emplace_back(Null{});
            else values.push_back(v);
        } else if (std::holds_alternative<DateTime>(v) && j < moment.size() && moment[j]) {
            values.push_back(v);
        } else if (const auto* t = std::get_if<DateTime>(&v); t && !(j < numeric.size() && numeric[j])) {
            const bool alone = j < dateOnly.size() && dateOnly[j];
            values.push_back(DateTimeText(*t, !(t->isMidnight() && (alone || !t->isZeroDate()))));
        } else {
            std::string text = ValueText(v);
            if (j < numeric.size() && numeric[j] && (text == "True" || text == "False"))
                text = std::string(text == "True" ? "1" : "0");  // a new string: GCC 12 misjudges an assign as overlapping
            if (text.empty())
                values.emplace_back(Null{});
            else
                values.emplace_back(std::move(text));
        }
    }
    return values;
}


Statement RenderFirebirdInsert(const std::string& tableName, const std::vector<bool>& numeric,
                               const std::vector<Value>& row, const std::vector<bool>& dateOnly) {
    Statement statement = Render(tableName, numeric, row, dateOnly, kFirebirdMaxLiteralBytes);
    // Many large values in one row: move ever shorter ones to parameters until the text fits.
    for (size_t limit : {size_t{2000}, size_t{100}, size_t{0}}) {
        if (statement.text.size() <= kFirebirdMaxStatementBytes) break;
        statement = Render(tableName, numeric, row, dateOnly, limit);
    }
    return statement;
}

}  // namespace tess
