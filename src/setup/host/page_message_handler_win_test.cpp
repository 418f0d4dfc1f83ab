// The game start of the "launch" message, against a probe standing in for the game.
#include "setup/host/page_message_handler_win.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <thread>

#include "common/system_win.h"
#include "common/win_text_win.h"

namespace {

namespace fs = std::filesystem;

TEST(LaunchGame, TheGameRunsInItsFolderWithTheStandardHandlesAndNoOther) {
  const fs::path dir = fs::path(temp_folder()) / L"zordelo-launch probe";
  fs::remove_all(dir);
  fs::create_directories(dir);
  fs::copy_file(fs::path(to_wide(ZORDELO_FIXTURE_DIR)) / L"inherit_probe.exe", dir / L"Zordelo.exe");
  const fs::path log = dir / L"log.jsonl";
  SECURITY_ATTRIBUTES sa{sizeof(sa), nullptr, TRUE};
  const HANDLE secret = CreateFileW((dir / L"secret.txt").c_str(), GENERIC_READ | GENERIC_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, &sa, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(secret, INVALID_HANDLE_VALUE);
  SetEnvironmentVariableW(L"ZORDELO_PROBE_HANDLES", std::to_wstring(reinterpret_cast<uintptr_t>(secret)).c_str());
  SetEnvironmentVariableW(L"ZORDELO_STANDIN_LOG", log.c_str());

  const bool started = launch_game(from_wide(dir.wstring()));
  SetEnvironmentVariableW(L"ZORDELO_PROBE_HANDLES", nullptr);
  SetEnvironmentVariableW(L"ZORDELO_STANDIN_LOG", nullptr);
  ASSERT_TRUE(started);
  std::string line;
  for (int i = 0; i < 200 && line.empty(); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    std::ifstream in(log);
    std::getline(in, line);
  }
  CloseHandle(secret);
  ASSERT_FALSE(line.empty()) << "the game did not report";
  const auto report = nlohmann::json::parse(line);
  EXPECT_EQ(fs::path(to_wide(report["cwd"].get<std::string>())), dir);
  EXPECT_EQ(report["argv"], nlohmann::json::array({from_wide((dir / L"Zordelo.exe").wstring())}));
  ASSERT_EQ(report["handles"].size(), 1u);
  const auto& h = report["handles"][0];
  EXPECT_FALSE(h["valid"].get<bool>() && !h["path"].is_null() &&
               fs::path(to_wide(h["path"].get<std::string>())).filename() == L"secret.txt")
      << report.dump();
  std::error_code ec;
  fs::remove_all(dir, ec);
}

TEST(LaunchGame, AFolderWithoutTheGameStartsNothing) {
  const fs::path dir = fs::path(temp_folder()) / L"zordelo-launch-empty";
  fs::create_directories(dir);
  EXPECT_FALSE(launch_game(from_wide(dir.wstring())));
  std::error_code ec;
  fs::remove_all(dir, ec);
}

}  // namespace
