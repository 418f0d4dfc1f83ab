#include "setup/engine/install_job.h"

#include <gtest/gtest.h>

#include <set>

#include "setup/engine/shortcuts.h"
#include "setup/engine/uninstall_entry.h"

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
      for (const auto& a : args) line += " [" + a + "]";
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

std::string tool_line(const std::string& program, const std::vector<std::string>& args) {
  std::string line = "tool " + program;
  for (const auto& a : args) line += " [" + a + "]";
  return line;
}

std::vector<std::string> successful_run(const std::string& dir, bool desktop, bool start, uint64_t total,
                                        const std::vector<std::string>& unpack_reports, std::string exe = "") {
  if (exe.empty()) exe = dir + "\\Zordelo.exe";
  std::vector<std::string> want = {"report 2 Előkészítés…", "tool taskkill [/F] [/IM] [Zordelo.exe]", "sleep 500",
                                   "folders " + dir, "unpack " + dir};
  want.insert(want.end(), unpack_reports.begin(), unpack_reports.end());
  want.push_back("report 88 Parancsikonok létrehozása…");
  std::vector<std::string> ps_args;
  create_shortcuts(
      [&](const std::string& p, const std::vector<std::string>& a) -> std::optional<uint32_t> {
        want.push_back(tool_line(p, a));
        return 0;
      },
      dir, exe, desktop, start);
  want.push_back("report 94 Regisztráció a Windowsban…");
  for (const auto& a : uninstall_entry_arguments(dir, exe, total)) want.push_back(tool_line("reg", a));
  want.push_back("report 100 Kész");
  return want;
}

TEST(InstallJob, NormalRunDoesTheElevenStepsInOrder) {
  Recorder r;
  const InstallResult res = run_install_job({"C:\\Program Files x\\Zordelo", true, false}, r.effects());
  EXPECT_TRUE(res.ok);
  EXPECT_EQ(res.error, "");
  EXPECT_EQ(r.log, successful_run("C:\\Program Files x\\Zordelo", true, false, 329181392,
                                  {"report 5 A bánya és a világ kicsomagolása…",
                                   "report 84 A bánya és a világ kicsomagolása…", "report 85 Fájlok másolása…"}));
}

TEST(InstallJob, EmptyPayloadReportsOnlyTheMilestones) {
  Recorder r;
  r.unpack_result = {true, 0, {}};
  r.unpack_reports.clear();
  const InstallResult res = run_install_job({"D:\\Zordelo", false, false}, r.effects());
  EXPECT_TRUE(res.ok);
  std::vector<std::string> reports;
  for (const auto& l : r.log)
    if (l.starts_with("report ")) reports.push_back(l);
  EXPECT_EQ(reports, (std::vector<std::string>{"report 2 Előkészítés…", "report 88 Parancsikonok létrehozása…",
                                               "report 94 Regisztráció a Windowsban…", "report 100 Kész"}));
  EXPECT_EQ(r.log, successful_run("D:\\Zordelo", false, false, 0, {}));
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

TEST(InstallJob, MissingPowerShellAndRegStillEndInSuccess) {
  Recorder r;
  r.missing_tools = {"powershell", "reg", "taskkill"};
  const InstallResult res = run_install_job({"Zordelo", false, false}, r.effects());
  EXPECT_TRUE(res.ok);
  // Every reg run is still tried after the first one failed, and the last report is 100.
  EXPECT_EQ(r.log, successful_run("Zordelo", false, false, 329181392,
                                  {"report 5 A bánya és a világ kicsomagolása…",
                                   "report 84 A bánya és a világ kicsomagolása…", "report 85 Fájlok másolása…"}));
  EXPECT_EQ(r.log.back(), "report 100 Kész");
}

TEST(InstallJob, RelativeAndTrailingSeparatorLocationsAreUsedUnchanged) {
  struct Case {
    const char *dir, *exe;
  } cases[] = {{"Zordelo", "Zordelo\\Zordelo.exe"},
               {"D:\\Games\\zordelo\\", "D:\\Games\\zordelo\\Zordelo.exe"},
               {"D:Zordelo", "D:Zordelo\\Zordelo.exe"}};
  for (const auto& c : cases) {
    Recorder r;
    EXPECT_TRUE(run_install_job({c.dir, false, false}, r.effects()).ok);
    EXPECT_EQ(r.log, successful_run(c.dir, false, false, 329181392,
                                    {"report 5 A bánya és a világ kicsomagolása…",
                                     "report 84 A bánya és a világ kicsomagolása…", "report 85 Fájlok másolása…"},
                                    c.exe))
        << c.dir;
  }
}

}  // namespace
