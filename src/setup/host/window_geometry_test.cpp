#include "setup/host/window_geometry.h"

#include <gtest/gtest.h>

namespace window_geometry {
namespace {

TEST(WindowGeometry, ContentSizeAtCommonScales) {
  struct Case {
    uint32_t dpi;
    int32_t width, height;
  } cases[] = {
      {0, 820, 540},      // DPI unknown: scale 1
      {96, 820, 540},     // 100 %
      {120, 1025, 675},   // 125 %
      {144, 1230, 810},   // 150 %
      {168, 1435, 945},   // 175 %
      {192, 1640, 1080},  // 200 %
      {72, 615, 405},     // 75 %
  };
  for (const auto& c : cases) {
    const Size s = content_size(scale_for_dpi(c.dpi));
    EXPECT_EQ(s.width, c.width) << "dpi " << c.dpi;
    EXPECT_EQ(s.height, c.height) << "dpi " << c.dpi;
  }
}

TEST(WindowGeometry, HalvesRoundAwayFromZero) {
  EXPECT_EQ(scale_length(1, 0.5), 1);    // 0.5 -> 1, not banker's 0
  EXPECT_EQ(scale_length(3, 0.5), 2);    // 1.5 -> 2
  EXPECT_EQ(scale_length(5, 0.5), 3);    // 2.5 -> 3, not banker's 2
  EXPECT_EQ(scale_length(-5, 0.5), -3);  // -2.5 -> -3
  EXPECT_EQ(scale_length(820, 1.25), 1025);
  EXPECT_EQ(scale_length(540, 1.125), 608);    // 607.5 -> 608
  EXPECT_EQ(scale_length(820, 1.0 / 3), 273);  // 273.33 -> 273
}

TEST(WindowGeometry, CentringUsesTruncatingDivisionAndAllowsNegativeOffsets) {
  struct Case {
    int32_t left, top, mw, mh;
    Size window;
    int32_t x, y;
  } cases[] = {
      {0, 0, 1280, 1024, {836, 579}, 222, 222},          // 444/2, 445/2 truncated
      {0, 0, 1920, 1080, {1246, 849}, 337, 115},         // odd differences drop the half pixel
      {1920, 0, 2560, 1440, {1000, 700}, 2700, 370},     // second monitor to the right
      {-1280, -200, 1280, 1024, {820, 540}, -1050, 42},  // monitor left of and above the primary
      {0, 0, 1280, 1024, {1641, 1081}, -180, -28},       // larger than the monitor: -361/2 = -180, -57/2 = -28
      {0, 0, 800, 600, {801, 601}, 0, 0},                // -1/2 truncates to 0, not -1
      {100, 50, 800, 600, {803, 605}, 99, 48},           // -3/2 = -1, -5/2 = -2
  };
  for (const auto& c : cases) {
    const Point p = centred_origin(c.left, c.top, c.mw, c.mh, c.window);
    EXPECT_EQ(p.x, c.x) << c.left << "," << c.top << " " << c.mw << "x" << c.mh;
    EXPECT_EQ(p.y, c.y) << c.left << "," << c.top << " " << c.mw << "x" << c.mh;
  }
}

}  // namespace
}  // namespace window_geometry
