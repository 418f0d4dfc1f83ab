#include "uninstall/uninstall_flow.h"

#include <gtest/gtest.h>

#include "uninstall/uninstall_texts.h"

namespace {

const std::u16string kFolder = u"C:\\Users\\A\\AppData\\Local\\Programs\\Zordelo";
const std::string kKey = "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Zordelo";

// Records every effect as one line, in order.
struct Recorder {
  bool game = true;
  std::string line = "\"C:\\x\\uninstall.exe\"";
  bool answer_yes = true;
  std::vector<std::string> calls;

  UninstallEffects effects() {
    UninstallEffects fx;
    fx.game_present = [this] { return game; };
    fx.command_line = [this] { return line; };
    fx.ask_yes_no = [this](std::string_view title, std::string_view text) {
      calls.push_back("ask " + std::string(title) + " | " + std::string(text));
      return answer_yes;
    };
    fx.inform = [this](std::string_view title, std::string_view text) {
      calls.push_back("inform " + std::string(title) + " | " + std::string(text));
    };
    fx.run_tool = [this](std::string_view program, const std::vector<std::string>& args) {
      std::string c = "run " + std::string(program);
      for (const auto& a : args) c += " [" + a + "]";
      calls.push_back(c);
    };
    fx.run_script = [this](std::string_view script) { calls.push_back("script " + std::string(script)); };
    fx.start_raw = [this](std::string_view program, std::string_view raw) {
      calls.push_back("start " + std::string(program) + " " + std::string(raw));
    };
    return fx;
  }
};

std::vector<std::string> tool_calls() {
  return {
      "run taskkill [/F] [/IM] [Zordelo.exe]",
      "run reg [delete] [" + kKey + "] [/f]",
      std::string("script ") + uninstall_texts::kShortcutRemovalScript,
  };
}

const std::string kAsk = std::string("ask ") + uninstall_texts::kTitle + " | " + uninstall_texts::kConfirm;
const std::string kInform = std::string("inform ") + uninstall_texts::kTitle + " | " + uninstall_texts::kDone;
// The delayed removal of the whole folder kFolder.
const std::string kStart =
    R"(start cmd /C ping 127.0.0.1 -n 4 >nul & rmdir /S /Q "C:\Users\A\AppData\Local\Programs\Zordelo")";

TEST(UninstallFlow, ConfirmedRunDoesEverythingInOrderWithTheBoxesAroundTheTools) {
  Recorder r;
  EXPECT_EQ(run_uninstall(kFolder, r.effects()), UninstallOutcome::Removed);
  std::vector<std::string> want = {kAsk};
  for (const auto& c : tool_calls()) want.push_back(c);
  want.push_back(kInform);
  want.push_back(kStart);
  EXPECT_EQ(r.calls, want);
}

TEST(UninstallFlow, SilentSkipsOnlyTheBoxes) {
  for (const char* line : {"u.exe --silent", "--silent", "\"Z:\\a b\\uninstall.exe\" x --silent y"}) {
    Recorder r;
    r.line = line;
    r.answer_yes = false;  // would decline if asked
    EXPECT_EQ(run_uninstall(kFolder, r.effects()), UninstallOutcome::Removed) << line;
    std::vector<std::string> want = tool_calls();
    want.push_back(kStart);
    EXPECT_EQ(r.calls, want) << line;
  }
}

TEST(UninstallFlow, OtherSpellingsOfTheSwitchStillAsk) {
  for (const char* line : {"u.exe --SILENT", "u.exe /silent", "u.exe -silent", "u.exe \"--silent \""}) {
    Recorder r;
    r.line = line;
    r.answer_yes = false;
    EXPECT_EQ(run_uninstall(kFolder, r.effects()), UninstallOutcome::Declined) << line;
    EXPECT_EQ(r.calls, std::vector<std::string>{kAsk}) << line;
  }
}

TEST(UninstallFlow, DecliningChangesNothing) {
  Recorder r;
  r.answer_yes = false;
  EXPECT_EQ(run_uninstall(kFolder, r.effects()), UninstallOutcome::Declined);
  EXPECT_EQ(r.calls, std::vector<std::string>{kAsk});
}

TEST(UninstallFlow, WithoutTheGameBesideItNothingHappensEvenSilently) {
  for (const char* line : {"u.exe", "u.exe --silent"}) {
    Recorder r;
    r.game = false;
    r.line = line;
    EXPECT_EQ(run_uninstall(kFolder, r.effects()), UninstallOutcome::NotInstallFolder) << line;
    EXPECT_TRUE(r.calls.empty()) << line;
  }
}

TEST(UninstallFlow, AnotherFolderNameGetsTheTwoFileRemoval) {
  Recorder r;
  r.line = "u.exe --silent";
  EXPECT_EQ(run_uninstall(u"D:\\My Games", r.effects()), UninstallOutcome::Removed);
  ASSERT_FALSE(r.calls.empty());
  EXPECT_EQ(
      r.calls.back(),
      R"(start cmd /C ping 127.0.0.1 -n 4 >nul & del /F /Q "D:\My Games\Zordelo.exe" "D:\My Games\uninstall.exe")");
}

}  // namespace
