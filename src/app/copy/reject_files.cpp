#include "app/copy/reject_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <functional>
#include <random>

namespace tess {
namespace {

constexpr size_t kLongestName = 180;  // bytes before ".sql" and a hash: within any file system's 255

std::string Why(int error) { return std::strerror(error); }

// The driver's words on one comment line.
std::string CommentLine(const std::string& text) {
    std::string out;
    for (char c : text) out += (c == '\n' || c == '\r') ? std::string(" / ") : std::string(1, c);
    return out;
}

// A file of its own in the folder, made only where none was.
std::FILE* OpenNew(const std::string& folder, std::string& made) {
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        made = folder + "/.rejects-" + std::to_string(random()) + ".tmp";
        const int fd = ::open(made.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd >= 0) return ::fdopen(fd, "w");
        if (errno != EEXIST) return nullptr;
    }
    return nullptr;
}

}  // namespace

std::string RejectFileName(const std::string& table) {
    static const char* const kHex = "0123456789ABCDEF";
    std::string name;
    for (unsigned char c : table) {
        if (std::isalnum(c) && c < 0x80) name += static_cast<char>(c);
        else if (c == '_' || c == '-') name += static_cast<char>(c);
        else name += {'%', kHex[c >> 4], kHex[c & 15]};
    }
    if (name.size() > kLongestName) {
        char hash[17];
        std::snprintf(hash, sizeof hash, "%016zx", std::hash<std::string>{}(table));
        name = name.substr(0, kLongestName) + "~" + hash;
    }
    return name;
}

RejectFiles::RejectFiles(std::string folder, bool overwrite, bool toFirebird)
    : folder_(std::move(folder)), overwrite_(overwrite), toFirebird_(toFirebird) {
    const std::string cannot = "cannot write rejected rows to \"" + folder_ + "\": ";
    struct stat st {};
    if (folder_.empty()) throw RejectFilesError("cannot write rejected rows: the folder name is empty");
    if (::stat(folder_.c_str(), &st) != 0) throw RejectFilesError(cannot + Why(errno));
    if (!S_ISDIR(st.st_mode)) throw RejectFilesError(cannot + "it is not a folder");
    std::string probe;
    std::FILE* file = OpenNew(folder_, probe);
    if (!file) throw RejectFilesError(cannot + Why(errno));
    std::fclose(file);
    ::unlink(probe.c_str());
}

RejectFiles::~RejectFiles() {
    if (!file_) return;
    std::fclose(file_);
    ::unlink(temporary_.c_str());  // a table that never ended: no file stands for it
}

void RejectFiles::open(const std::string& table) {
    table_ = table;
    file_ = OpenNew(folder_, temporary_);
    if (!file_) throw RejectFilesError("cannot write rejected rows to \"" + folder_ + "\": " + Why(errno));
    std::fprintf(file_, "-- Rows of %s that the target refused, as INSERT statements. Once the cause is mended,\n",
                 CommentLine(table).c_str());
    std::fprintf(file_, toFirebird_ ? "-- put them in with: isql -ch UTF8 -i FILE DATABASE\n"
                                    : "-- put them in with: sqlcmd -f 65001 -i FILE (with the server and database)\n");
}

void RejectFiles::refused(const CopyFailure& failure) {
    if (failure.kind != FailureKind::kRowRefused) return;
    if (!file_ || table_ != failure.table) open(failure.table);
    std::string comment = "-- row " + std::to_string(failure.row);
    if (!failure.rowKey.empty()) comment += " (" + failure.rowKey + ")";
    comment += ": " + CommentLine(failure.words) + "\n";
    std::string text = comment;
    if (!failure.rowStatement.empty()) text += failure.rowStatement + ";\n";
    else text += "-- not written as a statement: " + CommentLine(failure.noRowStatement.empty()
                                                                      ? std::string("its values were not read")
                                                                      : failure.noRowStatement) + "\n";
    if (std::fwrite(text.data(), 1, text.size(), file_) != text.size())
        throw RejectFilesError("cannot write rejected rows to \"" + temporary_ + "\": " + Why(errno));
}

std::optional<std::string> RejectFiles::tableDone() {
    if (!file_) return std::nullopt;
    if (toFirebird_) std::fputs("COMMIT;\n", file_);
    const bool written = std::fflush(file_) == 0 && ::fsync(fileno(file_)) == 0;
    const int error = errno;
    std::fclose(file_);
    file_ = nullptr;
    const std::string cannot = "cannot write rejected rows to \"" + folder_ + "\": ";
    if (!written) {
        ::unlink(temporary_.c_str());
        throw RejectFilesError(cannot + Why(error));
    }
    const std::string base = folder_ + "/" + RejectFileName(table_);
    std::string path = base + ".sql";
    if (overwrite_ && ::rename(temporary_.c_str(), path.c_str()) == 0) return path;
    // Never over an existing file: link takes the name only where none is.
    for (int n = 1; !overwrite_ && n < 10000; ++n) {
        if (::link(temporary_.c_str(), path.c_str()) == 0) {
            ::unlink(temporary_.c_str());
            return path;
        }
        if (errno != EEXIST) break;
        path = base + "." + std::to_string(n) + ".sql";
    }
    const int failed = errno;
    ::unlink(temporary_.c_str());
    throw RejectFilesError(cannot + Why(failed));
}

}  // namespace tess
