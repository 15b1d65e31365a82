#include "transfer/table_verification.h"

#include <stdlib.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <stdexcept>
#include <string_view>

#include "catalogue/ado_type_name.h"
#include "common/anonymous_file.h"
#include "common/digits.h"
#include "common/text_case.h"
#include "platform/database.h"
#include "transfer/firebird_mapping.h"
#include "transfer/sqlserver_mapping.h"

namespace tess {
namespace {

namespace fs = std::filesystem;

using Row = std::vector<std::optional<std::string>>;

struct Hash {
    std::uint64_t high = 0, low = 0;
    auto operator<=>(const Hash&) const = default;
};

// 128 bits over the row, each value length-prefixed so that no two rows share a byte stream: a
// 64-bit FNV-1a run, and beside it a second run with another seed, another byte offset and a shift
// folded in, so that the halves do not collide together. Fed in pieces: a long value is hashed
// where it lies.
class RowHasher {
public:
    void feed(const char* data, size_t size) {
        for (size_t i = 0; i < size; ++i) {
            const auto c = static_cast<unsigned char>(data[i]);
            a_ = (a_ ^ c) * 0x100000001b3ull;
            b_ = (b_ ^ (c + 0x9e)) * 0x100000001b3ull ^ (b_ >> 29);
        }
    }
    void length(std::uint64_t size) { feed(reinterpret_cast<const char*>(&size), sizeof size); }
    void null() { length(~0ull); }
    void text(std::string_view text) {
        if (text.empty()) return null();  // empty texts and binaries are written as NULL
        length(text.size());
        feed(text.data(), text.size());
    }
    // The bytes' hex digits, as their text reads, made a piece at a time.
    void hex(const Bytes& bytes) {
        if (bytes.empty()) return null();
        length(2 * bytes.size());
        constexpr size_t kPiece = 1 << 16;
        std::string digits;
        for (size_t at = 0; at < bytes.size(); at += kPiece) {
            digits.clear();
            AppendHex(digits, bytes.data() + at, std::min(kPiece, bytes.size() - at));
            feed(digits.data(), digits.size());
        }
    }
    Hash done() const { return {a_, b_}; }

private:
    std::uint64_t a_ = 0xcbf29ce484222325ull, b_ = 0x84222325cbf29ce4ull;
};

// Past this length a value kept to describe a row is its beginning, then after kWholeFollows its
// length and the hash of the whole: the rows described are few, their values need not be.
constexpr size_t kLongestValueKept = 4096;
constexpr size_t kValueShown = 77;
constexpr char kWholeFollows = '\x1f';

std::string Abbreviated(std::string text) {
    if (text.size() <= kLongestValueKept) return text;
    RowHasher whole;
    whole.text(text);
    const Hash h = whole.done();
    std::string kept = text.substr(0, kValueShown) + kWholeFollows + std::to_string(text.size()) + " characters, hash ";
    AppendHex(kept, reinterpret_cast<const std::uint8_t*>(&h), sizeof h);
    return kept;
}

// The hashes of one side: in memory until there are too many, then in partition files on disk,
// files without a name, so that none is left behind however the verification ends.
class HashStore {
public:
    static constexpr int kPartitions = 64;
    HashStore(size_t inMemory, fs::path folder) : limit_(inMemory), folder_(std::move(folder)) {}

    void add(const Hash& h) {
        memory_.push_back(h);
        if (memory_.size() >= limit_) spill();
    }

    // The sorted hashes of partition p, or with `whole` every hash. A side kept in memory is split
    // as the spilled side is, so that both hand over the same hashes for each partition.
    std::vector<Hash> partition(int p, bool whole) {
        if (files_.empty()) {
            std::vector<Hash> out;
            for (const Hash& h : memory_)
                if (whole || static_cast<int>(h.high >> 58) == p) out.push_back(h);
            std::sort(out.begin(), out.end());
            return out;
        }
        spill();
        const std::vector<char> bytes = files_[static_cast<size_t>(p)].readAll();
        std::vector<Hash> out(bytes.size() / sizeof(Hash));
        if (!out.empty()) std::memcpy(out.data(), bytes.data(), out.size() * sizeof(Hash));
        std::sort(out.begin(), out.end());
        return out;
    }
    bool spilled() const { return !files_.empty(); }

private:
    void spill() {
        if (files_.empty())
            for (int p = 0; p < kPartitions; ++p) files_.emplace_back(folder_.string());
        std::array<std::vector<Hash>, kPartitions> parts;
        for (const Hash& h : memory_) parts[h.high >> 58].push_back(h);
        for (int p = 0; p < kPartitions; ++p)
            files_[static_cast<size_t>(p)].append(parts[p].data(), parts[p].size() * sizeof(Hash));
        memory_.clear();
    }

    size_t limit_;
    fs::path folder_;
    std::vector<Hash> memory_;
    std::vector<AnonymousFile> files_;
};

// Unmatched rows of each side read again to be paired by their key: enough to pair the rows shown,
// few enough to hold in memory whatever their size.
constexpr size_t kRowsToPair = 256;

struct Unmatched {
    std::map<Hash, long long> sourceExtra, targetExtra;  // hash -> rows more than on the other side
};


// Counts each hash on both sides, partition by partition, and keeps the first few unmatched.
void CountMatches(HashStore& sourceHashes, HashStore& targetHashes, size_t kept, VerificationResult& result,
                  Unmatched& unmatched) {
    const int partitions = sourceHashes.spilled() || targetHashes.spilled() ? HashStore::kPartitions : 1;
    for (int p = 0; p < partitions; ++p) {
        const bool whole = partitions == 1;
        const std::vector<Hash> a = sourceHashes.partition(p, whole), b = targetHashes.partition(p, whole);
        size_t i = 0, k = 0;
        while (i < a.size() || k < b.size()) {
            const Hash h = i < a.size() && (k >= b.size() || a[i] <= b[k]) ? a[i] : b[k];
            long long inSource = 0, inTarget = 0;
            for (; i < a.size() && a[i] == h; ++i) ++inSource;
            for (; k < b.size() && b[k] == h; ++k) ++inTarget;
            result.matching += std::min(inSource, inTarget);
            if (inSource > inTarget) {
                result.onlyInSource += inSource - inTarget;
                if (unmatched.sourceExtra.size() < kept) unmatched.sourceExtra[h] = inSource - inTarget;
            } else if (inTarget > inSource) {
                result.onlyInTarget += inTarget - inSource;
                if (unmatched.targetExtra.size() < kept) unmatched.targetExtra[h] = inTarget - inSource;
            }
        }
    }
}

// The text an array is carried as: "{...}".
bool IsArrayText(const Value& v) {
    const auto* text = std::get_if<std::string>(&v);
    return text && text->size() >= 2 && text->front() == '{' && text->back() == '}';
}

class Verification {
public:
    Verification(CopyDirection direction, const VerificationOptions& options)
        : direction_(direction), options_(options) {}

    // The source's columns decide how every value of the row is taken, on both sides; a target's
    // columns are taken by the source's names (`order`: the target's index of each). Texts and
    // binaries are what they were (binaries as their hex digits): hashed in place, never copied.
    Hash hash(const Recordset& rows, const std::vector<int>* order = nullptr) const {
        RowHasher hasher;
        for (size_t j = 0; j < columns_.size(); ++j) {
            const Value& v = valueOf(rows, order, j);
            if (const auto* text = std::get_if<std::string>(&v)) hasher.text(*text);
            else if (const auto* bytes = std::get_if<Bytes>(&v)) hasher.hex(*bytes);
            else if (const auto made = canonical(v, j)) hasher.text(*made);
            else hasher.null();
        }
        return hasher.done();
    }

    // The row as its hash saw it, to describe it; long values abbreviated.
    Row canonicalRow(const Recordset& rows, const std::vector<int>* order) const {
        Row row(columns_.size());
        for (size_t j = 0; j < columns_.size(); ++j)
            if (auto made = canonical(valueOf(rows, order, j), j)) row[j] = Abbreviated(std::move(*made));
        return row;
    }

    // A type that no rule of either mapping names has no known form on the other side.
    void setColumns(const Recordset& source) {
        columns_.clear();
        isArray_.clear();
        for (int j = 0; j < source.fieldCount(); ++j) {
            const FieldInfo& f = source.field(j);
            if (LowerAdoTypeName(f.type).empty())
                throw ColumnNotComparable("column " + f.name + " is of a type the verification cannot compare (ADO type " +
                                          std::to_string(f.type) + ")");
            columns_.push_back(f);
            isArray_.push_back(std::find(options_.arrayColumns.begin(), options_.arrayColumns.end(), f.name) !=
                               options_.arrayColumns.end());
        }
    }
    const std::vector<SourceColumn>& columns() const { return columns_; }

    // A sampled run keeps the rows whose hash falls below a threshold: the same rows on both sides.
    void setSample(long long sourceCount) {
        if (options_.sample <= 0 || sourceCount <= options_.sample) return;
        threshold_ = static_cast<std::uint64_t>(static_cast<long double>(UINT64_MAX) * options_.sample / sourceCount);
    }
    bool taken(const Hash& h) const { return !threshold_ || h.low <= *threshold_; }

    // Each source column's index among the target's columns, by name: a column renamed or missing
    // on one side is said, not compared with whatever stands in its place.
    std::vector<int> targetOrder(const Recordset& target) const {
        if (target.fieldCount() != static_cast<int>(columns_.size()))
            throw DatabaseError("The target table has " + std::to_string(target.fieldCount()) + " columns, the source " +
                                std::to_string(columns_.size()) + ": it is not a copy of the source.");
        std::vector<int> order;
        for (const SourceColumn& c : columns_) {
            int found = -1;
            for (int k = 0; k < target.fieldCount() && found < 0; ++k)
                if (LowerCase(target.field(k).name) == LowerCase(c.name)) found = k;
            if (found < 0)
                throw ColumnNotComparable("column " + c.name + " of the source is not in the target (renamed or dropped)");
            order.push_back(found);
        }
        return order;
    }

    // Reads one side to its end into the store; returns the rows compared.
    long long read(Recordset& rows, HashStore& store, const char* side, const std::vector<int>* order = nullptr) const {
        long long count = 0, seen = 0;
        for (; !rows.eof(); rows.moveNext(), ++seen) {
            if (options_.stopRequested && options_.stopRequested())
                throw VerificationStopped("stopped after " + std::to_string(seen) + " rows of the " + side);
            const Hash h = hash(rows, order);
            if (!taken(h)) continue;
            store.add(h);
            ++count;
            if (options_.progress) options_.progress(side, count);
        }
        // A guessed reading would be compared with itself, and say "identical" of garbled text.
        if (const std::string guessed = rows.guessedColumn(); !guessed.empty())
            throw ColumnNotComparable("text in NONE column " + guessed + " of the " + side +
                                      " was read by a guess at its code page; name it with --fb-none-code-page");
        rows.close();
        return count;
    }

private:
    CopyDirection direction_;
    const VerificationOptions& options_;
    const Value& valueOf(const Recordset& rows, const std::vector<int>* order, size_t j) const {
        const Value& v = rows.value(order ? (*order)[j] : static_cast<int>(j));
        if (isArray_[j] && !IsNull(v) && !IsArrayText(v))
            throw ColumnNotComparable("column " + columns_[j].name + " is an array, and was not read as one");
        return v;
    }
    std::optional<std::string> canonical(const Value& v, size_t j) const {
        if (IsNull(v)) return std::nullopt;
        return direction_ == CopyDirection::kToFirebird ? ValueAfterCopyToFirebird(v, columns_[j])
                                                        : ValueAfterCopyToSqlServer(v, columns_[j]);
    }

    std::vector<SourceColumn> columns_;
    std::vector<bool> isArray_;
    std::optional<std::uint64_t> threshold_;
};

std::string Shown(const std::optional<std::string>& value) {
    if (!value) return "NULL";
    if (const size_t at = value->find(kWholeFollows); at != std::string::npos)
        return "'" + value->substr(0, at) + "...' (" + value->substr(at + 1) + ")";
    std::string text = *value;
    if (text.size() > 80) text = text.substr(0, 77) + "...";
    return "'" + text + "'";
}

// The key's columns, when each of them is among the columns; else none.
std::vector<size_t> KeyColumns(const std::vector<SourceColumn>& columns, const std::vector<std::string>& key) {
    std::vector<size_t> naming;
    for (const auto& name : key) {
        const auto it = std::find_if(columns.begin(), columns.end(), [&](const SourceColumn& c) {
            return LowerCase(c.name) == LowerCase(name);
        });
        if (it == columns.end()) break;
        naming.push_back(static_cast<size_t>(it - columns.begin()));
    }
    if (naming.size() != key.size()) naming.clear();
    return naming;
}

// A table's key both pairs a source row with its target row and names them. Without a key the
// first column pairs them (most tables' key), and every column names them, so that no two rows
// are named alike.
class RowNames {
public:
    RowNames(const std::vector<SourceColumn>& columns, const std::vector<size_t>& key)
        : columns_(columns), pairing_(key.empty() ? std::vector<size_t>{0} : key), naming_(key) {
        if (naming_.empty())
            for (size_t j = 0; j < columns.size(); ++j) naming_.push_back(j);
    }
    bool sameRow(const Row& a, const Row& b) const {
        return std::all_of(pairing_.begin(), pairing_.end(), [&](size_t j) { return j < a.size() && a[j] == b[j]; });
    }
    // "Id '5', Code 'c5'"
    std::string name(const Row& row) const {
        std::string out;
        for (size_t j : naming_)
            if (j < row.size()) out += (out.empty() ? "" : ", ") + columns_[j].name + " " + Shown(row[j]);
        return out;
    }

private:
    const std::vector<SourceColumn>& columns_;
    std::vector<size_t> pairing_, naming_;
};

// Side by side: each source row with a target row of the same key, the one that agrees with it
// in the most columns; the others on their own.
std::vector<std::string> DescribeDifferences(const RowNames& names, const std::vector<SourceColumn>& columns,
                                             std::vector<Row> sourceRows, std::vector<Row> targetRows) {
    std::vector<std::string> lines;
    for (const Row& s : sourceRows) {
        auto best = targetRows.end();
        size_t bestAgreeing = 0;
        for (auto t = targetRows.begin(); t != targetRows.end(); ++t) {
            if (!names.sameRow(s, *t)) continue;
            size_t agreeing = 0;
            for (size_t j = 0; j < s.size(); ++j) agreeing += s[j] == (*t)[j];
            if (agreeing > bestAgreeing) best = t, bestAgreeing = agreeing;
        }
        if (best == targetRows.end()) {
            lines.push_back("only in source: " + names.name(s));
            continue;
        }
        std::string line = "row " + names.name(s) + " differs:";
        for (size_t j = 0; j < s.size(); ++j)
            if (s[j] != (*best)[j])
                line += " " + columns[j].name + " source " + Shown(s[j]) + ", target " + Shown((*best)[j]) + ";";
        lines.push_back(line);
        targetRows.erase(best);
    }
    for (const Row& t : targetRows) lines.push_back("only in target: " + names.name(t));
    return lines;
}

// $TMPDIR, or /tmp where it is unset or empty: an empty one would be taken as the folder "", and
// every table would go unverified.
fs::path SpillFolder(const std::string& chosen) {
    if (!chosen.empty()) return chosen;
    const char* tmp = std::getenv("TMPDIR");
    return tmp && *tmp ? fs::path(tmp) : fs::path("/tmp");
}

}  // namespace

VerificationResult VerifyTable(Connection& source, const std::string& sourceQuery, Connection& target,
                               const std::string& targetQuery, CopyDirection direction,
                               const VerificationOptions& options) {
    const fs::path spill = SpillFolder(options.spillFolder);
    HashStore sourceHashes(options.hashesInMemory, spill), targetHashes(options.hashesInMemory, spill);
    Verification v(direction, options);

    VerificationResult result;
    {
        // Only a sample needs the source's row count, counted before the rows are opened.
        const long long count = options.sample > 0 ? source.countRows(sourceQuery) : -1;
        auto rows = source.openRecordset(sourceQuery);
        v.setColumns(*rows);
        v.setSample(count);
        if (options.sample > 0) result.sourceTotal = count;
        result.sourceRows = v.read(*rows, sourceHashes, "source");
    }
    // A sample leaves most rows unread: the whole tables' counts still have to agree.
    if (options.sample > 0) result.targetTotal = target.countRows(targetQuery);
    std::vector<int> targetOrder;
    {
        auto rows = target.openRecordset(targetQuery);
        targetOrder = v.targetOrder(*rows);
        result.targetRows = v.read(*rows, targetHashes, "target", &targetOrder);
    }

    Unmatched unmatched;
    CountMatches(sourceHashes, targetHashes, kRowsToPair, result, unmatched);
    if (options.sample > 0 && (result.sourceTotal < 0 || result.targetTotal < 0)) {
        result.totalsAgree = false;
        result.differences.push_back("the whole tables' rows could not be counted, so the sample proves nothing");
    } else if (result.sourceTotal != result.targetTotal) {
        result.totalsAgree = false;
        result.differences.push_back("the whole tables differ in rows: source " + std::to_string(result.sourceTotal) +
                                     ", target " + std::to_string(result.targetTotal));
    }
    if (result.identical()) return result;

    // A second reading finds the rows behind the unmatched hashes, so that a row on both sides
    // that differs is paired by its key and said once.
    auto collect = [&](Connection& side, const std::string& query, std::map<Hash, long long> wanted,
                       const std::vector<int>* order) {
        std::vector<Row> rows;
        auto r = side.openRecordset(query);
        for (; !r->eof() && !wanted.empty(); r->moveNext()) {
            const auto it = wanted.find(v.hash(*r, order));
            if (it == wanted.end()) continue;
            rows.push_back(v.canonicalRow(*r, order));
            if (--it->second == 0) wanted.erase(it);
        }
        r->close();
        return rows;
    };
    const RowNames names(v.columns(), KeyColumns(v.columns(), options.keyColumns));
    const auto rows = DescribeDifferences(names, v.columns(), collect(source, sourceQuery, unmatched.sourceExtra, nullptr),
                                          collect(target, targetQuery, unmatched.targetExtra, &targetOrder));
    result.differences.insert(result.differences.end(), rows.begin(), rows.end());
    if (result.differences.size() > 2 * options.differencesShown) result.differences.resize(2 * options.differencesShown);
    return result;
}

}  // namespace tess
