#include "setup/host/page_template.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <optional>
#include <sstream>
#include <vector>

namespace {

std::span<const uint8_t> bytes_of(std::string_view s) { return {reinterpret_cast<const uint8_t*>(s.data()), s.size()}; }

TEST(PageTemplate, ReplacesEachPlaceholderEverywhereInOrder) {
  const std::string filled =
      fill_page_template("a%%HERO%%b%%HERO%%|%%VERSION%%,%%VERSION%%|%%DIR_JSON%%%%DIR_JSON%%", bytes_of("foob"), "C:");
  EXPECT_EQ(filled, "aZm9vYg==bZm9vYg==|0.1.0,0.1.0|\"C:\"\"C:\"");
}

TEST(PageTemplate, InsertedTextIsNeverReadAgain) {
  struct Case {
    std::string_view tmpl, location, want;
  } cases[] = {
      // A location that looks like a placeholder stays as it is: the location goes in last.
      {"%%DIR_JSON%%", "%%HERO%%%%VERSION%%%%DIR_JSON%%", "\"%%HERO%%%%VERSION%%%%DIR_JSON%%\""},
      // Percent signs around a placeholder do not shift the match.
      {"%%%VERSION%%%", "x", "%0.1.0%"},
      {"%%VERSION%%%%VERSION%%", "x", "0.1.00.1.0"},
      // Nothing to replace, or a broken placeholder.
      {"", "x", ""},
      {"%%VERSION%", "x", "%%VERSION%"},
  };
  for (const auto& c : cases) EXPECT_EQ(fill_page_template(c.tmpl, {}, c.location), c.want) << c.tmpl;
}

TEST(PageTemplate, LocationBecomesAJsonStringLiteral) {
  struct Case {
    std::string_view location, literal;
  } cases[] = {
      {"C:\\Users\\Ádám \"Ő\"\\AppData\\Local\\Programs\\Zordelo",
       "\"C:\\\\Users\\\\Ádám \\\"Ő\\\"\\\\AppData\\\\Local\\\\Programs\\\\Zordelo\""},
      {"a\nb\x1b", "\"a\\nb\\u001b\""},
      {"x\xE2\x80\xA8y/", "\"x\xE2\x80\xA8y/\""},  // U+2028 and the slash as they are
      {"C:\\</script><!--", "\"C:\\\\\\u003c/script>\\u003c!--\""},
      {"", "\"\""},
  };
  for (const auto& c : cases) {
    const std::string filled = fill_page_template("%%DIR_JSON%%", {}, c.location);
    EXPECT_EQ(filled, c.literal);
    EXPECT_EQ(nlohmann::json::parse(filled).get<std::string>(), c.location);
  }
}

// --- The real page template and hero image of the installer ---

std::optional<std::string> read_file(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  if (!f) return std::nullopt;
  return std::string(std::istreambuf_iterator<char>(f), {});
}

std::string asset(const char* name) {
#ifdef ZORDELO_PAGE_ASSETS
  auto bytes = read_file(std::string(ZORDELO_PAGE_ASSETS) + "/" + name);
  if (!bytes) ADD_FAILURE() << "cannot read " << ZORDELO_PAGE_ASSETS << "/" << name;
  return bytes.value_or("");
#else
  ADD_FAILURE() << "ZORDELO_PAGE_ASSETS is not defined for this build";
  return "";
#endif
}

std::optional<std::string> base64_decode(std::string_view in) {
  static constexpr std::string_view alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  if (in.size() % 4 != 0) return std::nullopt;
  std::string out;
  for (size_t i = 0; i < in.size(); i += 4) {
    uint32_t v = 0;
    int pad = 0;
    for (size_t k = 0; k < 4; ++k) {
      const char c = in[i + k];
      const bool last_group = i + 4 == in.size();
      if (c == '=' && last_group && k >= 2 && (k == 3 || in[i + 3] == '=')) {
        ++pad;
        v <<= 6;
        continue;
      }
      const size_t at = alphabet.find(c);
      if (at == std::string_view::npos || pad > 0) return std::nullopt;
      v = (v << 6) | static_cast<uint32_t>(at);
    }
    out.push_back(static_cast<char>(v >> 16));
    if (pad < 2) out.push_back(static_cast<char>(v >> 8));
    if (pad < 1) out.push_back(static_cast<char>(v));
  }
  return out;
}

struct JpegFrame {
  uint8_t sof;  // 0xC0 for baseline
  int width, height, components;
};

// Walks the marker segments up to the first start-of-frame.
std::optional<JpegFrame> jpeg_frame(std::string_view j) {
  auto u8 = [&](size_t i) { return static_cast<uint8_t>(j[i]); };
  if (j.size() < 4 || u8(0) != 0xFF || u8(1) != 0xD8) return std::nullopt;
  size_t i = 2;
  while (i + 4 <= j.size()) {
    if (u8(i) != 0xFF) return std::nullopt;
    const uint8_t m = u8(i + 1);
    const size_t len = u8(i + 2) << 8 | u8(i + 3);
    if (m >= 0xC0 && m <= 0xCF && m != 0xC4 && m != 0xC8 && m != 0xCC) {
      if (i + 2 + len > j.size() || len < 8) return std::nullopt;
      return JpegFrame{m, u8(i + 7) << 8 | u8(i + 8), u8(i + 5) << 8 | u8(i + 6), u8(i + 9)};
    }
    i += 2 + len;
  }
  return std::nullopt;
}

std::string between(const std::string& s, std::string_view start, std::string_view end) {
  const size_t a = s.find(start);
  if (a == std::string::npos) return "";
  const size_t b = s.find(end, a + start.size());
  if (b == std::string::npos) return "";
  return s.substr(a + start.size(), b - a - start.size());
}

size_t count(std::string_view s, std::string_view what) {
  size_t n = 0;
  for (size_t at = s.find(what); at != std::string_view::npos; at = s.find(what, at + 1)) ++n;
  return n;
}

TEST(PageAssets, TemplateHoldsEachPlaceholderOnceWhereItBelongs) {
  const std::string tmpl = asset("page.html");
  EXPECT_EQ(count(tmpl, "%%HERO%%"), 1u);
  EXPECT_EQ(count(tmpl, "%%VERSION%%"), 1u);
  EXPECT_EQ(count(tmpl, "%%DIR_JSON%%"), 1u);
  EXPECT_NE(tmpl.find("src=\"data:image/jpeg;base64,%%HERO%%\""), std::string::npos);
  EXPECT_NE(tmpl.find(">// Verzió %%VERSION%% · első kiadás<"), std::string::npos);
  EXPECT_NE(tmpl.find("<script>\nconst DEFAULT_DIR = %%DIR_JSON%%;\n"), std::string::npos);
  EXPECT_EQ(count(tmpl, "<script"), 1u);
  EXPECT_EQ(count(tmpl, "<style"), 1u);
}

TEST(PageAssets, HeroIsABaseline1000x300Jpeg) {
  const auto frame = jpeg_frame(asset("hero.jpg"));
  ASSERT_TRUE(frame.has_value());
  EXPECT_EQ(frame->sof, 0xC0);
  EXPECT_EQ(frame->width, 1000);
  EXPECT_EQ(frame->height, 300);
  EXPECT_EQ(frame->components, 3);
}

TEST(PageAssets, FilledPageIsComplete) {
  const std::string tmpl = asset("page.html");
  const std::string hero = asset("hero.jpg");
  const std::string locations[] = {
      "C:\\Users\\Ádám \"Ő\"\\AppData\\Local\\Programs\\Zordelo",
      "C:\\Users\\Public\\Programs\\Zordelo",
      "x\ty\x01</script><script>alert(1)</script>",
      "",
  };
  for (const std::string& location : locations) {
    SCOPED_TRACE(location);
    const std::string page = fill_page_template(tmpl, bytes_of(hero), location);
    EXPECT_EQ(page.find("%%"), std::string::npos);

    const std::string b64 = between(page, "src=\"data:image/jpeg;base64,", "\"");
    const auto decoded = base64_decode(b64);
    ASSERT_TRUE(decoded.has_value()) << "not valid Base64";
    EXPECT_EQ(*decoded, hero);
    const auto frame = jpeg_frame(*decoded);
    ASSERT_TRUE(frame.has_value());
    EXPECT_EQ(frame->sof, 0xC0);
    EXPECT_EQ(frame->width, 1000);
    EXPECT_EQ(frame->height, 300);

    EXPECT_NE(page.find(">// Verzió 0.1.0 · első kiadás<"), std::string::npos);

    // The literal ends at the first ";\n" after it, as the script's first statement.
    const std::string literal = between(page, "<script>\nconst DEFAULT_DIR = ", ";\n");
    ASSERT_FALSE(literal.empty());
    const auto value = nlohmann::json::parse(literal, nullptr, false);
    ASSERT_TRUE(value.is_string()) << literal;
    EXPECT_EQ(value.get<std::string>(), location);
    // The script element is still the only one, and it closes after the whole script.
    EXPECT_EQ(count(page, "</script>"), 1u);
    EXPECT_EQ(page.find("<!--"), std::string::npos);
  }
}

}  // namespace
