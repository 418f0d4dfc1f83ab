#include "setup/host/page_assets_win.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "setup/host/page_template.h"

namespace {

std::string read_asset(const char* name) {
  std::ifstream f(std::string(ZORDELO_PAGE_ASSETS) + "/" + name, std::ios::binary);
  EXPECT_TRUE(f.good()) << name;
  return std::string(std::istreambuf_iterator<char>(f), {});
}

TEST(PageAssetsWin, EmbeddedBytesAreTheAssetFiles) {
  EXPECT_EQ(page_template_text(), read_asset("page.html"));
  const auto hero = hero_image_bytes();
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(hero.data()), hero.size()), read_asset("hero.jpg"));
  // Each blob starts where the assembler put it: the template's doctype, the JPEG's SOI.
  EXPECT_TRUE(page_template_text().starts_with("<!DOCTYPE html>"));
  ASSERT_GE(hero.size(), 2u);
  EXPECT_EQ(hero[0], 0xFF);
  EXPECT_EQ(hero[1], 0xD8);
}

TEST(PageAssetsWin, EmbeddedTemplateFillsCompletely) {
  const std::string page =
      fill_page_template(page_template_text(), hero_image_bytes(), "C:\\Users\\Éva\\AppData\\Local\\Programs\\Zordelo");
  EXPECT_EQ(page.find("%%"), std::string::npos);
  EXPECT_NE(page.find("const DEFAULT_DIR = \"C:\\\\Users\\\\Éva\\\\AppData\\\\Local\\\\Programs\\\\Zordelo\";"),
            std::string::npos);
}

}  // namespace
