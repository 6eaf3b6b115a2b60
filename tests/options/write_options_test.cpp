#include "options/write_options.h"

#include <gtest/gtest.h>

#include <string>

namespace kivo {
namespace {

TEST(WriteOptions, DefaultsAndLookUp) {
    ResetWriteOptions();
    EXPECT_EQ(MaxColors, 256);
    EXPECT_EQ(UnifyPalette, 1);
    EXPECT_EQ(TransparentIndex, -1);
    EXPECT_EQ(FindWriteOption("CodecIsMng"), &CodecIsMng);
    EXPECT_EQ(FindWriteOption("maxcolors"), nullptr);  // names are exact
}

TEST(WriteOptions, SetChecksRanges) {
    ResetWriteOptions();
    std::string why;
    EXPECT_TRUE(SetWriteOption("MaxColors", "64", &why));
    EXPECT_EQ(MaxColors, 64);
    for (const char* bad : {"48", "4", "512", "", "64x", "-8"}) {
        EXPECT_FALSE(SetWriteOption("MaxColors", bad, &why)) << bad;
        EXPECT_FALSE(why.empty());
    }
    EXPECT_EQ(MaxColors, 64);  // a refused value changes nothing
    EXPECT_FALSE(SetWriteOption("AlwaysDither", "2", &why));
    EXPECT_TRUE(SetWriteOption("TransparentIndex", "-1", &why));
    EXPECT_TRUE(SetWriteOption("TransparentIndex", "255", &why));
    EXPECT_FALSE(SetWriteOption("TransparentIndex", "256", &why));
    EXPECT_FALSE(SetWriteOption("Nonsense", "1", &why));
    // JPEG quality 0 means nothing to libjpeg's scaling; the range starts at 1.
    EXPECT_FALSE(SetWriteOption("JngQuality", "0", &why));
    EXPECT_FALSE(SetWriteOption("JngQuality", "101", &why));
    EXPECT_TRUE(SetWriteOption("JngQuality", "100", &why));
    EXPECT_TRUE(SetWriteOption("TermAlways", "0", &why));
    ResetWriteOptions();
    EXPECT_EQ(MaxColors, 256);
    EXPECT_EQ(TransparentIndex, -1);
    EXPECT_EQ(JngQuality, 60);
    EXPECT_EQ(TermAlways, 1);
}

}  // namespace
}  // namespace kivo
