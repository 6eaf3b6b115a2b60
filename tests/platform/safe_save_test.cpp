// Saving large files, through links, keeping what the replaced file was, and
// saying why a save failed.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/safe_save.h"
#include "support/test_support.h"

namespace kivo {
namespace {

namespace fs = std::filesystem;

bool Save(const std::string& path, const std::string& text) {
    SafeFile f;
    return f.Open(path) && f.Write(text.data(), text.size()) && f.Commit();
}

std::string Text(const std::string& path) {
    auto bytes = test::ReadFile(path);
    return std::string(bytes.begin(), bytes.end());
}

struct stat StatOf(const std::string& path) {
    struct stat st {};
    stat(path.c_str(), &st);
    return st;
}

// A file larger than what is handed to the disk at a time, written in pieces
// of odd sizes and with its header patched afterwards, as AVI export does,
// arrives whole and in order.
TEST(SafeFileLarge, ArrivesWholeAfterBeingHandedToTheDiskInParts) {
    test::TempFolder dir;
    const std::string path = dir.file("large.avi");
    std::vector<uint8_t> expected;
    SafeFile f;
    ASSERT_TRUE(f.Open(path));
    for (uint32_t piece = 0; expected.size() < (size_t(20) << 20); ++piece) {
        std::vector<uint8_t> bytes(size_t(999'983) + piece % 7);
        for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = uint8_t(i * 31 + piece);
        ASSERT_TRUE(f.Write(bytes));
        expected.insert(expected.end(), bytes.begin(), bytes.end());
    }
    ASSERT_TRUE(f.Seek(4));
    ASSERT_TRUE(f.Write("HEAD", 4));
    std::memcpy(expected.data() + 4, "HEAD", 4);
    ASSERT_TRUE(f.Commit()) << SaveFailureReason();
    EXPECT_TRUE(test::ReadFile(path) == expected);
}

// A link whose file does not exist yet names the file to create: the link stays
// a link, however it spells the way there.
TEST(SafeFileLinks, ALinkToAFileNotYetThereCreatesThatFile) {
    test::TempFolder dir;
    fs::create_directory(dir.file("sub"));
    const struct {
        const char* name;
        std::vector<std::pair<std::string, std::string>> links;  // link -> what it says
        std::string saved;                                       // the file that must appear
    } cases[] = {
        {"absolute", {{"a.gif", dir.file("sub/abs.gif")}}, "sub/abs.gif"},
        {"relative", {{"r.gif", "sub/rel.gif"}}, "sub/rel.gif"},
        {"relative to a link in a subfolder", {{"sub/up.gif", "../up.gif"}}, "up.gif"},
        {"chain", {{"c1.gif", "c2.gif"}, {"c2.gif", "sub/chain.gif"}}, "sub/chain.gif"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        for (const auto& [link, to] : c.links) ASSERT_EQ(symlink(to.c_str(), dir.file(link).c_str()), 0);
        ASSERT_TRUE(Save(dir.file(c.links.front().first), c.name)) << SaveFailureReason();
        EXPECT_EQ(Text(dir.file(c.saved)), c.name);
        for (const auto& [link, to] : c.links) EXPECT_EQ(fs::read_symlink(dir.file(link)).string(), to);
    }
}

TEST(SafeFileKeeps, ModeOwnerAndGroupOfTheReplacedFileAndTheUmaskForANewOne) {
    test::TempFolder dir;
    const std::string path = dir.file("kept.gif");
    for (mode_t mode : {0640, 0604}) {
        ASSERT_TRUE(test::WriteFile(path, {'o'}));
        ASSERT_EQ(chmod(path.c_str(), mode), 0);
        ASSERT_TRUE(Save(path, "new"));
        EXPECT_EQ(StatOf(path).st_mode & 07777, mode);
    }
    const mode_t mask = umask(0);
    umask(mask);
    ASSERT_TRUE(Save(dir.file("fresh.gif"), "x"));
    EXPECT_EQ(StatOf(dir.file("fresh.gif")).st_mode & 07777, 0666 & ~mask);  // not mkstemp's 0600

    // Root may give a file to anyone; others only to a group they belong to.
    uid_t uid = getuid();
    gid_t gid = getegid();
    if (uid == 0) {
        uid = 12345;
        gid = 23456;
    } else {
        gid_t groups[64];
        const int n = getgroups(64, groups);
        for (int i = 0; i < n && gid == getegid(); ++i) gid = groups[i];
        if (gid == getegid()) GTEST_SKIP() << "no second group to hand the file to";
    }
    ASSERT_EQ(chown(path.c_str(), uid, gid), 0);
    ASSERT_EQ(chmod(path.c_str(), 0640), 0);  // the change of owner must not cost the bits
    ASSERT_TRUE(Save(path, "new"));
    EXPECT_EQ(StatOf(path).st_uid, uid);
    EXPECT_EQ(StatOf(path).st_gid, gid);
    EXPECT_EQ(StatOf(path).st_mode & 07777, 0640u);
}

// The reason reaches the user after the engine's own message.
TEST(SafeFileFailure, SaysWhyInTheSystemsWords) {
    test::TempFolder dir;
    fs::create_directory(dir.file("folder.gif"));
    ASSERT_EQ(symlink("loop.gif", dir.file("loop.gif").c_str()), 0);
    const struct {
        std::string path;
        int error;
    } cases[] = {
        {dir.file("no/such/folder/x.gif"), ENOENT},
        {dir.file("folder.gif"), EISDIR},
        {dir.file("loop.gif"), ELOOP},
    };
    for (const auto& c : cases) {
        EXPECT_FALSE(Save(c.path, "x")) << c.path;
        EXPECT_EQ(SaveFailureReason(), std::strerror(c.error));
    }
    ASSERT_TRUE(Save(dir.file("fine.gif"), "x"));
    EXPECT_EQ(SaveFailureReason(), "");  // a success leaves no stale reason
}

}  // namespace
}  // namespace kivo
