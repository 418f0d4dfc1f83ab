#include "common/base64.h"

#include <gtest/gtest.h>

#include "common/powershell.h"

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
  for (size_t n : {0, 1, 2, 3, 4, 5, 37217}) {
    const std::string out = base64_encode(std::string(n, '\x5a'));
    EXPECT_EQ(out.size(), 4 * ((n + 2) / 3));
    EXPECT_LE(out.size(), n * 4 / 3 + 4);
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

}  // namespace
