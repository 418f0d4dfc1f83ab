// UTF-8 <-> wide text at the Win32 boundary (wchar_t is UTF-16 on Windows).
#pragma once

#include <string>
#include <string_view>

#include "common/text.h"

inline std::wstring to_wide(std::string_view utf8) {
  const std::u16string u = text::utf8_to_utf16(utf8);
  return std::wstring(u.begin(), u.end());
}

inline std::string from_wide(std::wstring_view w) {
  return text::utf16_to_utf8(std::u16string_view(reinterpret_cast<const char16_t*>(w.data()), w.size()));
}
