#pragma once
// --summary-json's file, which a scheduler trusts: checked writable before any row is copied, the
// last run's file gone from the start (so that nothing stale says "complete"), and written whole or
// not at all on every ending, a second signal's too.
#include <mutex>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/copy/copy_summary.h"

namespace tess {

class SummaryFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class SummaryFile {
public:
    // Throws SummaryFileError, saying why, when `path` cannot be written (empty, a folder, a folder
    // that does not exist or cannot be written, a pipe, one of the run's `databases`); removes a
    // regular file an earlier run left there.
    explicit SummaryFile(std::string path, const std::vector<std::string>& databases = {});

    // The tables' summary as far as the run has come, written only if the process ends on a
    // second signal before the whole summary is.
    void keep(std::vector<TableSummary> tables);
    // The whole summary. Throws SummaryFileError when it could not be written whole.
    void write(const std::vector<TableSummary>& tables, int exitStatus,
               const std::vector<std::string>& notCarried = {});
    // What was kept, with the exit status the process is about to have; called on the signal
    // watch's thread just before the process ends, so it never throws.
    void writeKept(int exitStatus) noexcept;

    const std::string& path() const { return path_; }

private:
    void writeText(const std::string& text);  // under the lock

    std::string path_;
    bool inPlace_ = false;  // a device or a pipe: written where it is, never replaced
    std::mutex mutex_;
    std::vector<TableSummary> kept_;
};

}  // namespace tess
