// libFuzzer target: the Windows path rules on arbitrary text. The whole input is a path (or an
// archive entry name) for the components, the last component, extraction_name and the install
// location normalisation; the text before its first NUL and the text after it are joined; the
// input's bytes taken two by two are a LOCALAPPDATA value. Their promises are checked with
// plain rules of this file's own.
#include <array>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/text.h"
#include "common/winpath.h"
#include "setup/engine/extraction_name.h"
#include "setup/host/install_location.h"

namespace {

void check(bool promise) {
  if (!promise) std::abort();
}

bool sep(char c) { return c == '\\' || c == '/'; }
bool letter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool has_drive(std::string_view s) { return s.size() >= 2 && letter(s[0]) && s[1] == ':'; }
bool verbatim(std::string_view s) { return s.starts_with("\\\\?\\"); }
bool inside(std::string_view part, std::string_view whole) {
  return part.data() >= whole.data() && part.data() + part.size() <= whole.data() + whole.size();
}

bool is_product_folder(std::string_view name) {
  constexpr std::string_view kLower = "zordelo";
  if (name.size() != kLower.size()) return false;
  for (size_t i = 0; i < name.size(); ++i) {
    const char c = name[i] >= 'A' && name[i] <= 'Z' ? static_cast<char>(name[i] - 'A' + 'a') : name[i];
    if (c != kLower[i]) return false;
  }
  return true;
}

void check_components(std::string_view path) {
  using winpath::Kind;
  const std::vector<winpath::Component> parts = winpath::components(path);
  const char* at = path.data();
  for (size_t i = 0; i < parts.size(); ++i) {
    const winpath::Component& p = parts[i];
    check(inside(p.text, path) && p.text.data() >= at);  // in order, without overlap
    at = p.text.data() + p.text.size();
    switch (p.kind) {
      case Kind::Prefix:
        check(i == 0 && p.text.data() == path.data() && !p.text.empty());
        break;
      case Kind::Root:
        check((i == 0 || (i == 1 && parts[0].kind == Kind::Prefix)) && p.text.size() == 1 && sep(p.text[0]));
        break;
      case Kind::CurDir:
        check(i == 0 && p.text == ".");
        break;
      case Kind::ParentDir:
        check(p.text == "..");
        break;
      case Kind::Normal:
        check(!p.text.empty() && p.text != "." && p.text != "..");
        check(p.text.find('\\') == std::string_view::npos);
        check(verbatim(path) || p.text.find('/') == std::string_view::npos);
        break;
    }
  }
  const std::optional<std::string_view> last = winpath::last_component(path);
  const bool ends_normal = !parts.empty() && parts.back().kind == Kind::Normal;
  check(last.has_value() == ends_normal);
  if (last) check(last->data() == parts.back().text.data() && last->size() == parts.back().text.size());
}

void check_extraction_name(std::string_view name) {
  const std::optional<std::string> target = extraction_name(name);
  // Turned away: folder entries, NUL, a root or a drive in front.
  if (!name.empty() && sep(name.back())) check(!target);
  if (name.find('\0') != std::string_view::npos) check(!target);
  if (!name.empty() && sep(name[0])) check(!target);
  if (has_drive(name)) check(!target);
  if (!target) return;
  check(!target->empty() && *target != "." && *target != "..");
  check(target->find_first_of(std::string_view("/\\\0", 3)) == std::string::npos);
  check(!has_drive(*target));
  check(name.find(*target) != std::string_view::npos);
}

// The literal join rule: a backslash between, unless the base is empty, ends in a separator or
// is a bare drive.
std::string expected_join(std::string_view base, std::string_view name) {
  const bool bare_drive = base.size() == 2 && has_drive(base);
  const bool backslash = !base.empty() && !sep(base.back()) && !bare_drive;
  return std::string(base) + (backslash ? "\\" : "") + std::string(name);
}

constexpr std::array<std::string_view, 25> kBlanks = {
    "\t",           "\n",           "\v",           "\f",           "\r",           " ",
    "\xC2\x85",     "\xC2\xA0",     "\xE1\x9A\x80", "\xE2\x80\x80", "\xE2\x80\x81", "\xE2\x80\x82",
    "\xE2\x80\x83", "\xE2\x80\x84", "\xE2\x80\x85", "\xE2\x80\x86", "\xE2\x80\x87", "\xE2\x80\x88",
    "\xE2\x80\x89", "\xE2\x80\x8A", "\xE2\x80\xA8", "\xE2\x80\xA9", "\xE2\x80\xAF", "\xE2\x81\x9F",
    "\xE3\x80\x80",
};

bool starts_blank(std::string_view s) {
  for (const auto b : kBlanks)
    if (s.starts_with(b)) return true;
  return false;
}
bool ends_blank(std::string_view s) {
  for (const auto b : kBlanks)
    if (s.ends_with(b)) return true;
  return false;
}
// True when s is nothing but blanks, read from the front.
bool only_blanks(std::string_view s) {
  while (!s.empty()) {
    bool cut = false;
    for (const auto b : kBlanks) {
      if (s.starts_with(b)) {
        s.remove_prefix(b.size());
        cut = true;
        break;
      }
    }
    if (!cut) return false;
  }
  return true;
}

void check_location(std::string_view folder) {
  const std::string_view trimmed = trim_unicode_blanks(folder);
  check(inside(trimmed, folder) || trimmed.empty());
  if (!trimmed.empty()) {
    check(!starts_blank(trimmed) && !ends_blank(trimmed));
    const size_t front = static_cast<size_t>(trimmed.data() - folder.data());
    check(only_blanks(folder.substr(0, front)));
    check(only_blanks(folder.substr(front + trimmed.size())));
  } else {
    check(only_blanks(folder));
  }

  const std::string location = normalise_install_location(folder);
  const std::optional<std::string_view> last = winpath::last_component(trimmed);
  if (last && is_product_folder(*last))
    check(location == trimmed);
  else
    check(location == expected_join(trimmed, "Zordelo"));
  if (text::is_valid_utf8(folder)) check(text::is_valid_utf8(location));

  // Unless the path is all share or device prefix (\\server, \\?\...), the location ends in the
  // product folder and normalising it again changes nothing.
  if (!(trimmed.size() >= 2 && sep(trimmed[0]) && sep(trimmed[1]))) {
    const std::optional<std::string_view> final_part = winpath::last_component(location);
    check(final_part && is_product_folder(*final_part));
    check(normalise_install_location(location) == location);
  }
}

void check_default(std::string_view bytes) {
  std::u16string value;
  for (size_t i = 0; i + 1 < bytes.size(); i += 2)
    value += static_cast<char16_t>(static_cast<uint8_t>(bytes[i]) | static_cast<uint8_t>(bytes[i + 1]) << 8);
  const std::string location = default_install_location([&](std::u16string_view name) -> std::optional<std::u16string> {
    check(name == u"LOCALAPPDATA");
    if (bytes.empty()) return std::nullopt;
    return value;
  });
  check(location.ends_with("\\Programs\\Zordelo"));
  check(text::is_valid_utf8(location));
  if (bytes.empty()) check(location == "C:\\Users\\Public\\Programs\\Zordelo");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  check_components(text);
  check_extraction_name(text);
  check_location(text);

  const size_t nul = text.find('\0');
  const std::string_view base = text.substr(0, nul);
  const std::string_view name = nul == std::string_view::npos ? std::string_view() : text.substr(nul + 1);
  check(winpath::join(base, name) == expected_join(base, name));
  check_components(base);
  check_extraction_name(name);

  check_default(text);
  return 0;
}
