#pragma once
// Evidence that a copy holds every row, digit and character of its source: both tables are read
// through the same recordsets as the transfer, each value is taken as the copy leaves it (the
// conversions the mappings make by design are no differences), and the rows are compared as
// multisets: order does not matter and duplicates count. Rows become 128-bit hashes, which go to
// files on disk in 64 partitions when they outgrow memory; the comparison then holds one partition
// of each side at a time, so memory grows with a 64th of the table (16 bytes a row), not with it.
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "transfer/source_column.h"

namespace tess {

class Connection;

enum class CopyDirection { kToFirebird, kToSqlServer };

struct VerificationOptions {
    long long sample = 0;           // compare only about this many rows, spread across the table; 0: all
    size_t differencesShown = 5;    // difference lines shown: twice this at most
    size_t hashesInMemory = 1 << 16;  // per side (16 bytes each), before they go to disk
    // Where they go, in files without a name; when empty, $TMPDIR (or /tmp where it is unset or empty).
    std::string spillFolder;
    // Told after each row read: side ("source" or "target"), rows read.
    std::function<void(const char*, long long)> progress;
    // The columns that name a row in the differences shown (the table's key); all of them when
    // empty or when one is not among the table's columns.
    std::vector<std::string> keyColumns;
    // The source's array columns, by its catalogue: each value must arrive as the text the copy
    // carries ("{...}"), or the table is not verified.
    std::vector<std::string> arrayColumns;
    // Asked before each row: true ends the verification with VerificationStopped.
    std::function<bool()> stopRequested;
};

// A verification that a stop request ended; what() says how far it got.
class VerificationStopped : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A column whose values the verification cannot compare exactly: the table is not verified, which
// is never "identical". what() names the column.
class ColumnNotComparable : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct VerificationResult {
    long long sourceRows = 0, targetRows = 0;  // rows compared on each side
    long long sourceTotal = -1, targetTotal = -1;  // with a sample: the rows of each whole table
    bool totalsAgree = true;  // false with a sample whose whole tables differ, or could not be counted
    long long matching = 0, onlyInSource = 0, onlyInTarget = 0;
    std::vector<std::string> differences;      // the first few, column by column
    // A sample is identical only where the whole tables hold as many rows too.
    bool identical() const {
        return onlyInSource == 0 && onlyInTarget == 0 && sourceRows == targetRows && totalsAgree;
    }
};

// Reads `sourceQuery` on `source` and `targetQuery` on `target`. Throws the adapters' errors.
VerificationResult VerifyTable(Connection& source, const std::string& sourceQuery, Connection& target,
                               const std::string& targetQuery, CopyDirection direction,
                               const VerificationOptions& options);

}  // namespace tess
