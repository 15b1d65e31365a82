// The scratch file where the file system has no O_TMPFILE.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "common/anonymous_file.h"

namespace tess {
namespace {

std::string Read(const std::filesystem::path& path) {
    std::ostringstream out;
    out << std::ifstream(path).rdbuf();
    return out.str();
}

// A name already taken, by a file or by a link planted to catch the scratch file, is passed over
// untouched; the file made is new, unlinked at once, and holds what is written to it.
TEST(ScratchFile, ANameTakenByAFileOrALinkIsPassedOver) {
    char pattern[] = "/tmp/tessaline-scratch-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    const std::filesystem::path folder = pattern;
    std::ofstream(folder / "taken") << "keep";
    std::ofstream(folder / "victim") << "keep";
    std::filesystem::create_symlink(folder / "victim", folder / "planted");
    const std::vector<std::string> names = {"taken", "planted", "fresh"};
    size_t next = 0;
    const int fd = OpenNamedThenUnlink(folder.string(), [&] { return names.at(next++); });
    ASSERT_GE(fd, 0);
    ASSERT_EQ(write(fd, "new", 3), 3);
    struct stat made {};
    ASSERT_EQ(fstat(fd, &made), 0);
    close(fd);
    EXPECT_EQ(made.st_nlink, 0u) << "unlinked at once";
    EXPECT_EQ(made.st_size, 3);
    EXPECT_EQ(Read(folder / "taken"), "keep");
    EXPECT_EQ(Read(folder / "victim"), "keep");
    EXPECT_TRUE(std::filesystem::is_symlink(folder / "planted"));
    EXPECT_FALSE(std::filesystem::exists(folder / "fresh"));
    std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace tess
