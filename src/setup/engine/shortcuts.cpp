#include "setup/engine/shortcuts.h"

#include "common/powershell.h"
#include "common/product.h"

namespace {

constexpr std::string_view kTemplate =
    "$ErrorActionPreference='Stop'; $sh=New-Object -ComObject WScript.Shell; $t=@(); "
    "if({0}){$t+=Join-Path ([Environment]::GetFolderPath('Desktop')) '{1}.lnk'}; "
    "if({2}){$t+=Join-Path ([Environment]::GetFolderPath('Programs')) '{1}.lnk'}; "
    "foreach($p in $t){$l=$sh.CreateShortcut($p); $l.TargetPath='{3}'; $l.WorkingDirectory='{4}'; "
    "$l.IconLocation='{3},0'; $l.Description='{1}'; $l.Save()}";

// PowerShell ends a single-quoted string at the ASCII apostrophe and also at the typographic
// single quotes U+2018, U+2019, U+201A and U+201B; inside the string each of them is escaped by
// writing it twice. Doubling only the ASCII one would let a folder such as "Bob’s Games" end the
// string early and turn the rest of the path into script.
std::string single_quoted_content(std::string_view path) {
  std::string out;
  out.reserve(path.size() + 8);
  for (size_t i = 0; i < path.size(); ++i) {
    if (path[i] == '\'') {
      out += "''";
    } else if (path.substr(i, 2) == "\xE2\x80" && i + 2 < path.size() &&
               static_cast<unsigned char>(path[i + 2]) >= 0x98 && static_cast<unsigned char>(path[i + 2]) <= 0x9B) {
      const std::string_view quote = path.substr(i, 3);
      out += quote;
      out += quote;
      i += 2;
    } else {
      out += path[i];
    }
  }
  return out;
}

}  // namespace

std::string fill_shortcut_script(std::string_view location, std::string_view game_exe, bool desktop, bool start_menu) {
  const std::string values[5] = {desktop ? "$true" : "$false", product::kDisplayName, start_menu ? "$true" : "$false",
                                 single_quoted_content(game_exe), single_quoted_content(location)};
  // One pass over the template, so that text inside a value is never taken for a placeholder.
  std::string out;
  for (size_t i = 0; i < kTemplate.size(); ++i) {
    if (kTemplate[i] == '{' && i + 2 < kTemplate.size() && kTemplate[i + 1] >= '0' && kTemplate[i + 1] <= '4' &&
        kTemplate[i + 2] == '}') {
      out += values[kTemplate[i + 1] - '0'];
      i += 2;
    } else {
      out += kTemplate[i];
    }
  }
  return out;
}

void create_shortcuts(const ToolRunner& run, std::string_view location, std::string_view game_exe, bool desktop,
                      bool start_menu) {
  run("powershell", powershell_arguments(fill_shortcut_script(location, game_exe, desktop, start_menu)));
}
