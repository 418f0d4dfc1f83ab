#include "common/process_start_win.h"

#include <cstdint>
#include <vector>

#include "common/inherited_handles.h"

std::optional<PROCESS_INFORMATION> start_with_std_handles(const std::wstring& app, std::wstring command_line,
                                                          DWORD flags, const wchar_t* working_folder, HANDLE in,
                                                          HANDLE out, HANDLE err) {
  std::vector<HANDLE> inherited;
  for (const uintptr_t h : handles_to_inherit(
           {reinterpret_cast<uintptr_t>(in), reinterpret_cast<uintptr_t>(out), reinterpret_cast<uintptr_t>(err)}))
    inherited.push_back(reinterpret_cast<HANDLE>(h));

  STARTUPINFOEXW startup{};
  startup.StartupInfo.cb = sizeof(STARTUPINFOW);
  startup.StartupInfo.dwFlags = STARTF_USESTDHANDLES;
  startup.StartupInfo.hStdInput = in;
  startup.StartupInfo.hStdOutput = out;
  startup.StartupInfo.hStdError = err;

  // The list refers to `inherited`, which outlives CreateProcessW.
  std::vector<unsigned char> list_memory;
  if (!inherited.empty()) {
    SIZE_T size = 0;
    InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
    if (size == 0) return std::nullopt;
    list_memory.resize(size);
    auto* list = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(list_memory.data());
    if (!InitializeProcThreadAttributeList(list, 1, 0, &size)) return std::nullopt;
    if (!UpdateProcThreadAttribute(list, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, inherited.data(),
                                   inherited.size() * sizeof(HANDLE), nullptr, nullptr)) {
      DeleteProcThreadAttributeList(list);
      return std::nullopt;
    }
    startup.lpAttributeList = list;
    startup.StartupInfo.cb = sizeof(STARTUPINFOEXW);
    flags |= EXTENDED_STARTUPINFO_PRESENT;
  }

  PROCESS_INFORMATION process{};
  const BOOL started = CreateProcessW(app.c_str(), command_line.data(), nullptr, nullptr, !inherited.empty(), flags,
                                      nullptr, working_folder, &startup.StartupInfo, &process);
  if (startup.lpAttributeList) DeleteProcThreadAttributeList(startup.lpAttributeList);
  if (!started) return std::nullopt;
  return process;
}

HANDLE inheritable_std_handle(DWORD which) {
  const HANDLE h = GetStdHandle(which);
  if (!h || h == INVALID_HANDLE_VALUE) return nullptr;
  HANDLE copy = nullptr;
  if (!DuplicateHandle(GetCurrentProcess(), h, GetCurrentProcess(), &copy, 0, TRUE, DUPLICATE_SAME_ACCESS))
    return nullptr;
  return copy;
}
