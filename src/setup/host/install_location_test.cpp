#include "setup/host/install_location.h"

#include <gtest/gtest.h>

#include "common/fuzz_seeds.h"

namespace {

TEST(InstallLocation, NormalisationExamples) {
  struct Case {
    const char *in, *out;
  } cases[] = {
      {"D:\\Games", "D:\\Games\\Zordelo"},
      {"D:\\", "D:\\Zordelo"},
      {"D:", "D:Zordelo"},
      {"D:/", "D:/Zordelo"},
      {"D:\\Games\\ZORDELO", "D:\\Games\\ZORDELO"},
      {"D:\\Games\\zordelo\\", "D:\\Games\\zordelo\\"},
      {"D:\\Games\\Zordelo//", "D:\\Games\\Zordelo//"},
      {"D:\\Games\\Zordelo\\.", "D:\\Games\\Zordelo\\."},
      {"D:\\Games\\Zordelo2", "D:\\Games\\Zordelo2\\Zordelo"},
      {"D:\\Games\\Zordelo\\..", "D:\\Games\\Zordelo\\..\\Zordelo"},
      {"D:\\Games\\", "D:\\Games\\Zordelo"},
      {"D:\\Games\\.", "D:\\Games\\.\\Zordelo"},
      {"\\\\srv\\share", "\\\\srv\\share\\Zordelo"},
      {"\\\\srv\\share\\", "\\\\srv\\share\\Zordelo"},
      {"\\\\srv\\share\\zordelo", "\\\\srv\\share\\zordelo"},
      {"\\", "\\Zordelo"},
      {"games", "games\\Zordelo"},
      {"Zordelo", "Zordelo"},
      {"..", "..\\Zordelo"},
      {".", ".\\Zordelo"},
      {"", "Zordelo"},
      {" \t ", "Zordelo"},
      {"  D:\\My Games  ", "D:\\My Games\\Zordelo"},
      {"D:\\Games\\Zordeló", "D:\\Games\\Zordeló\\Zordelo"},  // only ASCII letters fold
      {"D:\\Games\\ZORDELO.", "D:\\Games\\ZORDELO.\\Zordelo"},
      {"D:\\Games\\Zordelo \\x", "D:\\Games\\Zordelo \\x\\Zordelo"},
      {"C:\\Users\\O'Brien", "C:\\Users\\O'Brien\\Zordelo"},
  };
  for (const auto& c : cases) {
    fuzz_seeds::keep_case("ZORDELO_PATH_SEEDS", "location", &c - cases, c.in);
    EXPECT_EQ(normalise_install_location(c.in), c.out) << "[" << c.in << "]";
  }
}

TEST(InstallLocation, EveryUnicodeBlankIsTrimmedAtBothEndsAndKeptInside) {
  const char* blanks[] = {
      "\t",           "\n",           "\v",           "\f",           "\r",           " ",
      "\xC2\x85",     "\xC2\xA0",     "\xE1\x9A\x80", "\xE2\x80\x80", "\xE2\x80\x81", "\xE2\x80\x82",
      "\xE2\x80\x83", "\xE2\x80\x84", "\xE2\x80\x85", "\xE2\x80\x86", "\xE2\x80\x87", "\xE2\x80\x88",
      "\xE2\x80\x89", "\xE2\x80\x8A", "\xE2\x80\xA8", "\xE2\x80\xA9", "\xE2\x80\xAF", "\xE2\x81\x9F",
      "\xE3\x80\x80"};
  for (const std::string b : blanks) {
    EXPECT_EQ(normalise_install_location(b + b + "D:\\Games" + b), "D:\\Games\\Zordelo") << b;
    EXPECT_EQ(normalise_install_location(b + "D:\\a" + b + "b\\zordelo" + b + b), "D:\\a" + b + "b\\zordelo") << b;
    EXPECT_EQ(normalise_install_location(b), "Zordelo") << b;
  }
}

TEST(InstallLocation, CharactersThatAreNotBlanksStay) {
  // zero-width space, byte-order mark, Mongolian vowel separator, NUL-free lookalikes
  const char* others[] = {"\xE2\x80\x8B", "\xEF\xBB\xBF", "\xE1\xA0\x8E", "\xE2\x80\x8C", "\xC2\xA1"};
  for (const std::string o : others)
    EXPECT_EQ(normalise_install_location(o + "D:\\G" + o), o + "D:\\G" + o + "\\Zordelo") << o;
  EXPECT_EQ(trim_unicode_blanks("\xE2\x80\x8B "), "\xE2\x80\x8B");
}

std::string default_with(std::optional<std::u16string> value) {
  return default_install_location([&](std::u16string_view name) -> std::optional<std::u16string> {
    EXPECT_EQ(name, u"LOCALAPPDATA");
    return value;
  });
}

TEST(InstallLocation, DefaultComesFromLocalAppDataTakenAsItIs) {
  EXPECT_EQ(default_with(u"C:\\Users\\u1\\AppData\\Local"), "C:\\Users\\u1\\AppData\\Local\\Programs\\Zordelo");
  EXPECT_EQ(default_with(std::nullopt), "C:\\Users\\Public\\Programs\\Zordelo");
  EXPECT_EQ(default_with(u""), "\\Programs\\Zordelo");
  EXPECT_EQ(default_with(u"C:\\Users\\u1\\AppData\\Local\\"), "C:\\Users\\u1\\AppData\\Local\\\\Programs\\Zordelo");
  EXPECT_EQ(default_with(u" C:\\Lá "), " C:\\Lá \\Programs\\Zordelo");
  EXPECT_EQ(default_with(std::u16string(u"C:\\x") + char16_t(0xDC00)), "C:\\Users\\Public\\Programs\\Zordelo");
  EXPECT_EQ(default_with(std::u16string(u"C:\\") + char16_t(0xD800) + u"x"), "C:\\Users\\Public\\Programs\\Zordelo");
  EXPECT_EQ(default_with(u"C:\\\U0001F600"), "C:\\\xF0\x9F\x98\x80\\Programs\\Zordelo");  // a proper pair is fine
}

}  // namespace
