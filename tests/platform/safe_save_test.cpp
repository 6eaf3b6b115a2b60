// Saving through links, keeping what the replaced file was, and saying why a
// save failed.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/live_temp_files.h"
#include "platform/safe_save.h"
#include "support/test_support.h"

namespace kivo {
namespace {

bool Save(const std::string& path, const std::string& text) {
    SafeFile f;
    return f.Open(path) && f.Write(text.data(), text.size()) && f.Commit();
}

std::string Text(const std::string& path) {
    auto bytes = test::ReadFile(path);
    return std::string(bytes.begin(), bytes.end());
}

std::vector<std::string> HiddenTemporaries(const std::string& dir) {
    std::vector<std::string> found;
    for (auto& e : std::filesystem::recursive_directory_iterator(dir))
        if (e.path().filename().string().find(".kivo-") != std::string::npos) found.push_back(e.path());
    return found;
}

// A link whose file does not exist yet names the file to create: the link stays
// a link, however it spells the way there.
TEST(SafeFileLinks, ALinkToAFileNotYetThereCreatesThatFile) {
    test::TempFolder dir;
    std::filesystem::create_directory(dir.file("sub"));
    struct Case {
        const char* name;
        std::vector<std::pair<std::string, std::string>> links;  // link name -> what it says
        std::string saved;                                       // the file that must appear
    } cases[] = {
        {"absolute", {{"a.gif", dir.file("sub/abs.gif")}}, "sub/abs.gif"},
        {"relative", {{"r.gif", "sub/rel.gif"}}, "sub/rel.gif"},
        {"relative from a link in a subfolder", {{"sub/up.gif", "../up-target.gif"}}, "up-target.gif"},
        {"chain", {{"c1.gif", "c2.gif"}, {"c2.gif", "sub/chain.gif"}}, "sub/chain.gif"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (const auto& [link, to] : c.links) ASSERT_EQ(symlink(to.c_str(), dir.file(link).c_str()), 0);
        const std::string first = dir.file(c.links.front().first);
        ASSERT_TRUE(Save(first, c.name)) << SaveFailureReason();
        EXPECT_EQ(Text(dir.file(c.saved)), c.name);
        for (const auto& [link, to] : c.links) {
            std::error_code ec;
            EXPECT_TRUE(std::filesystem::is_symlink(dir.file(link), ec)) << link;
            EXPECT_EQ(std::filesystem::read_symlink(dir.file(link), ec).string(), to);
        }
        // Saving again replaces the file, still not the link.
        ASSERT_TRUE(Save(first, "again"));
        EXPECT_EQ(Text(dir.file(c.saved)), "again");
    }
    EXPECT_TRUE(HiddenTemporaries(dir.path()).empty());
}

TEST(SafeFileLinks, ALinkLoopFailsWithTheSystemsReason) {
    test::TempFolder dir;
    ASSERT_EQ(symlink("b.gif", dir.file("a.gif").c_str()), 0);
    ASSERT_EQ(symlink("a.gif", dir.file("b.gif").c_str()), 0);
    EXPECT_FALSE(Save(dir.file("a.gif"), "x"));
    EXPECT_EQ(SaveFailureReason(), std::strerror(ELOOP));
}

mode_t ModeOf(const std::string& path) {
    struct stat st {};
    stat(path.c_str(), &st);
    return st.st_mode & 07777;
}

TEST(SafeFileKeeps, PermissionBitsOfTheReplacedFileAndTheUmaskForANewOne) {
    test::TempFolder dir;
    for (mode_t mode : {0600, 0640, 0604, 0755, 0664}) {
        SCOPED_TRACE(mode);
        const std::string path = dir.file("kept.gif");
        ASSERT_TRUE(test::WriteFile(path, {'o'}));
        ASSERT_EQ(chmod(path.c_str(), mode), 0);
        ASSERT_TRUE(Save(path, "new"));
        EXPECT_EQ(ModeOf(path), mode);
        EXPECT_EQ(Text(path), "new");
    }
    const mode_t mask = umask(0);
    umask(mask);
    ASSERT_TRUE(Save(dir.file("fresh.gif"), "x"));
    EXPECT_EQ(ModeOf(dir.file("fresh.gif")), 0666 & ~mask);  // not mkstemp's 0600
}

TEST(SafeFileKeeps, OwnerAndGroupWhereTheProcessMaySetThem) {
    test::TempFolder dir;
    const std::string path = dir.file("owned.gif");
    ASSERT_TRUE(test::WriteFile(path, {'o'}));
    uid_t uid = getuid();
    gid_t gid = getgid();
    if (uid == 0) {
        uid = 12345;  // root may give a file to anyone
        gid = 23456;
    } else {
        std::vector<gid_t> groups(size_t(getgroups(0, nullptr)) + 1);
        groups.resize(size_t(getgroups(int(groups.size()), groups.data())));
        for (gid_t g : groups)
            if (g != getegid()) gid = g;
        if (gid == getegid()) GTEST_SKIP() << "no second group to hand the file to";
    }
    ASSERT_EQ(chown(path.c_str(), uid, gid), 0);
    ASSERT_EQ(chmod(path.c_str(), 0640), 0);  // a change of owner must not cost the bits
    ASSERT_TRUE(Save(path, "new"));
    struct stat st {};
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_uid, uid);
    EXPECT_EQ(st.st_gid, gid);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
}

// The reason reaches the user after the engine's own message.
TEST(SafeFileFailure, SaysWhyInTheSystemsWords) {
    test::TempFolder dir;
    std::filesystem::create_directory(dir.file("folder.gif"));
    EXPECT_FALSE(Save(dir.file("no/such/folder/x.gif"), "x"));
    EXPECT_EQ(SaveFailureReason(), std::strerror(ENOENT));
    EXPECT_FALSE(Save(dir.file("folder.gif"), "x"));
    EXPECT_EQ(SaveFailureReason(), std::strerror(EISDIR));
    if (geteuid() != 0) {  // root writes anywhere
        std::filesystem::create_directory(dir.file("locked"));
        chmod(dir.file("locked").c_str(), 0500);
        EXPECT_FALSE(Save(dir.file("locked/x.gif"), "x"));
        EXPECT_EQ(SaveFailureReason(), std::strerror(EACCES));
    }
    ASSERT_TRUE(Save(dir.file("fine.gif"), "x"));
    EXPECT_EQ(SaveFailureReason(), "");  // a success leaves no stale reason
}

// While a save is open its temporary file is where a signal handler finds it;
// once committed or abandoned, it is not.
TEST(SafeFileTemporary, IsKnownToSignalHandlersOnlyWhileOpen) {
    test::TempFolder dir;
    const int before = LiveTempFileCount();
    {
        SafeFile f;
        ASSERT_TRUE(f.Open(dir.file("a.gif")));
        EXPECT_EQ(LiveTempFileCount(), before + 1);
        ASSERT_EQ(HiddenTemporaries(dir.path()).size(), 1u);
        UnlinkLiveTempFiles();  // what the handler does before the process ends
        EXPECT_TRUE(HiddenTemporaries(dir.path()).empty());
    }
    EXPECT_EQ(LiveTempFileCount(), before);
    SafeFile g;
    ASSERT_TRUE(g.Open(dir.file("b.gif")));
    ASSERT_TRUE(g.Commit());
    EXPECT_EQ(LiveTempFileCount(), before);
}

}  // namespace
}  // namespace kivo
