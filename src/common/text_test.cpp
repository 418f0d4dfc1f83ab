#include "common/text.h"

#include <gtest/gtest.h>

namespace {

TEST(Text, Utf16ToUtf8ReplacesUnpairedSurrogates) {
  struct Case {
    std::u16string in;
    std::string out;
  } cases[] = {
      {u"", ""},
      {u"Zordeló telepítő", "Zordeló telepítő"},
      {u"\U0001F600", "\xF0\x9F\x98\x80"},
      {std::u16string{u'a', 0xD800, u'b'},
       "a\xEF\xBF\xBD"
       "b"},
      {std::u16string{0xDC00, 0xD800}, "\xEF\xBF\xBD\xEF\xBF\xBD"},
      {std::u16string{u'x', 0xDBFF}, "x\xEF\xBF\xBD"},
  };
  for (const auto& c : cases) EXPECT_EQ(text::utf16_to_utf8(c.in), c.out);
}

TEST(Text, Utf8ToUtf16RoundTripsAndReplacesInvalidBytes) {
  EXPECT_EQ(text::utf8_to_utf16("Zordeló \xF0\x9F\x98\x80"), u"Zordeló \U0001F600");
  EXPECT_EQ(text::utf8_to_utf16("a\xFF"
                                "b"),
            u"a\uFFFDb");
  EXPECT_EQ(text::utf8_to_utf16("\xED\xA0\x80"), u"\uFFFD\uFFFD\uFFFD");  // encoded surrogate
  EXPECT_EQ(text::utf8_to_utf16("\xE2\x82"), u"\uFFFD");                  // truncated sequence
  EXPECT_EQ(text::utf8_to_utf16("\xC0\xAF"), u"\uFFFD\uFFFD");            // overlong
  EXPECT_TRUE(text::is_valid_utf8("ő \xEF\xBF\xBD"));
  EXPECT_FALSE(text::is_valid_utf8("\xF5\x80\x80\x80"));
  EXPECT_EQ(text::utf8_lossy("ok\x80"), "ok\xEF\xBF\xBD");
}

TEST(Text, JsonStringEscapesExactlyTheControlsQuoteAndBackslash) {
  struct Case {
    std::string in, out;
  } cases[] = {
      {"", "\"\""},
      {"C:\\Games\\Zordelo", "\"C:\\\\Games\\\\Zordelo\""},
      {"say \"hi\"", "\"say \\\"hi\\\"\""},
      {"\b\t\n\f\r", "\"\\b\\t\\n\\f\\r\""},
      {std::string("\x00\x01\x1b\x1f", 4), "\"\\u0000\\u0001\\u001b\\u001f\""},
      {"a/b \x7f \xE2\x80\xA8 \xE2\x80\xA9", "\"a/b \x7f \xE2\x80\xA8 \xE2\x80\xA9\""},
      {"Fájlok másolása…", "\"Fájlok másolása…\""},
      {"bad\xFF", "\"bad\xEF\xBF\xBD\""},
  };
  for (const auto& c : cases) EXPECT_EQ(text::json_string(c.in), c.out) << c.in;
}

TEST(Text, AsciiCaseFoldingTouchesOnlyLetters) {
  EXPECT_TRUE(text::equals_ascii_nocase("ZORDELO", "zordelo"));
  EXPECT_TRUE(text::equals_ascii_nocase("Zordelo.EXE", "zordelo.exe"));
  EXPECT_FALSE(text::equals_ascii_nocase("Zordeló", "ZORDELÓ"));
  EXPECT_FALSE(text::equals_ascii_nocase("Zordelo", "Zordelo2"));
  EXPECT_FALSE(text::equals_ascii_nocase("[", "{"));  // 0x5B vs 0x7B: not letters
}

}  // namespace
