#include "common/anonymous_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <random>
#include <system_error>

namespace tess {
namespace {

[[noreturn]] void Fail(const std::string& what) { throw std::system_error(errno, std::generic_category(), what); }

}  // namespace

int OpenNamedThenUnlink(const std::string& folder, const std::function<std::string()>& names) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string path = folder + "/" + names();
        const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd < 0 && errno == EEXIST) continue;
        if (fd < 0) Fail("Cannot make a scratch file in " + folder);
        ::unlink(path.c_str());
        return fd;
    }
    Fail("Cannot make a scratch file in " + folder);
}

AnonymousFile::AnonymousFile(const std::string& folder) {
    fd_ = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd_ < 0 && (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL)) {
        std::random_device random;  // names no one can foresee
        fd_ = OpenNamedThenUnlink(folder, [&] { return "scratch-" + std::to_string(random()) + std::to_string(random()); });
    }
    if (fd_ < 0) Fail("Cannot make a scratch file in " + folder);
}

AnonymousFile::~AnonymousFile() {
    if (fd_ >= 0) ::close(fd_);
}

AnonymousFile::AnonymousFile(AnonymousFile&& other) noexcept : fd_(other.fd_), size_(other.size_) { other.fd_ = -1; }

void AnonymousFile::append(const void* data, size_t size) {
    const char* at = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t written = ::pwrite(fd_, at, size, size_);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) Fail("Cannot write a scratch file");
        at += written;
        size -= static_cast<size_t>(written);
        size_ += written;
    }
}

std::vector<char> AnonymousFile::readAll() const {
    std::vector<char> out(static_cast<size_t>(size_));
    size_t done = 0;
    while (done < out.size()) {
        const ssize_t got = ::pread(fd_, out.data() + done, out.size() - done, static_cast<off_t>(done));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) Fail("Cannot read a scratch file");
        done += static_cast<size_t>(got);
    }
    return out;
}

}  // namespace tess
