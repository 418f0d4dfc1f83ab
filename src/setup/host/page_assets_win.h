// The page template and the hero image, embedded in the program's read-only data by
// cmake/Page.cmake (zordelo_embed_page). Only programs built with that step can use these.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

extern "C" {
extern const uint8_t zordelo_page_template_start[];
extern const uint8_t zordelo_page_template_end[];
extern const uint8_t zordelo_hero_image_start[];
extern const uint8_t zordelo_hero_image_end[];
}

// assets/page.html, UTF-8, with its three placeholders (see setup/page_template.h).
inline std::span<const uint8_t> page_template_bytes() {
  return {zordelo_page_template_start, zordelo_page_template_end};
}
inline std::string_view page_template_text() {
  const auto bytes = page_template_bytes();
  return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

// assets/hero.jpg, the 1000x300 JPEG shown in the page's hero band.
inline std::span<const uint8_t> hero_image_bytes() { return {zordelo_hero_image_start, zordelo_hero_image_end}; }
