#include "setup/engine/shortcuts.h"

#include <gtest/gtest.h>

#include "common/powershell_test_decoder.h"

namespace {

TEST(Shortcuts, TemplateIsOneLineOf383Characters) {
  // With empty paths only the flags and the name fill it: 383 characters less the eight
  // placeholders (24), plus $false twice (12) and Zordeló three times (21) make 392 characters,
  // 395 bytes in UTF-8 (each ó takes two).
  const std::string s = fill_shortcut_script("", "", false, false);
  EXPECT_EQ(s.size(), 395u);
  EXPECT_EQ(s.find('\n'), std::string::npos);
  EXPECT_EQ(s.find('\r'), std::string::npos);
}

TEST(Shortcuts, FlagsBecomePowerShellBooleans) {
  const std::string dir = "C:\\Users\\u1\\AppData\\Local\\Programs\\Zordelo";
  const std::string exe = "C:\\Users\\u1\\AppData\\Local\\Programs\\Zordelo\\Zordelo.exe";
  // Everything after the two ifs, the same for all four cases.
  const std::string tail =
      "foreach($p in $t){$l=$sh.CreateShortcut($p); "
      "$l.TargetPath='C:\\Users\\u1\\AppData\\Local\\Programs\\Zordelo\\Zordelo.exe'; "
      "$l.WorkingDirectory='C:\\Users\\u1\\AppData\\Local\\Programs\\Zordelo'; "
      "$l.IconLocation='C:\\Users\\u1\\AppData\\Local\\Programs\\Zordelo\\Zordelo.exe,0'; "
      "$l.Description='Zordeló'; $l.Save()}";
  struct Case {
    bool desktop, start;
    const char* ifs;
  } cases[] = {{false, false,
                "if($false){$t+=Join-Path ([Environment]::GetFolderPath('Desktop')) 'Zordeló.lnk'}; "
                "if($false){$t+=Join-Path ([Environment]::GetFolderPath('Programs')) 'Zordeló.lnk'}; "},
               {true, true,
                "if($true){$t+=Join-Path ([Environment]::GetFolderPath('Desktop')) 'Zordeló.lnk'}; "
                "if($true){$t+=Join-Path ([Environment]::GetFolderPath('Programs')) 'Zordeló.lnk'}; "},
               {true, false,
                "if($true){$t+=Join-Path ([Environment]::GetFolderPath('Desktop')) 'Zordeló.lnk'}; "
                "if($false){$t+=Join-Path ([Environment]::GetFolderPath('Programs')) 'Zordeló.lnk'}; "},
               {false, true,
                "if($false){$t+=Join-Path ([Environment]::GetFolderPath('Desktop')) 'Zordeló.lnk'}; "
                "if($true){$t+=Join-Path ([Environment]::GetFolderPath('Programs')) 'Zordeló.lnk'}; "}};
  for (const auto& c : cases)
    EXPECT_EQ(
        fill_shortcut_script(dir, exe, c.desktop, c.start),
        "$ErrorActionPreference='Stop'; $sh=New-Object -ComObject WScript.Shell; $t=@(); " + std::string(c.ifs) + tail)
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
  EXPECT_EQ(fill_shortcut_script("C:\\Users\\O'Brien\\It's\\Zordelo", "C:\\Users\\O'Brien\\It's\\Zordelo\\Zordelo.exe",
                                 true, false),
            "$ErrorActionPreference='Stop'; $sh=New-Object -ComObject WScript.Shell; $t=@(); "
            "if($true){$t+=Join-Path ([Environment]::GetFolderPath('Desktop')) 'Zordeló.lnk'}; "
            "if($false){$t+=Join-Path ([Environment]::GetFolderPath('Programs')) 'Zordeló.lnk'}; "
            "foreach($p in $t){$l=$sh.CreateShortcut($p); "
            "$l.TargetPath='C:\\Users\\O''Brien\\It''s\\Zordelo\\Zordelo.exe'; "
            "$l.WorkingDirectory='C:\\Users\\O''Brien\\It''s\\Zordelo'; "
            "$l.IconLocation='C:\\Users\\O''Brien\\It''s\\Zordelo\\Zordelo.exe,0'; "
            "$l.Description='Zordeló'; $l.Save()}");
  // The rest of the script keeps its single apostrophes.
  const std::string s = fill_shortcut_script("a", "b", false, false);
  EXPECT_NE(s.find("$ErrorActionPreference='Stop'"), std::string::npos);
  EXPECT_EQ(s.find("''"), std::string::npos);
}

TEST(Shortcuts, TypographicSingleQuotesAreDoubledTooSincePowerShellEndsStringsAtThem) {
  // U+2018, U+2019, U+201A, U+201B; the double quotes U+201C/U+201D and other text stay single.
  const std::string dir =
      "D:\\Bob\xE2\x80\x99s \xE2\x80\x98x\xE2\x80\x9A\xE2\x80\x9B \xE2\x80\x9Cq\xE2\x80\x9D\\Zordelo";
  EXPECT_EQ(fill_shortcut_script(dir, dir + "\\Zordelo.exe", false, false),
            "$ErrorActionPreference='Stop'; $sh=New-Object -ComObject WScript.Shell; $t=@(); "
            "if($false){$t+=Join-Path ([Environment]::GetFolderPath('Desktop')) 'Zordeló.lnk'}; "
            "if($false){$t+=Join-Path ([Environment]::GetFolderPath('Programs')) 'Zordeló.lnk'}; "
            "foreach($p in $t){$l=$sh.CreateShortcut($p); "
            "$l.TargetPath='D:\\Bob\xE2\x80\x99\xE2\x80\x99s \xE2\x80\x98\xE2\x80\x98x\xE2\x80\x9A\xE2\x80\x9A"
            "\xE2\x80\x9B\xE2\x80\x9B \xE2\x80\x9Cq\xE2\x80\x9D\\Zordelo\\Zordelo.exe'; "
            "$l.WorkingDirectory='D:\\Bob\xE2\x80\x99\xE2\x80\x99s \xE2\x80\x98\xE2\x80\x98x\xE2\x80\x9A\xE2\x80\x9A"
            "\xE2\x80\x9B\xE2\x80\x9B \xE2\x80\x9Cq\xE2\x80\x9D\\Zordelo'; "
            "$l.IconLocation='D:\\Bob\xE2\x80\x99\xE2\x80\x99s \xE2\x80\x98\xE2\x80\x98x\xE2\x80\x9A\xE2\x80\x9A"
            "\xE2\x80\x9B\xE2\x80\x9B \xE2\x80\x9Cq\xE2\x80\x9D\\Zordelo\\Zordelo.exe,0'; "
            "$l.Description='Zordeló'; $l.Save()}");
}

TEST(Shortcuts, PathsArePutInOnceAndNeverScannedForPlaceholders) {
  EXPECT_EQ(
      fill_shortcut_script("C:\\{4}\\{3}{1}\\$true\\Zordelo", "C:\\{4}\\{3}{1}\\$true\\Zordelo\\Zordelo.exe", false,
                           true),
      "$ErrorActionPreference='Stop'; $sh=New-Object -ComObject WScript.Shell; $t=@(); "
      "if($false){$t+=Join-Path ([Environment]::GetFolderPath('Desktop')) 'Zordeló.lnk'}; "
      "if($true){$t+=Join-Path ([Environment]::GetFolderPath('Programs')) 'Zordeló.lnk'}; "
      "foreach($p in $t){$l=$sh.CreateShortcut($p); $l.TargetPath='C:\\{4}\\{3}{1}\\$true\\Zordelo\\Zordelo.exe'; "
      "$l.WorkingDirectory='C:\\{4}\\{3}{1}\\$true\\Zordelo'; "
      "$l.IconLocation='C:\\{4}\\{3}{1}\\$true\\Zordelo\\Zordelo.exe,0'; $l.Description='Zordeló'; $l.Save()}");
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
  const std::vector<std::string>& args = runs[0].second;
  ASSERT_EQ(args.size(), 5u);
  EXPECT_EQ(std::vector<std::string>(args.begin(), args.begin() + 4),
            (std::vector<std::string>{"-NoProfile", "-ExecutionPolicy", "Bypass", "-EncodedCommand"}));
  // Base64 of two bytes per UTF-16 unit: the template's 383 characters less its eight
  // placeholders (24), plus $true (5), $false (6), three times Zordeló (21), the game path twice
  // (52) and the location (14) make 457 units, 914 bytes, 1220 characters with one '='.
  EXPECT_EQ(args[4].size(), 1220u);
  EXPECT_EQ(args[4].substr(0, 24), "JABFAHIAcgBvAHIAQQBjAHQA");  // "$ErrorAc"
  EXPECT_EQ(args[4].substr(1216), "fQA=");                       // the closing "}"
  EXPECT_EQ(powershell_test::decode_encoded_command(args[4]),
            "$ErrorActionPreference='Stop'; $sh=New-Object -ComObject WScript.Shell; $t=@(); "
            "if($true){$t+=Join-Path ([Environment]::GetFolderPath('Desktop')) 'Zordeló.lnk'}; "
            "if($false){$t+=Join-Path ([Environment]::GetFolderPath('Programs')) 'Zordeló.lnk'}; "
            "foreach($p in $t){$l=$sh.CreateShortcut($p); $l.TargetPath='C:\\a b\\Zordelo\\Zordelo.exe'; "
            "$l.WorkingDirectory='C:\\a b\\Zordelo'; $l.IconLocation='C:\\a b\\Zordelo\\Zordelo.exe,0'; "
            "$l.Description='Zordeló'; $l.Save()}");
}

}  // namespace
