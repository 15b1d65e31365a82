#pragma once
// A scratch file with no name: made in a folder and at once without a link there, so that nothing
// of it is left behind however the process ends (a signal, a crash, a kill). Closed on destruction.
#include <functional>
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

// Where the file system has no O_TMPFILE: a file made under a name that `names` gives, only where
// no file or link of that name exists (else the next name), never through a link, unlinked at
// once; its descriptor. Throws std::system_error when the folder takes none.
int OpenNamedThenUnlink(const std::string& folder, const std::function<std::string()>& names);

}  // namespace tess
