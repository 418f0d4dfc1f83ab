// For tests only: reads the script back out of a -EncodedCommand argument (Base64 of UTF-16LE
// code units), so that a test can compare it with a script written out as plain text. It
// decodes on its own, without the encoder or the text conversions it tests.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace powershell_test {

// The script as UTF-8; none unless the argument is padded standard Base64 of whole UTF-16LE
// code units with every surrogate paired.
inline std::optional<std::string> decode_encoded_command(std::string_view base64) {
  auto sextet = [](char c) -> int {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
  };
  if (base64.size() % 4 != 0) return std::nullopt;
  std::string bytes;
  for (size_t i = 0; i < base64.size(); i += 4) {
    const bool last = i + 4 == base64.size();
    const size_t pad = !last ? 0 : base64[i + 3] != '=' ? 0 : base64[i + 2] != '=' ? 1 : 2;
    uint32_t group = 0;
    for (size_t k = 0; k < 4; ++k) {
      const int v = k < 4 - pad ? sextet(base64[i + k]) : 0;
      if (v < 0) return std::nullopt;
      group = group << 6 | static_cast<uint32_t>(v);
    }
    for (size_t k = 0; k < 3 - pad; ++k) bytes += static_cast<char>(group >> (16 - 8 * k) & 0xFF);
  }
  if (bytes.size() % 2 != 0) return std::nullopt;

  std::string utf8;
  for (size_t i = 0; i < bytes.size(); i += 2) {
    uint32_t cp = static_cast<uint8_t>(bytes[i]) | static_cast<uint32_t>(static_cast<uint8_t>(bytes[i + 1])) << 8;
    if (cp >= 0xDC00 && cp <= 0xDFFF) return std::nullopt;
    if (cp >= 0xD800 && cp <= 0xDBFF) {
      if (i + 3 >= bytes.size()) return std::nullopt;
      const uint32_t low =
          static_cast<uint8_t>(bytes[i + 2]) | static_cast<uint32_t>(static_cast<uint8_t>(bytes[i + 3])) << 8;
      if (low < 0xDC00 || low > 0xDFFF) return std::nullopt;
      cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
      i += 2;
    }
    if (cp < 0x80) {
      utf8 += static_cast<char>(cp);
    } else if (cp < 0x800) {
      utf8 += static_cast<char>(0xC0 | cp >> 6);
      utf8 += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
      utf8 += static_cast<char>(0xE0 | cp >> 12);
      utf8 += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
      utf8 += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
      utf8 += static_cast<char>(0xF0 | cp >> 18);
      utf8 += static_cast<char>(0x80 | (cp >> 12 & 0x3F));
      utf8 += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
      utf8 += static_cast<char>(0x80 | (cp & 0x3F));
    }
  }
  return utf8;
}

}  // namespace powershell_test
