// Where a drop on the timeline lands and how large its pictures are drawn.
#include "app/timeline_layout.h"

#include <gtest/gtest.h>

namespace kivo {
namespace {

TEST(TimelineLayout, DroppedFramesGoToTheNearerGapAndFilesOnlyNearOne) {
    struct Case {
        const char* name;
        int32_t row, offset;
        bool files;
        TimelineDrop drop;
    };
    // Five rows of 40 pixels.
    const Case cases[] = {
        {"frames, top half of row 2", 2, 19, false, {2, true}},
        {"frames, bottom half of row 2", 2, 20, false, {3, true}},
        {"frames, top of the first row", 0, 0, false, {0, true}},
        {"frames, bottom of the last row", 4, 39, false, {5, true}},
        {"frames, past the last row", -1, 0, false, {5, true}},
        {"files, near the top of row 2", 2, 9, true, {2, true}},
        {"files, near the bottom of row 2", 2, 30, true, {3, true}},
        {"files, middle of row 2", 2, 10, true, {5, false}},
        {"files, near the top of the first row", 0, 3, true, {0, true}},
        {"files, near the bottom of the last row", 4, 35, true, {5, false}},
        {"files, past the last row", -1, 0, true, {5, false}},
    };
    for (const Case& c : cases) EXPECT_EQ(DropPlace(c.row, c.offset, 40, 5, c.files), c.drop) << c.name;
    EXPECT_EQ(DropPlace(-1, 0, 40, 0, true), (TimelineDrop{0, false}));   // an empty list
    EXPECT_EQ(DropPlace(7, 0, 40, 5, false), (TimelineDrop{5, true}));    // a row that no longer exists
}

TEST(TimelineLayout, PicturesShrinkToTheRoomTheListHas) {
    struct Case {
        bool across;
        int32_t width, height;
        int32_t box;
    };
    for (const Case& c : {Case{false, 200, 230, 64}, Case{false, 120, 230, 40}, Case{false, 20, 230, 16},
                          Case{true, 200, 150, 64}, Case{true, 200, 100, 50}, Case{true, 200, 30, 16}})
        EXPECT_EQ(ShownThumbnailBox(c.across, c.width, c.height, 50, 64), c.box) << c.width << "x" << c.height;
    EXPECT_EQ(ShownThumbnailBox(true, 200, 30, 50, 10), 10);  // a cache of tiny pictures stays as it is
}

}  // namespace
}  // namespace kivo
