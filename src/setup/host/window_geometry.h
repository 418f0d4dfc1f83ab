// The arithmetic of the installer window's size and position, free of any window system.
#pragma once

#include <cstdint>

namespace window_geometry {

inline constexpr int kContentWidth = 820;  // logical pixels
inline constexpr int kContentHeight = 540;

struct Size {
  int32_t width = 0;
  int32_t height = 0;
};

struct Point {
  int32_t x = 0;
  int32_t y = 0;
};

// A length in logical pixels at the given scale (DPI / 96), to the nearest integer with halves
// rounded away from zero.
int32_t scale_length(int32_t logical, double scale);

// The scale factor of a DPI value; 1 when the DPI is unknown (0).
double scale_for_dpi(uint32_t dpi);

// The content size (820 x 540 logical pixels) in physical pixels at the scale.
Size content_size(double scale);

// The top-left corner that centres a window of the given outer size on a monitor rectangle
// (left, top, width, height): left + (width - window width) / 2, likewise for y, with the
// divisions truncating toward zero. A window larger than the monitor gets an origin before
// the monitor's edge.
Point centred_origin(int32_t monitor_left, int32_t monitor_top, int32_t monitor_width, int32_t monitor_height,
                     Size window);

}  // namespace window_geometry
