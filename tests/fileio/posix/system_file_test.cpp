// What a replacement keeps of the replaced file on POSIX: its mode.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "fileio/replace_file.h"
#include "tests/support/temp_dir.h"

namespace kelvarin::test {
namespace {

namespace fs = std::filesystem;

// A web server reading as another user must keep its access to a replaced
// file, whatever the umask of the run that replaced it.
TEST(WriteFileReplacing, KeepsTheReplacedFilesMode) {
    TempDir dir;
    const mode_t oldMask = ::umask(077);
    for (const fs::perms mode : {fs::perms(0644), fs::perms(0640), fs::perms(0604)}) {
        WriteFile(dir / "a.aup", "old");
        fs::permissions(dir / "a.aup", mode);
        ASSERT_TRUE(static_cast<bool>(WriteFileReplacing(dir / "a.aup", ToBytes("new"))));
        EXPECT_EQ(fs::status(dir / "a.aup").permissions(), mode);
        EXPECT_EQ(ReadFile(dir / "a.aup"), ToBytes("new"));
    }
    ::umask(oldMask);
}

}  // namespace
}  // namespace kelvarin::test
