// kivo-cli with video clips FFmpeg makes: info and convert read them whole or
// in part (--fps, --start, --duration), convert writes MP4 and WebM, and the
// times the options take are checked as a user types them.
#include <gtest/gtest.h>

#include "cli.h"
#include "support/ffmpeg_oracle.h"
#include "support/test_support.h"

namespace kivo {
namespace {

using test::RunCli;

std::string Q(const std::string& s) { return "'" + s + "'"; }

TEST(CliSeconds, TimesAreSecondsOrMinutesAndHours) {
    struct Case {
        const char* text;
        bool ok;
        double seconds;
    };
    const Case cases[] = {
        {"12.5", true, 12.5}, {"0", true, 0},          {"1:02.5", true, 62.5}, {"1:02:03", true, 3723},
        {"90:00", true, 5400}, {"1:60", false, 0},     {"1:2:3:4", false, 0},  {"", false, 0},
        {"-1", false, 0},      {"1.5:00", false, 0},   {"abc", false, 0},      {"1::2", false, 0},
        {"1e3", false, 0},     {"99999999", false, 0},
    };
    for (const Case& c : cases) {
        double seconds = -1;
        EXPECT_EQ(cli::ParseSeconds(c.text, seconds), c.ok) << c.text;
        if (c.ok) EXPECT_DOUBLE_EQ(seconds, c.seconds) << c.text;
    }
}

class CliVideo : public testing::Test {
protected:
    void SetUp() override {
        if (!test::HaveFfmpeg()) GTEST_SKIP() << "ffmpeg is not installed";
        clip = dir.file("clip.mkv");
        ASSERT_TRUE(test::Ffmpeg("-f lavfi -i testsrc=size=40x30:rate=20:duration=3 -c:v ffv1 " + Q(clip)));
    }
    test::TempFolder dir;
    std::string clip;
};

TEST_F(CliVideo, ConvertReadsThePartAskedForAndWritesVideos) {
    struct Case {
        std::string args;
        int status;
        std::string says;  // in the output of 'info' on the result, or in the error
    };
    const std::string gif = dir.file("out.gif");
    const Case cases[] = {
        {"convert -q " + Q(clip) + " -o " + Q(gif), 0, "frames: 60"},
        {"convert -q " + Q(clip) + " --fps 4 -o " + Q(gif), 0, "frames: 12"},
        {"convert -q " + Q(clip) + " --start 1 --duration 0:01.5 -o " + Q(gif), 0, "frames: 30"},
        {"convert -q " + Q(clip) + " --fps=2 --start=2 -o " + Q(gif), 0, "frames: 2"},
        {"convert -q " + Q(clip) + " -o " + Q(dir.file("out.mp4")), 0, "frames: 60"},
        {"convert -q " + Q(clip) + " --fps 10 -o " + Q(dir.file("out.webm")), 0, "frames: 30"},
        {"convert " + Q(clip) + " --fps 0 -o " + Q(gif), 2, "--fps wants pictures a second"},
        {"convert " + Q(clip) + " --fps 1001 -o " + Q(gif), 2, "--fps wants pictures a second"},
        {"convert " + Q(clip) + " --start x -o " + Q(gif), 2, "--start wants a time in seconds"},
        {"convert " + Q(clip) + " --duration 0 -o " + Q(gif), 2, "--duration wants a time in seconds"},
        {"convert " + Q(clip) + " --duration -o " + Q(gif), 2, "--duration wants a time"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args);
        const test::CliRun r = RunCli(c.args);
        ASSERT_EQ(r.status, c.status) << r.out;
        if (c.status != 0) {
            EXPECT_NE(r.out.find(c.says), std::string::npos) << r.out;
            continue;
        }
        const size_t o = c.args.rfind("-o ");
        const std::string written = c.args.substr(o + 4, c.args.size() - o - 5);
        const test::CliRun info = RunCli("info -q " + Q(written));
        EXPECT_NE(info.out.find(c.says), std::string::npos) << info.out;
    }
}

TEST_F(CliVideo, HelpNamesTheVideoOptionsAndFormats) {
    const test::CliRun r = RunCli("help convert");
    for (const char* text : {"--fps N", "--start T", "--duration T", ".mp4 output is H.264", "WebM"})
        EXPECT_NE(r.out.find(text), std::string::npos) << text;
}

}  // namespace
}  // namespace kivo
