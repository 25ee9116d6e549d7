// The display-scale rules: which artwork a DPI draws with (never enlarged below 200 %) and
// lengths of the 96 DPI design at other DPIs.
#include "ui/display_scale.h"

#include <gtest/gtest.h>

#include <tuple>

using namespace hitched;

TEST(DisplayScale, ArtOfTheNearestScaleAtOrAboveAndItsBitmapIds) {
    // DPI, art scale, bitmap 129 at that art scale
    const std::tuple<unsigned, int, unsigned> cases[] = {
        {0, 100, 129},    {72, 100, 129},   {96, 100, 129},   {97, 125, 1129},
        {120, 125, 1129}, {121, 150, 2129}, {144, 150, 2129}, {145, 200, 3129},
        {168, 200, 3129}, {192, 200, 3129}, {193, 200, 3129}, {288, 200, 3129},
    };
    for (const auto& [dpi, art, frameBitmap] : cases) {
        EXPECT_EQ(ArtScaleForDpi(dpi), art) << dpi;
        EXPECT_EQ(ScaledBitmapId(129, ArtScaleForDpi(dpi)), frameBitmap) << dpi;
    }
    EXPECT_EQ(ScaledBitmapId(169, 175), 169u) << "a scale with no art keeps the 100 % bitmap";
}

TEST(DisplayScale, LengthsOfThe96DpiDesignRoundToTheNearestPixel) {
    // pixels at 96 DPI, DPI, pixels at that DPI
    const std::tuple<int, unsigned, int> cases[] = {
        {16, 96, 16},  {16, 144, 24},   {16, 192, 32},   {25, 120, 31}, {20, 120, 25},
        {25, 144, 38}, {-16, 144, -24}, {-11, 144, -17}, {0, 192, 0},   {200, 0, 200},
    };
    for (const auto& [at96, dpi, scaled] : cases) {
        EXPECT_EQ(ScaleToDpi(at96, dpi), scaled) << at96 << " at " << dpi;
    }
}

TEST(DisplayScale, AWindowTooBigForTheWorkAreaIsLaidOutAtALowerDpiThatFits) {
    // The frame's client area at its DPI, its title bar and borders, the screen less a task
    // bar of 40 px at 100 %.
    const struct {
        const char* screen;
        unsigned dpi;
        PixelSize client, frame, work;
        unsigned fit;
    } cases[] = {
        {"1366 x 768 at 150 %", 144, {1006, 762}, {6, 35}, {1366, 708}, 127},
        {"1280 x 720 at 125 %", 120, {838, 635}, {6, 30}, {1280, 670}, 120},
        {"1024 x 768 at 200 %", 192, {1342, 1016}, {8, 45}, {1024, 688}, 121},
        {"a work area smaller than the frame", 96, {670, 508}, {6, 29}, {4, 20}, 1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FitDpi(c.dpi, c.client, c.frame, c.work), c.fit) << c.screen;
    }
}
