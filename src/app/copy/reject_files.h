#pragma once
// --rejects DIR: for each table with rows the target refused, a file in DIR of those rows as the
// target's INSERT statements (the text the literal path sends), each after a comment with its row
// number, key and the driver's words. Once the cause is mended (a column widened, say), the
// target's own tool (isql, sqlcmd) puts them in. A file appears only for a table with refused rows,
// and only whole: it is written beside its name and takes it at the table's end.
#include <cstdio>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>

#include "transfer/copy_failure.h"

namespace tess {

class RejectFilesError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The file name a table's rejects take: letters, digits, "_" and "-" as they are, every other byte
// as %XX, so that no name (quotes, slashes, dots, any script) leaves the folder or hides; a long
// name is cut and told apart by a hash of the whole.
std::string RejectFileName(const std::string& table);

class RejectFiles {
public:
    // Checks that the folder takes files, before any connection; throws RejectFilesError saying why
    // not. `overwrite`: an existing file of a table's name is replaced; else the rows go to the
    // first free name after it ("T.1.sql").
    RejectFiles(std::string folder, bool overwrite, bool toFirebird);
    ~RejectFiles();
    RejectFiles(const RejectFiles&) = delete;
    RejectFiles& operator=(const RejectFiles&) = delete;

    // A row the target refused; anything else is ignored. Throws RejectFilesError when the file
    // cannot be written.
    void refused(const CopyFailure& failure);
    // The table's file put in place; its path, or nothing when no row of it was refused.
    std::optional<std::string> tableDone();

private:
    void open(const std::string& table);

    std::string folder_;
    bool overwrite_, toFirebird_;
    std::string table_, temporary_;
    std::FILE* file_ = nullptr;
};

}  // namespace tess
