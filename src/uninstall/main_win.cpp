// uninstall.exe: removes the game that lies beside it (see uninstall_flow.h for the sequence).
#include <windows.h>

#include <string>

#include "common/console_tools_win.h"
#include "common/system_win.h"
#include "common/win_text_win.h"
#include "uninstall/game_file_win.h"
#include "uninstall/install_folder.h"
#include "uninstall/uninstall_flow.h"

namespace {

// Unrecoverable: a short diagnostic on stderr (if there is one) and a non-zero exit, with
// nothing changed and no dialog.
[[noreturn]] void fatal(const char* what) {
  const std::string line = std::string(what) + "\n";
  DWORD written = 0;
  const HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
  if (err && err != INVALID_HANDLE_VALUE)
    WriteFile(err, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
  ExitProcess(1);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  fail_without_system_error_boxes();
  const auto exe = own_exe_path();
  if (!exe) fatal("exe");
  const auto folder =
      install_folder_of(std::u16string_view(reinterpret_cast<const char16_t*>(exe->data()), exe->size()));
  if (!folder) fatal("mappa");
  const std::wstring folder_w(folder->begin(), folder->end());

  UninstallEffects fx;
  fx.game_present = [&] { return game_file_present(folder_w); };
  fx.command_line = [] { return from_wide(GetCommandLineW()); };
  fx.ask_yes_no = [](std::string_view title, std::string_view text) {
    // Any failure to show the box (0) counts as No.
    return MessageBoxW(nullptr, to_wide(text).c_str(), to_wide(title).c_str(), MB_YESNO | MB_ICONWARNING) == IDYES;
  };
  fx.inform = [](std::string_view title, std::string_view text) {
    MessageBoxW(nullptr, to_wide(text).c_str(), to_wide(title).c_str(), MB_OK | MB_ICONINFORMATION);
  };
  fx.run_tool = [](std::string_view program, const std::vector<std::string>& args) { (void)run_hidden(program, args); };
  fx.run_script = [](std::string_view script) { run_powershell(script); };
  // The deferred removal runs from the temporary folder: started from Explorer, this program's
  // working folder is the install folder, and a folder that is any process's working folder
  // cannot be removed.
  fx.start_raw = [](std::string_view program, std::string_view raw) { start_hidden_raw(program, raw, temp_folder()); };

  (void)run_uninstall(*folder, fx);
  return 0;
}
