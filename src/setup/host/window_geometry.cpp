#include "setup/host/window_geometry.h"

#include <cmath>

namespace window_geometry {

int32_t scale_length(int32_t logical, double scale) {
  // std::round takes halves away from zero.
  return static_cast<int32_t>(std::round(static_cast<double>(logical) * scale));
}

double scale_for_dpi(uint32_t dpi) { return dpi == 0 ? 1.0 : static_cast<double>(dpi) / 96.0; }

Size content_size(double scale) { return {scale_length(kContentWidth, scale), scale_length(kContentHeight, scale)}; }

Point centred_origin(int32_t monitor_left, int32_t monitor_top, int32_t monitor_width, int32_t monitor_height,
                     Size window) {
  // Integer division in C++ truncates toward zero, also for negative differences.
  return {monitor_left + (monitor_width - window.width) / 2, monitor_top + (monitor_height - window.height) / 2};
}

}  // namespace window_geometry
