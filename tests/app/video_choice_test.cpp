// The question before a long clip: which clips count as long, what a choice
// would take, and the shell asking before it opens or imports one (clips made
// by FFmpeg), reading with the answer or leaving everything as it was.
#include <gtest/gtest.h>

#include <filesystem>

#include "app/video_choice.h"
#include "fake_shell_ui.h"
#include "platform/recording_backend.h"
#include "support/ffmpeg_oracle.h"
#include "support/test_support.h"

namespace kivo {
namespace {

namespace fs = std::filesystem;

TEST(VideoChoice, LongClipsAndWhatAChoiceTakes) {
    struct Case {
        VideoProbe clip;
        ReadOptions reading;
        bool longClip;
        int64_t frames;
    };
    const uint64_t picture = 40 + 96 * 24;  // 32x24
    const Case cases[] = {
        {{32, 24, 10, 25, 250, 250 * picture, 1 << 30}, {}, false, 250},
        {{32, 24, 30, 25, 750, 750 * picture, 1 << 30}, {}, true, 750},
        {{32, 24, 30, 25, 750, 750 * picture, 1 << 30}, {false, 5, 0, 0}, true, 150},
        {{32, 24, 30, 25, 750, 750 * picture, 1 << 30}, {false, 0, 20, 0}, true, 250},
        {{32, 24, 30, 25, 750, 750 * picture, 1 << 30}, {false, 10, 5, 2}, true, 20},
        {{32, 24, 4, 25, 100, 100 * picture, 50 * picture}, {}, true, 100},  // beyond the budget
        {{32, 24, 0, 0, 0, 0, 1 << 30}, {}, false, 0},                     // nothing known
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.clip.seconds << " s, fps " << c.reading.videoFps << " from "
                                        << c.reading.videoStart << " for " << c.reading.videoDuration);
        EXPECT_EQ(IsLongClip(c.clip), c.longClip);
        const VideoEstimate e = EstimateChoice(c.clip, c.reading);
        EXPECT_EQ(e.frames, c.frames);
        EXPECT_EQ(e.bytes, uint64_t(c.frames) * picture);
    }
    EXPECT_TRUE(IsVideoClip("a.mp4"));
    EXPECT_TRUE(IsVideoClip("a.MKV"));
    EXPECT_FALSE(IsVideoClip("a.gif"));
    EXPECT_FALSE(IsVideoClip("a.avi"));  // AVI files keep their own import
}

class ShellVideo : public testing::Test {
protected:
    void SetUp() override {
        if (!test::HaveFfmpeg()) GTEST_SKIP() << "ffmpeg is not installed";
        dir_ = fs::temp_directory_path() / ("kivo_shell_video_" + std::to_string(::getpid()));
        fs::create_directories(dir_);
        // 30 seconds at 25 a second: 750 pictures, a long clip.
        longClip_ = (dir_ / "long.mp4").string();
        ASSERT_TRUE(test::Ffmpeg("-f lavfi -i testsrc=size=32x24:rate=25:duration=30 -c:v libx264 -pix_fmt yuv420p '" +
                                 longClip_ + "'"));
        shortClip_ = (dir_ / "short.webm").string();
        ASSERT_TRUE(test::Ffmpeg("-f lavfi -i testsrc=size=32x24:rate=10:duration=1 -c:v libvpx-vp9 '" + shortClip_ +
                                 "'"));
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(dir_, ignored);
    }
    fs::path dir_;
    std::string longClip_, shortClip_;
};

TEST_F(ShellVideo, ALongClipIsReadAtTheChosenRateOrNotAtAll) {
    struct Case {
        std::optional<double> fps;  // the answer; nullopt cancels
        bool opened;
        int32_t frames;
    };
    for (const Case& c : {Case{2, true, 60}, Case{std::nullopt, false, 0}}) {
        SCOPED_TRACE(c.fps ? "at 2 a second" : "cancelled");
        ScopedRecordingBackend rec;
        test::FakeShellUi ui;
        ui.videoFps = c.fps;
        Shell shell(ui, 0, WriteOptions{});
        EXPECT_EQ(shell.OpenPath(longClip_), c.opened);
        EXPECT_EQ(ui.videoQuestions, std::vector<std::string>{longClip_});
        EXPECT_EQ(shell.Doc().frameCount, c.frames);
        EXPECT_TRUE(rec->errors.empty());
        if (c.opened) EXPECT_EQ(shell.Doc().firstFrame->delay, 50);
    }
}

TEST_F(ShellVideo, AShortClipIsReadWithoutAQuestion) {
    ScopedRecordingBackend rec;
    test::FakeShellUi ui;
    Shell shell(ui, 0, WriteOptions{});
    ASSERT_TRUE(shell.OpenPath(shortClip_));
    EXPECT_TRUE(ui.videoQuestions.empty());
    EXPECT_EQ(shell.Doc().frameCount, 10);
    // Adding the long clip to it asks once; a cancel adds nothing.
    shell.AddFramesFrom({longClip_, shortClip_}, false);
    EXPECT_EQ(ui.videoQuestions, std::vector<std::string>{longClip_});
    EXPECT_EQ(shell.Doc().frameCount, 10);
}

}  // namespace
}  // namespace kivo
