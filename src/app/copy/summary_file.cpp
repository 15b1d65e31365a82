#include "app/copy/summary_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <random>

namespace tess {
namespace {

std::string Why(int error) { return std::strerror(error); }

// The folder a file of that path lands in.
std::string FolderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// A file of its own beside `path`, made only where none was: where the whole text is written
// before it takes the path's place. Fails (-1, errno set) as the folder would fail the summary.
int OpenBeside(const std::string& path, std::string& made) {
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        made = path + ".tmp-" + std::to_string(random());
        const int fd = ::open(made.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

// The whole text, then the close: either failing (a full disk, /dev/full) is the summary's failure.
bool WriteAllAndClose(int fd, const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            const int error = n < 0 ? errno : ENOSPC;
            ::close(fd);
            errno = error;
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return ::close(fd) == 0;
}

// Whether a database's text ("/data/x.fdb", "host:/data/x.fdb", a stand-in's file) names the file
// `st` describes.
bool IsFileOf(const std::string& database, const struct stat& st) {
    std::string local = database;
    if (const size_t colon = local.find(':'); colon != std::string::npos && colon > 1 && local[0] != '/')
        local = local.substr(colon + 1);  // a server's path: the same file where the server is this machine
    struct stat other {};
    return !local.empty() && ::stat(local.c_str(), &other) == 0 && other.st_dev == st.st_dev &&
           other.st_ino == st.st_ino;
}

}  // namespace

SummaryFile::SummaryFile(std::string path, const std::vector<std::string>& databases) : path_(std::move(path)) {
    const std::string cannot = "cannot write the summary to \"" + path_ + "\": ";
    if (path_.empty()) throw SummaryFileError("cannot write the summary: the file name is empty");
    struct stat st {};
    if (::stat(path_.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode)) throw SummaryFileError(cannot + "it is a folder");
        // A pipe whose reader went would hold the program for good, and a reader there would get
        // more than one summary.
        if (S_ISFIFO(st.st_mode)) throw SummaryFileError(cannot + "it is a pipe; name a file");
        for (const std::string& database : databases)
            if (IsFileOf(database, st)) throw SummaryFileError(cannot + "it is the database " + database + " of this run");
        inPlace_ = !S_ISREG(st.st_mode);
    }
    if (inPlace_) {
        const int fd = ::open(path_.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) throw SummaryFileError(cannot + Why(errno));
        ::close(fd);
        return;
    }
    std::string probe;
    const int fd = OpenBeside(path_, probe);
    if (fd < 0) throw SummaryFileError(cannot + Why(errno) + " (in " + FolderOf(path_) + ")");
    ::close(fd);
    ::unlink(probe.c_str());
    // What an earlier run wrote must not stand for this run, however this one ends.
    if (::unlink(path_.c_str()) != 0 && errno != ENOENT) throw SummaryFileError(cannot + Why(errno));
}

void SummaryFile::keep(std::vector<TableSummary> tables) {
    std::lock_guard lock(mutex_);
    kept_ = std::move(tables);
}

void SummaryFile::write(const std::vector<TableSummary>& tables, int exitStatus,
                        const std::vector<std::string>& notCarried) {
    std::lock_guard lock(mutex_);
    kept_ = tables;
    writeText(SummaryJson(tables, exitStatus, notCarried));
}

void SummaryFile::writeKept(int exitStatus) noexcept {
    try {
        std::lock_guard lock(mutex_);
        writeText(SummaryJson(kept_, exitStatus));
    } catch (...) {  // the process ends now: no file says more than a wrong one would
    }
}

void SummaryFile::writeText(const std::string& text) {
    const std::string cannot = "cannot write the summary to \"" + path_ + "\": ";
    if (inPlace_) {
        const int fd = ::open(path_.c_str(), O_WRONLY | O_CLOEXEC);
        if (fd < 0 || !WriteAllAndClose(fd, text)) throw SummaryFileError(cannot + Why(errno));
        return;
    }
    std::string temporary;
    const int fd = OpenBeside(path_, temporary);
    if (fd < 0) throw SummaryFileError(cannot + Why(errno));
    if (!WriteAllAndClose(fd, text) || ::rename(temporary.c_str(), path_.c_str()) != 0) {
        const int error = errno;
        ::unlink(temporary.c_str());
        throw SummaryFileError(cannot + Why(error));
    }
}

}  // namespace tess
