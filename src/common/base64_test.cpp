#include "common/base64.h"

#include <gtest/gtest.h>

#include "common/powershell.h"
#include "common/powershell_test_decoder.h"

namespace {

TEST(Base64, Rfc4648Vectors) {
  struct Case {
    const char *in, *out;
  } cases[] = {{"", ""},
               {"f", "Zg=="},
               {"fo", "Zm8="},
               {"foo", "Zm9v"},
               {"foob", "Zm9vYg=="},
               {"fooba", "Zm9vYmE="},
               {"foobar", "Zm9vYmFy"}};
  for (const auto& c : cases) EXPECT_EQ(base64_encode(std::string_view(c.in)), c.out);
  const uint8_t bytes[] = {0xFB, 0xFF, 0xBF, 0x00};
  EXPECT_EQ(base64_encode(std::span<const uint8_t>(bytes)), "+/+/AA==");
}

TEST(Base64, OutputNeverOutgrowsItsReserve) {
  // The output is reserved as n * 4 / 3 + 4 bytes up front. Its capacity is still exactly that
  // reserve at the end, so no append reallocated it: outgrowing it would at least have doubled
  // the capacity. (Below 31 bytes the library keeps its own minimum instead: 15 for the short
  // string inside the object, else 30.)
  struct Case {
    size_t n, size, capacity;
  } cases[] = {{0, 0, 15},
               {1, 4, 15},
               {2, 4, 15},
               {3, 4, 15},
               {4, 8, 15},
               {5, 8, 15},
               {21, 28, 32},
               {22, 32, 33},
               {23, 32, 34},
               {24, 32, 36},
               {48, 64, 68},
               {49, 68, 69},
               {30000, 40000, 40004},
               {37217, 49624, 49626},
               {37218, 49624, 49628}};
  for (const auto& c : cases) {
    const std::string out = base64_encode(std::string(c.n, '\x5a'));
    EXPECT_EQ(out.size(), c.size) << c.n;
    EXPECT_EQ(out.capacity(), c.capacity) << c.n;
  }
}

TEST(PowerShell, EncodedCommandIsBase64OfUtf16Le) {
  EXPECT_EQ(encode_powershell_command("abc"), "YQBiAGMA");
  EXPECT_EQ(encode_powershell_command(""), "");
  EXPECT_EQ(encode_powershell_command("a"), "YQA=");
  EXPECT_EQ(encode_powershell_command("ó"), "8wA=");                     // F3 00
  EXPECT_EQ(encode_powershell_command("\xF0\x9F\x98\x80"), "PdgA3g==");  // D83D DE00
  const auto args = powershell_arguments("abc");
  EXPECT_EQ(args,
            (std::vector<std::string>{"-NoProfile", "-ExecutionPolicy", "Bypass", "-EncodedCommand", "YQBiAGMA"}));
}

// The tests' own reader of -EncodedCommand arguments, on encodings written out by hand.
TEST(PowerShell, TestDecoderReadsBackHandWrittenEncodings) {
  struct Case {
    const char* in;
    std::optional<std::string> out;
  } cases[] = {
      {"", ""},
      {"YQA=", "a"},
      {"YQBiAGMA", "abc"},
      {"8wA=", "\xC3\xB3"},              // F3 00: ó
      {"rCA=", "\xE2\x82\xAC"},          // AC 20: €
      {"PdgA3g==", "\xF0\x9F\x98\x80"},  // 3D D8 00 DE: U+1F600
      {"JAB0AD0AJwBhACcA", "$t='a'"},    // 24 00 74 00 3D 00 27 00 61 00 27 00
      {"YQ==", std::nullopt},            // one byte: half a unit
      {"YQA", std::nullopt},             // not a whole group
      {"YQ=A", std::nullopt},            // padding inside the group
      {"YQ!=", std::nullopt},            // outside the alphabet
      {"PdhhAA==", std::nullopt},        // high surrogate, then 'a'
      {"AN4=", std::nullopt},            // low surrogate alone
      {"YQA=YQA=", std::nullopt},        // padding before the end
  };
  for (const auto& c : cases) EXPECT_EQ(powershell_test::decode_encoded_command(c.in), c.out) << c.in;
}

}  // namespace
