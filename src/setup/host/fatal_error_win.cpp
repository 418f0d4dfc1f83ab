#include "setup/host/fatal_error_win.h"

#include <windows.h>

#include <string>

void fatal_error(std::string_view what, std::string_view detail) {
  const std::string line = std::string(what) + ": " + std::string(detail) + "\n";
  const HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
  if (err && err != INVALID_HANDLE_VALUE) {
    DWORD written = 0;
    WriteFile(err, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
  }
  TerminateProcess(GetCurrentProcess(), kFatalExitStatus);
  ExitProcess(kFatalExitStatus);  // not reached: TerminateProcess of the own process does not return
}
