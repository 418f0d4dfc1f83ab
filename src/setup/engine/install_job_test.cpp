#include "setup/engine/install_job.h"

#include <gtest/gtest.h>

#include <set>

#include "common/powershell_test_decoder.h"

namespace {

// Every effect the job uses, written down in one list in the order they happened.
struct Recorder {
  std::vector<std::string> log;
  std::set<std::string> missing_tools;
  std::optional<std::string> folder_error;
  UnpackResult unpack_result{true, 329181392, {}};
  std::vector<std::pair<uint32_t, std::string>> unpack_reports = {
      {5, "A bánya és a világ kicsomagolása…"}, {84, "A bánya és a világ kicsomagolása…"}, {85, "Fájlok másolása…"}};

  InstallEffects effects() {
    InstallEffects fx;
    fx.run_tool = [this](const std::string& p, const std::vector<std::string>& args) -> std::optional<uint32_t> {
      std::string line = "tool " + p;
      for (size_t i = 0; i < args.size(); ++i) {
        // The script after -EncodedCommand is logged as text, or as it came when it does not decode.
        const auto script =
            i > 0 && args[i - 1] == "-EncodedCommand" ? powershell_test::decode_encoded_command(args[i]) : std::nullopt;
        line += script ? " [script: " + *script + "]" : " [" + args[i] + "]";
      }
      log.push_back(line);
      if (missing_tools.count(p)) return std::nullopt;
      return p == "taskkill" ? 128u : 0u;
    };
    fx.sleep = [this](uint32_t ms) { log.push_back("sleep " + std::to_string(ms)); };
    fx.make_folders = [this](const std::string& path) {
      log.push_back("folders " + path);
      return folder_error;
    };
    fx.unpack = [this](const std::string& location, const ProgressSink& progress) {
      log.push_back("unpack " + location);
      for (const auto& [p, s] : unpack_reports) progress(p, s);
      return unpack_result;
    };
    fx.report = [this](uint32_t p, const std::string& s) { log.push_back("report " + std::to_string(p) + " " + s); };
    return fx;
  }
};

// What the job hands to the tools, written out in full. The shortcut script is shown decoded
// from its -EncodedCommand argument (see the recorder).
const std::string kPowerShell = "tool powershell [-NoProfile] [-ExecutionPolicy] [Bypass] [-EncodedCommand] ";
const std::string kRegAdd = "tool reg [add] [HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Zordelo] ";
const std::vector<std::string> kRegFirstThree = {
    kRegAdd + "[/v] [DisplayName] [/t] [REG_SZ] [/d] [Zordeló] [/f]",
    kRegAdd + "[/v] [DisplayVersion] [/t] [REG_SZ] [/d] [0.1.0] [/f]",
    kRegAdd + "[/v] [Publisher] [/t] [REG_SZ] [/d] [Morvik] [/f]",
};
const std::vector<std::string> kRegLastTwo = {
    kRegAdd + "[/v] [NoModify] [/t] [REG_DWORD] [/d] [1] [/f]",
    kRegAdd + "[/v] [NoRepair] [/t] [REG_DWORD] [/d] [1] [/f]",
};
const std::vector<std::string> kPayloadReports = {"report 5 A bánya és a világ kicsomagolása…",
                                                  "report 84 A bánya és a világ kicsomagolása…",
                                                  "report 85 Fájlok másolása…"};

// The whole log of a run that gets through: the fixed steps around what the test gives, which
// are the unpacker's reports, the one PowerShell line and the four reg lines between Publisher
// and NoModify (DisplayIcon, InstallLocation, UninstallString, EstimatedSize).
std::vector<std::string> successful_run(const std::string& dir, const std::vector<std::string>& unpack_reports,
                                        const std::string& powershell_line, const std::vector<std::string>& reg_lines) {
  std::vector<std::string> want = {"report 2 Előkészítés…", "tool taskkill [/F] [/IM] [Zordelo.exe]", "sleep 500",
                                   "folders " + dir, "unpack " + dir};
  want.insert(want.end(), unpack_reports.begin(), unpack_reports.end());
  want.push_back("report 88 Parancsikonok létrehozása…");
  want.push_back(powershell_line);
  want.push_back("report 94 Regisztráció a Windowsban…");
  want.insert(want.end(), kRegFirstThree.begin(), kRegFirstThree.end());
  want.insert(want.end(), reg_lines.begin(), reg_lines.end());
  want.insert(want.end(), kRegLastTwo.begin(), kRegLastTwo.end());
  want.push_back("report 100 Kész");
  return want;
}

TEST(InstallJob, NormalRunDoesTheElevenStepsInOrder) {
  Recorder r;
  const InstallResult res = run_install_job({"C:\\Program Files x\\Zordelo", true, false}, r.effects());
  EXPECT_TRUE(res.ok);
  EXPECT_EQ(res.error, "");
  EXPECT_EQ(
      r.log,
      successful_run(
          "C:\\Program Files x\\Zordelo", kPayloadReports,
          kPowerShell + "[script: $ErrorActionPreference='Stop'; $sh=New-Object -ComObject WScript.Shell; $t=@(); "
                        "if($true){$t+=Join-Path ([Environment]::GetFolderPath('Desktop')) 'Zordeló.lnk'}; "
                        "if($false){$t+=Join-Path ([Environment]::GetFolderPath('Programs')) 'Zordeló.lnk'}; "
                        "foreach($p in $t){$l=$sh.CreateShortcut($p); "
                        "$l.TargetPath='C:\\Program Files x\\Zordelo\\Zordelo.exe'; "
                        "$l.WorkingDirectory='C:\\Program Files x\\Zordelo'; "
                        "$l.IconLocation='C:\\Program Files x\\Zordelo\\Zordelo.exe,0'; $l.Description='Zordeló'; "
                        "$l.Save()}]",
          {kRegAdd + "[/v] [DisplayIcon] [/t] [REG_SZ] [/d] [C:\\Program Files x\\Zordelo\\Zordelo.exe] [/f]",
           kRegAdd + "[/v] [InstallLocation] [/t] [REG_SZ] [/d] [C:\\Program Files x\\Zordelo] [/f]",
           kRegAdd + "[/v] [UninstallString] [/t] [REG_SZ] [/d] [\"C:\\Program Files x\\Zordelo\\uninstall.exe\"] [/f]",
           kRegAdd + "[/v] [EstimatedSize] [/t] [REG_DWORD] [/d] [321466] [/f]"}));
}

TEST(InstallJob, EmptyPayloadReportsOnlyTheMilestones) {
  Recorder r;
  r.unpack_result = {true, 0, {}};
  r.unpack_reports.clear();
  const InstallResult res = run_install_job({"D:\\Zordelo", false, true}, r.effects());
  EXPECT_TRUE(res.ok);
  std::vector<std::string> reports;
  for (const auto& l : r.log)
    if (l.starts_with("report ")) reports.push_back(l);
  EXPECT_EQ(reports, (std::vector<std::string>{"report 2 Előkészítés…", "report 88 Parancsikonok létrehozása…",
                                               "report 94 Regisztráció a Windowsban…", "report 100 Kész"}));
  EXPECT_EQ(r.log, successful_run(
                       "D:\\Zordelo", {},
                       kPowerShell +
                           "[script: $ErrorActionPreference='Stop'; $sh=New-Object -ComObject WScript.Shell; $t=@(); "
                           "if($false){$t+=Join-Path ([Environment]::GetFolderPath('Desktop')) 'Zordeló.lnk'}; "
                           "if($true){$t+=Join-Path ([Environment]::GetFolderPath('Programs')) 'Zordeló.lnk'}; "
                           "foreach($p in $t){$l=$sh.CreateShortcut($p); $l.TargetPath='D:\\Zordelo\\Zordelo.exe'; "
                           "$l.WorkingDirectory='D:\\Zordelo'; $l.IconLocation='D:\\Zordelo\\Zordelo.exe,0'; "
                           "$l.Description='Zordeló'; $l.Save()}]",
                       {kRegAdd + "[/v] [DisplayIcon] [/t] [REG_SZ] [/d] [D:\\Zordelo\\Zordelo.exe] [/f]",
                        kRegAdd + "[/v] [InstallLocation] [/t] [REG_SZ] [/d] [D:\\Zordelo] [/f]",
                        kRegAdd + "[/v] [UninstallString] [/t] [REG_SZ] [/d] [\"D:\\Zordelo\\uninstall.exe\"] [/f]",
                        kRegAdd + "[/v] [EstimatedSize] [/t] [REG_DWORD] [/d] [0] [/f]"}));
}

TEST(InstallJob, AFolderThatCannotBeMadeStopsTheRunAfterTaskkill) {
  Recorder r;
  r.folder_error = "File already exists. (os error 183)";
  const InstallResult res = run_install_job({"C:\\file.txt", false, false}, r.effects());
  EXPECT_FALSE(res.ok);
  EXPECT_EQ(res.error, "A mappa nem hozható létre: File already exists. (os error 183)");
  EXPECT_EQ(r.log, (std::vector<std::string>{"report 2 Előkészítés…", "tool taskkill [/F] [/IM] [Zordelo.exe]",
                                             "sleep 500", "folders C:\\file.txt"}));
}

TEST(InstallJob, AnUnpackFailureIsPassedOnUnchangedAndEndsTheRun) {
  Recorder r;
  r.unpack_result = {false, 0,
                     "Nem írható: D:\\Zordelo\\Zordelo.exe (Sharing violation. (os error 32)). Be van zárva a játék?"};
  r.unpack_reports = {{5, "A bánya és a világ kicsomagolása…"}};
  const InstallResult res = run_install_job({"D:\\Zordelo", true, true}, r.effects());
  EXPECT_FALSE(res.ok);
  EXPECT_EQ(res.error, r.unpack_result.error);
  EXPECT_EQ(r.log.back(), "report 5 A bánya és a világ kicsomagolása…");
  for (const auto& l : r.log) EXPECT_FALSE(l.starts_with("tool powershell") || l.starts_with("tool reg")) << l;
}

// The four location-dependent reg lines and the PowerShell line of a run without shortcuts for
// the relative location "Zordelo".
const std::string kRelativeNoShortcutsScript =
    "[script: $ErrorActionPreference='Stop'; $sh=New-Object -ComObject WScript.Shell; $t=@(); "
    "if($false){$t+=Join-Path ([Environment]::GetFolderPath('Desktop')) 'Zordeló.lnk'}; "
    "if($false){$t+=Join-Path ([Environment]::GetFolderPath('Programs')) 'Zordeló.lnk'}; "
    "foreach($p in $t){$l=$sh.CreateShortcut($p); $l.TargetPath='Zordelo\\Zordelo.exe'; "
    "$l.WorkingDirectory='Zordelo'; $l.IconLocation='Zordelo\\Zordelo.exe,0'; $l.Description='Zordeló'; $l.Save()}]";
const std::vector<std::string> kRelativeRegLines = {
    kRegAdd + "[/v] [DisplayIcon] [/t] [REG_SZ] [/d] [Zordelo\\Zordelo.exe] [/f]",
    kRegAdd + "[/v] [InstallLocation] [/t] [REG_SZ] [/d] [Zordelo] [/f]",
    kRegAdd + "[/v] [UninstallString] [/t] [REG_SZ] [/d] [\"Zordelo\\uninstall.exe\"] [/f]",
    kRegAdd + "[/v] [EstimatedSize] [/t] [REG_DWORD] [/d] [321466] [/f]"};

TEST(InstallJob, MissingPowerShellAndRegStillEndInSuccess) {
  Recorder r;
  r.missing_tools = {"powershell", "reg", "taskkill"};
  const InstallResult res = run_install_job({"Zordelo", false, false}, r.effects());
  EXPECT_TRUE(res.ok);
  // Every reg run is still tried after the first one failed, and the last report is 100.
  EXPECT_EQ(r.log,
            successful_run("Zordelo", kPayloadReports, kPowerShell + kRelativeNoShortcutsScript, kRelativeRegLines));
  EXPECT_EQ(r.log.back(), "report 100 Kész");
}

TEST(InstallJob, RelativeAndTrailingSeparatorLocationsAreUsedUnchanged) {
  struct Case {
    std::string dir, script;
    std::vector<std::string> reg_lines;
  } cases[] = {
      {"Zordelo", kRelativeNoShortcutsScript, kRelativeRegLines},
      {"D:\\Games\\zordelo\\",
       "[script: $ErrorActionPreference='Stop'; $sh=New-Object -ComObject WScript.Shell; $t=@(); "
       "if($false){$t+=Join-Path ([Environment]::GetFolderPath('Desktop')) 'Zordeló.lnk'}; "
       "if($false){$t+=Join-Path ([Environment]::GetFolderPath('Programs')) 'Zordeló.lnk'}; "
       "foreach($p in $t){$l=$sh.CreateShortcut($p); $l.TargetPath='D:\\Games\\zordelo\\Zordelo.exe'; "
       "$l.WorkingDirectory='D:\\Games\\zordelo\\'; $l.IconLocation='D:\\Games\\zordelo\\Zordelo.exe,0'; "
       "$l.Description='Zordeló'; $l.Save()}]",
       {kRegAdd + "[/v] [DisplayIcon] [/t] [REG_SZ] [/d] [D:\\Games\\zordelo\\Zordelo.exe] [/f]",
        kRegAdd + "[/v] [InstallLocation] [/t] [REG_SZ] [/d] [D:\\Games\\zordelo\\] [/f]",
        kRegAdd + "[/v] [UninstallString] [/t] [REG_SZ] [/d] [\"D:\\Games\\zordelo\\uninstall.exe\"] [/f]",
        kRegAdd + "[/v] [EstimatedSize] [/t] [REG_DWORD] [/d] [321466] [/f]"}},
      {"D:Zordelo",
       "[script: $ErrorActionPreference='Stop'; $sh=New-Object -ComObject WScript.Shell; $t=@(); "
       "if($false){$t+=Join-Path ([Environment]::GetFolderPath('Desktop')) 'Zordeló.lnk'}; "
       "if($false){$t+=Join-Path ([Environment]::GetFolderPath('Programs')) 'Zordeló.lnk'}; "
       "foreach($p in $t){$l=$sh.CreateShortcut($p); $l.TargetPath='D:Zordelo\\Zordelo.exe'; "
       "$l.WorkingDirectory='D:Zordelo'; $l.IconLocation='D:Zordelo\\Zordelo.exe,0'; "
       "$l.Description='Zordeló'; $l.Save()}]",
       {kRegAdd + "[/v] [DisplayIcon] [/t] [REG_SZ] [/d] [D:Zordelo\\Zordelo.exe] [/f]",
        kRegAdd + "[/v] [InstallLocation] [/t] [REG_SZ] [/d] [D:Zordelo] [/f]",
        kRegAdd + "[/v] [UninstallString] [/t] [REG_SZ] [/d] [\"D:Zordelo\\uninstall.exe\"] [/f]",
        kRegAdd + "[/v] [EstimatedSize] [/t] [REG_DWORD] [/d] [321466] [/f]"}},
  };
  for (const auto& c : cases) {
    Recorder r;
    EXPECT_TRUE(run_install_job({c.dir, false, false}, r.effects()).ok);
    EXPECT_EQ(r.log, successful_run(c.dir, kPayloadReports, kPowerShell + c.script, c.reg_lines)) << c.dir;
  }
}

}  // namespace
