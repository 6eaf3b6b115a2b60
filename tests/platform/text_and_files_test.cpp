#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "platform/cp932.h"
#include "platform/platform.h"
#include "platform/safe_save.h"
#include "support/test_support.h"

namespace kivo {
namespace {

TEST(Cp932Search, TrailBytesAreNeverTakenForTheCharacter) {
    // "ソ" is 0x83 0x5C and "表" 0x95 0x5C: their trail byte is a backslash.
    const char path[] = "C:\\dir\\\x83\x5C\x95\x5C.gif";
    EXPECT_EQ(Cp932FindLastChar(path, '\\'), path + 6);
    EXPECT_EQ(Cp932FindChar(path, '\\'), path + 2);
    EXPECT_EQ(Cp932FindLastChar(path, '.'), path + 11);

    // A trail byte equal to '.' (0x2E is not a valid trail, but the walk must
    // still pair it with its lead byte).
    const char dotted[] = "a\x81\x2E" "b";
    EXPECT_EQ(Cp932FindChar(dotted, '.'), nullptr);
    EXPECT_EQ(Cp932FindChar("\x83\x5C", '\\'), nullptr);
    EXPECT_EQ(Cp932FindChar("abc", 'x'), nullptr);

    // A double-byte code can itself be searched for.
    EXPECT_EQ(Cp932FindChar(path, 0x835C), path + 7);
    // A lead byte right before the terminator does not step past it.
    const char cut[] = "ab\x83";
    EXPECT_EQ(Cp932FindChar(cut, 'x'), nullptr);
}

TEST(SafeFile, ReplacesOnlyOnCommit) {
    test::TempFolder dir;
    std::string path = dir.file("t.bin");
    ASSERT_TRUE(test::WriteFile(path, {'o', 'l', 'd'}));
    {
        SafeFile f;
        ASSERT_TRUE(f.Open(path));
        f.Write("new", 3);
        // destroyed without Commit: abandoned
    }
    EXPECT_EQ(test::ReadFile(path), (std::vector<uint8_t>{'o', 'l', 'd'}));
    SafeFile f;
    ASSERT_TRUE(f.Open(path));
    f.Write("new", 3);
    ASSERT_TRUE(f.Commit());
    EXPECT_EQ(test::ReadFile(path), (std::vector<uint8_t>{'n', 'e', 'w'}));
    // No temporary files are left behind.
    int entries = 0;
    for (auto& e : std::filesystem::directory_iterator(dir.path())) entries += bool(e.path().c_str());
    EXPECT_EQ(entries, 1);
}

TEST(SafeFile, NamesAtTheFileSystemLimitCanBeSaved) {
    test::TempFolder dir;
    const std::string path = dir.file(std::string(250, 'a') + ".gif");
    SafeFile f;
    ASSERT_TRUE(f.Open(path));
    f.Write("x", 1);
    ASSERT_TRUE(f.Commit());
    EXPECT_EQ(test::ReadFile(path), (std::vector<uint8_t>{'x'}));
}

TEST(SafeFile, WritesThroughLinksAndRefusesFolders) {
    test::TempFolder dir;
    std::string real = dir.file("real.bin"), link = dir.file("link.bin");
    ASSERT_TRUE(test::WriteFile(real, {'o'}));
    ASSERT_EQ(symlink(real.c_str(), link.c_str()), 0);
    SafeFile f;
    ASSERT_TRUE(f.Open(link));
    f.Write("n", 1);
    ASSERT_TRUE(f.Commit());
    EXPECT_EQ(test::ReadFile(real), (std::vector<uint8_t>{'n'}));
    struct stat st;
    ASSERT_EQ(lstat(link.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));  // the link is still a link

    SafeFile folder;
    EXPECT_FALSE(folder.Open(dir.path()));
}

TEST(Paths, TempAndAppDirHaveNoTrailingSeparator) {
    EXPECT_FALSE(TempDir().empty());
    EXPECT_NE(TempDir().back(), '/');
    EXPECT_NE(AppDir().back(), '/');
    EXPECT_TRUE(FileExists(AppDir()));
}

}  // namespace
}  // namespace kivo
