#include "toolkit/layout.h"

#include <gtest/gtest.h>

namespace {

TEST(FineCells, HundredthIsTheSinglePrecisionConstantSoHalvesFallBelow) {
    EXPECT_EQ(finepixels(7, 0, 50), 3);  // 3.4999999, not 3.5
    EXPECT_EQ(finepixels(8, 0, 50), 4);  // 3.9999999
    EXPECT_EQ(finepixels(10, 0, 5), 0);  // 0.49999999, not 0.5
    EXPECT_EQ(finepixels(1, 0, 50), 0);  // 50 x 0.01 stays below one half
    EXPECT_EQ(finepixels(7, 1, 50), 10); // 10.4999999
    EXPECT_EQ(finepixels(7, 0, -50), -3);
    EXPECT_EQ(finepixels(16, 0, 100), 16); // a whole cell in hundredths
    EXPECT_EQ(finepixels(8, 2, 150), 28);
}

TEST(FineCells, NegativeOffsetsPutAFrameOutsideTheField) {
    // An edit field from row 2, column 3 to row 3, column 20 with 8 x 16 cells,
    // and its frame 0.4 cell outside on every side.
    EXPECT_EQ(finecellrect(8, 16, 2, 3, 3, 20, 0, 0, 0, 0), (pixelrect{16, 16, 136, 16}));
    EXPECT_EQ(finecellrect(8, 16, 2, 3, 3, 20, -40, -40, 40, 40), (pixelrect{13, 10, 142, 29}));
}

TEST(FineCells, ExtentIsRoundedOnItsOwnNotAsRightMinusLeft) {
    // Left edge 10 x 0.05 = 0.49999999 -> 0, right edge 10 x 1.1 -> 11, and
    // the width 10 x 1.05 = 10.4999999 -> 10, not 11 - 0.
    const pixelrect r = finecellrect(10, 10, 1, 1, 2, 2, 5, 0, 10, 0);
    EXPECT_EQ(r.x, 0);
    EXPECT_EQ(r.width, 10);
    EXPECT_EQ(finepixels(10, 1, 10), 11);
}

TEST(WholeAndPixelRects, SecondPointIsExclusiveAndPixelsAreUnchecked) {
    EXPECT_EQ(wholecellrect(8, 16, 2, 3, 4, 8), (pixelrect{16, 16, 40, 32}));
    EXPECT_EQ(wholecellrect(8, 16, 1, 1, 13, 41), (pixelrect{0, 0, 320, 192}));
    EXPECT_EQ(wholecellrect(0, 0, 5, 5, 9, 9), (pixelrect{0, 0, 0, 0})); // unmeasured cell
    EXPECT_EQ(pixeledgerect(10, 20, 5, 15), (pixelrect{10, 20, -5, -5}));
}

TEST(CellMeasure, RoundsHalvesAwayFromZero) {
    EXPECT_EQ(roundhalfaway(2.5), 3);
    EXPECT_EQ(roundhalfaway(-2.5), -3);
    EXPECT_EQ(roundhalfaway(2.4999999), 2);
    EXPECT_EQ(cellwidthfromsample(30), 8); // 7.5
    EXPECT_EQ(cellwidthfromsample(29), 7); // 7.25
    EXPECT_EQ(cellsonscreen(760, 16), 48); // 47.5
    EXPECT_EQ(cellsonscreen(752, 16), 47);
    EXPECT_EQ(cellsonscreen(1024, 7), 146); // 146.29
    EXPECT_EQ(cellsonscreen(760, 0), 0);    // a failed measurement divides by nothing
}

TEST(MainWindowPlace, CentredAcrossAndAQuarterDown) {
    // Spare width 7: margin 3.5 rounds to 4. Spare height 202: margin 101, y 50.
    EXPECT_EQ(mainwinplace(1024, 768, 1017, 566), (pixelrect{4, 50, 1016, 566}));
    // An even spare width is split exactly.
    EXPECT_EQ(mainwinplace(640, 480, 334, 234), (pixelrect{153, 61, 334, 234}));
}

TEST(MainWindowPlace, WindowLargerThanTheScreen) {
    // Margins go negative: -3.5 rounds to -4; y = -3 / 2 truncates to -1.
    EXPECT_EQ(mainwinplace(100, 100, 107, 106), (pixelrect{-4, -1, 108, 106}));
}

TEST(Colour, FractionsTruncatedToBytes) {
    EXPECT_EQ(colourvalue(1.0F, 0.0F, 0.0F), 255);
    EXPECT_EQ(colourvalue(0.0F, 1.0F, 0.0F), 255 * 256);
    EXPECT_EQ(colourvalue(0.0F, 0.0F, 1.0F), 255 * 65536);
    EXPECT_EQ(colourvalue(0.999F, 0.5F, 0.0F), 254 + 127 * 256);
    // Out of range fractions stay within their byte instead of spilling over.
    EXPECT_EQ(colourvalue(1.5F, -0.2F, 0.0F), 255);
}

} // namespace
