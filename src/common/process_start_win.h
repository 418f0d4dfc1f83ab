// Starting a child process that inherits its three standard handles and nothing else.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

// CreateProcessW(app, command_line) with the creation flags, STARTF_USESTDHANDLES and the three
// standard handles (each null or inheritable), in the working folder (null: the caller's own)
// and with the caller's environment. The handles reach the child through an explicit
// inherited-handle list (PROC_THREAD_ATTRIBUTE_HANDLE_LIST, EXTENDED_STARTUPINFO_PRESENT), null
// ones left out; with none to give, nothing at all is inherited. So no other inheritable handle
// of this process (another tool's pipe, a handle a system DLL left inheritable) reaches the child,
// whatever other threads start meanwhile. The caller closes both handles of the result. None
// when the child could not be started.
std::optional<PROCESS_INFORMATION> start_with_std_handles(const std::wstring& app, std::wstring command_line,
                                                          DWORD flags, const wchar_t* working_folder, HANDLE in,
                                                          HANDLE out, HANDLE err);

// A copy of one of this process's standard handles (STD_INPUT_HANDLE, ...) that a child can
// inherit, for the caller to close; null when the process has none.
HANDLE inheritable_std_handle(DWORD which);
