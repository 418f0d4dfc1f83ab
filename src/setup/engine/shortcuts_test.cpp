#include "setup/engine/shortcuts.h"

#include <gtest/gtest.h>

#include "common/powershell.h"

namespace {

// The template as PowerShell gets it, placeholders {0}..{4} still in.
const std::string kTemplate =
    "$ErrorActionPreference='Stop'; $sh=New-Object -ComObject WScript.Shell; $t=@(); "
    "if({0}){$t+=Join-Path ([Environment]::GetFolderPath('Desktop')) '{1}.lnk'}; "
    "if({2}){$t+=Join-Path ([Environment]::GetFolderPath('Programs')) '{1}.lnk'}; "
    "foreach($p in $t){$l=$sh.CreateShortcut($p); $l.TargetPath='{3}'; $l.WorkingDirectory='{4}'; "
    "$l.IconLocation='{3},0'; $l.Description='{1}'; $l.Save()}";

std::string expected(const std::string& f0, const std::string& f2, const std::string& exe, const std::string& dir) {
  std::string out;
  for (size_t i = 0; i < kTemplate.size(); ++i) {
    if (kTemplate[i] == '{' && kTemplate[i + 2] == '}') {
      const char n = kTemplate[i + 1];
      out += n == '0' ? f0 : n == '1' ? "Zordeló" : n == '2' ? f2 : n == '3' ? exe : dir;
      i += 2;
    } else {
      out += kTemplate[i];
    }
  }
  return out;
}

TEST(Shortcuts, TemplateIsOneLineOf383Characters) {
  EXPECT_EQ(kTemplate.size(), 383u);
  EXPECT_EQ(kTemplate.find('\n'), std::string::npos);
}

TEST(Shortcuts, FlagsBecomePowerShellBooleans) {
  const std::string dir = "C:\\Users\\u1\\AppData\\Local\\Programs\\Zordelo";
  const std::string exe = dir + "\\Zordelo.exe";
  struct Case {
    bool desktop, start;
    const char *f0, *f2;
  } cases[] = {{false, false, "$false", "$false"},
               {true, true, "$true", "$true"},
               {true, false, "$true", "$false"},
               {false, true, "$false", "$true"}};
  for (const auto& c : cases)
    EXPECT_EQ(fill_shortcut_script(dir, exe, c.desktop, c.start), expected(c.f0, c.f2, exe, dir))
        << c.desktop << c.start;
}

TEST(Shortcuts, BothFlagsOffFilledExactly) {
  EXPECT_EQ(fill_shortcut_script("D:\\Zordelo", "D:\\Zordelo\\Zordelo.exe", false, false),
            "$ErrorActionPreference='Stop'; $sh=New-Object -ComObject WScript.Shell; $t=@(); "
            "if($false){$t+=Join-Path ([Environment]::GetFolderPath('Desktop')) 'Zordeló.lnk'}; "
            "if($false){$t+=Join-Path ([Environment]::GetFolderPath('Programs')) 'Zordeló.lnk'}; "
            "foreach($p in $t){$l=$sh.CreateShortcut($p); $l.TargetPath='D:\\Zordelo\\Zordelo.exe'; "
            "$l.WorkingDirectory='D:\\Zordelo'; $l.IconLocation='D:\\Zordelo\\Zordelo.exe,0'; "
            "$l.Description='Zordeló'; $l.Save()}");
}

TEST(Shortcuts, ApostrophesAreDoubledInThePathsOnly) {
  const std::string dir = "C:\\Users\\O'Brien\\It's\\Zordelo";
  const std::string exe = dir + "\\Zordelo.exe";
  EXPECT_EQ(fill_shortcut_script(dir, exe, true, false),
            expected("$true", "$false", "C:\\Users\\O''Brien\\It''s\\Zordelo\\Zordelo.exe",
                     "C:\\Users\\O''Brien\\It''s\\Zordelo"));
  // The rest of the script keeps its single apostrophes.
  const std::string s = fill_shortcut_script("a", "b", false, false);
  EXPECT_NE(s.find("$ErrorActionPreference='Stop'"), std::string::npos);
  EXPECT_EQ(s.find("''"), std::string::npos);
}

TEST(Shortcuts, TypographicSingleQuotesAreDoubledTooSincePowerShellEndsStringsAtThem) {
  // U+2018, U+2019, U+201A, U+201B; the double quotes U+201C/U+201D and other text stay single.
  const std::string dir =
      "D:\\Bob\xE2\x80\x99s \xE2\x80\x98x\xE2\x80\x9A\xE2\x80\x9B \xE2\x80\x9Cq\xE2\x80\x9D\\Zordelo";
  const std::string doubled =
      "D:\\Bob\xE2\x80\x99\xE2\x80\x99s \xE2\x80\x98\xE2\x80\x98x\xE2\x80\x9A\xE2\x80\x9A\xE2\x80\x9B\xE2\x80\x9B "
      "\xE2\x80\x9Cq\xE2\x80\x9D\\Zordelo";
  EXPECT_EQ(fill_shortcut_script(dir, dir + "\\Zordelo.exe", false, false),
            expected("$false", "$false", doubled + "\\Zordelo.exe", doubled));
}

TEST(Shortcuts, PathsArePutInOnceAndNeverScannedForPlaceholders) {
  const std::string dir = "C:\\{4}\\{3}{1}\\$true\\Zordelo";
  EXPECT_EQ(fill_shortcut_script(dir, dir + "\\Zordelo.exe", false, true),
            expected("$false", "$true", dir + "\\Zordelo.exe", dir));
}

TEST(Shortcuts, CreateShortcutsRunsPowerShellOnceWithTheEncodedScript) {
  std::vector<std::pair<std::string, std::vector<std::string>>> runs;
  const ToolRunner run = [&](const std::string& p, const std::vector<std::string>& a) -> std::optional<uint32_t> {
    runs.emplace_back(p, a);
    return std::nullopt;
  };
  create_shortcuts(run, "C:\\a b\\Zordelo", "C:\\a b\\Zordelo\\Zordelo.exe", true, false);
  ASSERT_EQ(runs.size(), 1u);
  EXPECT_EQ(runs[0].first, "powershell");
  const std::string script = fill_shortcut_script("C:\\a b\\Zordelo", "C:\\a b\\Zordelo\\Zordelo.exe", true, false);
  EXPECT_EQ(runs[0].second, (std::vector<std::string>{"-NoProfile", "-ExecutionPolicy", "Bypass", "-EncodedCommand",
                                                      encode_powershell_command(script)}));
}

}  // namespace
