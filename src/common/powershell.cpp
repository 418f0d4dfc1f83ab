#include "common/powershell.h"

#include "common/base64.h"
#include "common/text.h"

std::string encode_powershell_command(std::string_view script_utf8) {
  const std::u16string units = text::utf8_to_utf16(script_utf8);
  std::string bytes;
  bytes.reserve(units.size() * 2);
  for (const char16_t u : units) {
    bytes += static_cast<char>(u & 0xFF);
    bytes += static_cast<char>(u >> 8);
  }
  return base64_encode(bytes);
}

std::vector<std::string> powershell_arguments(std::string_view script_utf8) {
  return {"-NoProfile", "-ExecutionPolicy", "Bypass", "-EncodedCommand", encode_powershell_command(script_utf8)};
}
