#include "setup/host/install_location.h"

#include <array>

#include "common/product.h"
#include "common/text.h"
#include "common/winpath.h"

namespace {

// The blanks in UTF-8. Valid UTF-8 never has a lead byte where a continuation byte belongs, so
// matching these byte strings at either end never cuts a character in two.
constexpr std::array<std::string_view, 25> kBlanks = {
    "\t",           "\n",           "\v",           "\f",           "\r",           " ",
    "\xC2\x85",     "\xC2\xA0",     "\xE1\x9A\x80", "\xE2\x80\x80", "\xE2\x80\x81", "\xE2\x80\x82",
    "\xE2\x80\x83", "\xE2\x80\x84", "\xE2\x80\x85", "\xE2\x80\x86", "\xE2\x80\x87", "\xE2\x80\x88",
    "\xE2\x80\x89", "\xE2\x80\x8A", "\xE2\x80\xA8", "\xE2\x80\xA9", "\xE2\x80\xAF", "\xE2\x81\x9F",
    "\xE3\x80\x80",
};

bool has_unpaired_surrogate(std::u16string_view s) {
  for (size_t i = 0; i < s.size(); ++i) {
    const char16_t c = s[i];
    if (c >= 0xD800 && c <= 0xDBFF) {
      if (i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
        ++i;
        continue;
      }
      return true;
    }
    if (c >= 0xDC00 && c <= 0xDFFF) return true;
  }
  return false;
}

}  // namespace

std::string_view trim_unicode_blanks(std::string_view text) {
  for (bool cut = true; cut && !text.empty();) {
    cut = false;
    for (const auto b : kBlanks) {
      if (text.starts_with(b)) {
        text.remove_prefix(b.size());
        cut = true;
        break;
      }
    }
  }
  for (bool cut = true; cut && !text.empty();) {
    cut = false;
    for (const auto b : kBlanks) {
      if (text.ends_with(b)) {
        text.remove_suffix(b.size());
        cut = true;
        break;
      }
    }
  }
  return text;
}

std::string default_install_location(const EnvironmentLookup& environment) {
  const std::optional<std::u16string> value = environment ? environment(u"LOCALAPPDATA") : std::nullopt;
  const std::string base =
      value && !has_unpaired_surrogate(*value) ? text::utf16_to_utf8(*value) : std::string("C:\\Users\\Public");
  return base + "\\Programs\\" + product::kFolderName;
}

std::string normalise_install_location(std::string_view folder) {
  const std::string_view trimmed = trim_unicode_blanks(folder);
  const auto last = winpath::last_component(trimmed);
  if (last && text::equals_ascii_nocase(*last, product::kFolderName)) return std::string(trimmed);
  return winpath::join(trimmed, product::kFolderName);
}
