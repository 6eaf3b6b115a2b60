// A stand-alone JNG file opens as a document of one frame, by its extension or
// by its signature under another name. The file is the JNG datastream our MNG
// writer makes, with the JNG signature in front; the MNG reader's picture of
// the same datastream is the expected one.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "io/open_save.h"
#include "mng/mng_reader.h"
#include "mng/mng_writer.h"
#include "platform/recording_backend.h"
#include "support/test_support.h"

namespace kivo {
namespace {

size_t Find(const std::vector<uint8_t>& bytes, const char* tag) {
    auto it = std::search(bytes.begin(), bytes.end(), tag, tag + 4);
    return size_t(it - bytes.begin());
}

TEST(JngFile, OpensAsOneFrameWhateverItsName) {
    ScopedRecordingBackend backend;
    test::TempFolder dir;
    auto doc = NewDocument();
    doc->screenWidth = 21;
    doc->screenHeight = 13;
    ASSERT_TRUE(AppendFrame(*doc));
    Frame& f = *doc->currentFrame;
    f.width = 21, f.height = 13;
    f.dib = test::MakeImage(21, 13, [](int x, int y) { return Rgb{uint8_t(x * 12), uint8_t(y * 19), 90}; });
    WriteOptions options;
    options.JngAllFrames = 1;
    const std::string mng = dir.file("one.mng");
    ASSERT_TRUE(WriteMng(nullptr, mng, *doc, options));
    const auto bytes = test::ReadFile(mng);
    const size_t jhdr = Find(bytes, "JHDR"), iend = Find(bytes, "IEND");
    ASSERT_LT(iend, bytes.size());
    test::Bytes file;
    file.u8(0x8B).str("JNG").raw({0x0D, 0x0A, 0x1A, 0x0A});
    file.raw(std::vector<uint8_t>(bytes.begin() + long(jhdr - 4), bytes.begin() + long(iend + 8)));
    std::vector<uint8_t> jng = file.data;

    auto expected = ReadMng(nullptr, mng);
    ASSERT_TRUE(expected);
    for (const char* name : {"picture.jng", "picture.gif", "picture.JNG"}) {
        SCOPED_TRACE(name);
        const std::string path = dir.file(name);
        ASSERT_TRUE(test::WriteFile(path, jng));
        auto opened = OpenDocument(nullptr, path);
        ASSERT_TRUE(opened);
        EXPECT_EQ(opened->frameCount, 1);
        EXPECT_EQ(opened->screenWidth, 21);
        EXPECT_EQ(opened->screenHeight, 13);
        EXPECT_EQ(opened->firstFrame->dib, expected->firstFrame->dib);
    }
    // A cut file is refused, not shown half-read.
    jng.resize(jng.size() - 20);
    ASSERT_TRUE(test::WriteFile(dir.file("cut.jng"), jng));
    EXPECT_FALSE(OpenDocument(nullptr, dir.file("cut.jng")));
}

}  // namespace
}  // namespace kivo
