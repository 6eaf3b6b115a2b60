#include "options/write_options.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace kivo {
namespace {

TEST(WriteOptions, SetChecksRanges) {
    WriteOptions o;
    EXPECT_EQ(FindWriteOption(o, "maxcolors"), nullptr);  // names are exact
    std::string why;
    EXPECT_TRUE(SetWriteOption(o, "MaxColors", "64", &why));
    EXPECT_EQ(o.MaxColors, 64);
    for (const char* bad : {"48", "4", "512", "", "64x", "-8"}) {
        EXPECT_FALSE(SetWriteOption(o, "MaxColors", bad, &why)) << bad;
        EXPECT_FALSE(why.empty());
    }
    EXPECT_EQ(o.MaxColors, 64);  // a refused value changes nothing
    EXPECT_FALSE(SetWriteOption(o, "AlwaysDither", "2", &why));
    EXPECT_TRUE(SetWriteOption(o, "TransparentIndex", "-1", &why));
    EXPECT_TRUE(SetWriteOption(o, "TransparentIndex", "255", &why));
    EXPECT_FALSE(SetWriteOption(o, "TransparentIndex", "256", &why));
    EXPECT_FALSE(SetWriteOption(o, "Nonsense", "1", &why));
    // JPEG quality 0 means nothing to libjpeg's scaling; the range starts at 1.
    EXPECT_FALSE(SetWriteOption(o, "JngQuality", "0", &why));
    EXPECT_FALSE(SetWriteOption(o, "JngQuality", "101", &why));
    EXPECT_TRUE(SetWriteOption(o, "JngQuality", "100", &why));
    EXPECT_TRUE(SetWriteOption(o, "TermAlways", "0", &why));
    EXPECT_EQ(o.TermAlways, 0);
}

// The help table's defaults and a default value agree, and every listed name
// reaches a field of its own, so --set and help can never disagree with a save.
TEST(WriteOptions, EveryListedOptionIsAFieldOfTheValue) {
    WriteOptions o;
    std::vector<int*> seen;
    for (const WriteOptionInfo& info : UserWriteOptions()) {
        int* field = FindWriteOption(o, info.name);
        ASSERT_NE(field, nullptr) << info.name;
        EXPECT_EQ(*field, info.defaultValue) << info.name;
        EXPECT_EQ(std::count(seen.begin(), seen.end(), field), 0) << info.name;
        seen.push_back(field);
    }
    EXPECT_EQ(seen.size(), 24u);
}

TEST(WriteOptions, SettingOneValueLeavesOthersAlone) {
    WriteOptions a, b;
    std::string why;
    EXPECT_TRUE(SetWriteOption(a, "JngQuality", "90", &why));
    EXPECT_FALSE(SetWriteOption(a, "MaxColors", "48", &why));
    EXPECT_EQ(a.JngQuality, 90);
    EXPECT_EQ(a.MaxColors, 256);
    EXPECT_EQ(b, WriteOptions());
    EXPECT_NE(a, b);
}

}  // namespace
}  // namespace kivo
