// AVI through kivo-cli: an animation converted with a chosen encoder, the AVI
// read back as input, the encoder list, and the mistakes that never start.
#include <gtest/gtest.h>

#include <string>

#include "gif/gif_writer.h"
#include "platform/recording_backend.h"
#include "support/test_support.h"

namespace kivo {
namespace {

std::string Q(const std::string& s) { return "'" + s + "'"; }

TEST(CliAvi, ConvertsBothWaysListsEncodersAndRefusesMistakes) {
    ScopedRecordingBackend rec;
    test::TempFolder dir;
    auto doc = NewDocument();
    doc->screenWidth = 16;
    doc->screenHeight = 8;
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(AppendFrame(*doc));
        Frame& f = *doc->currentFrame;
        f.width = 16;
        f.height = 8;
        f.delay = 20;
        f.dib = test::MakeImage(16, 8, [i](int x, int y) { return Rgb{uint8_t(x * 16), uint8_t(y * 30), uint8_t(i * 90)}; });
    }
    const std::string gif = dir.file("a.gif"), avi = dir.file("a.avi");
    WriteOptions options;
    ASSERT_TRUE(WriteGif(nullptr, gif, *doc, options));

    struct Case {
        std::string args;
        int status;
        std::string says;
    };
    const Case cases[] = {
        {"convert " + Q(gif) + " -o " + Q(avi) + " --codec mjpeg", 0, ""},
        {"info " + Q(avi), 0, "frames: 3\n"},
        {"convert " + Q(avi) + " -o " + Q(dir.file("b.gif")), 0, ""},
        {"codecs", 0, "rawvideo "},
        {"convert " + Q(gif) + " -o " + Q(dir.file("c.gif")) + " --codec mjpeg", 2, "--codec applies to an .avi"},
        {"convert " + Q(gif) + " -o " + Q(avi) + " --codec nonesuch", 2, "unknown encoder 'nonesuch'"},
        {"convert " + Q(gif) + " -o " + Q(avi) + " --codec aac", 2, "unknown encoder 'aac'"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args);
        const test::CliRun r = test::RunCli(c.args + " -q");
        EXPECT_EQ(r.status, c.status) << r.out;
        EXPECT_NE(r.out.find(c.says), std::string::npos) << r.out;
        if (c.args == "codecs") {
            EXPECT_EQ(r.out.rfind("rawvideo ", 0), 0u) << "uncompressed comes first";
        }
    }
}

}  // namespace
}  // namespace kivo
