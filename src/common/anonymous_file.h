#pragma once
// A scratch file with no name: made in a folder and at once without a link there, so that nothing
// of it is left behind however the process ends (a signal, a crash, a kill). Closed on destruction.
#include <string>
#include <vector>

namespace tess {

class AnonymousFile {
public:
    // Throws std::system_error when the folder takes no file.
    explicit AnonymousFile(const std::string& folder);
    ~AnonymousFile();
    AnonymousFile(AnonymousFile&& other) noexcept;
    AnonymousFile& operator=(AnonymousFile&&) = delete;
    AnonymousFile(const AnonymousFile&) = delete;
    AnonymousFile& operator=(const AnonymousFile&) = delete;

    void append(const void* data, size_t size);
    // Everything appended so far.
    std::vector<char> readAll() const;

private:
    int fd_ = -1;
    long long size_ = 0;
};

}  // namespace tess
