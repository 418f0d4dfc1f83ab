#include "common/console_tools_win.h"

#include <windows.h>

#include <atomic>

#include "common/cmdline.h"
#include "common/powershell.h"
#include "common/system_win.h"
#include "common/tool_search.h"
#include "common/win_text_win.h"

namespace {

struct Handle {
  HANDLE h = nullptr;
  Handle() = default;
  explicit Handle(HANDLE v) : h(v == INVALID_HANDLE_VALUE ? nullptr : v) {}
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  ~Handle() {
    if (h) CloseHandle(h);
  }
  explicit operator bool() const { return h != nullptr; }
  void reset(HANDLE v = nullptr) {
    if (h) CloseHandle(h);
    h = v == INVALID_HANDLE_VALUE ? nullptr : v;
  }
};

std::string folder_of(const std::wstring& path) {
  const size_t cut = path.find_last_of(L"\\/");
  return cut == std::wstring::npos ? std::string() : from_wide(path.substr(0, cut));
}

std::string system_folder(UINT (*get)(LPWSTR, UINT)) {
  wchar_t buf[MAX_PATH + 1];
  const UINT n = get(buf, MAX_PATH + 1);
  return n && n <= MAX_PATH ? from_wide(std::wstring_view(buf, n)) : std::string();
}

UINT get_system_dir(LPWSTR b, UINT n) { return GetSystemDirectoryW(b, n); }
UINT get_windows_dir(LPWSTR b, UINT n) { return GetWindowsDirectoryW(b, n); }

std::string path_variable() {
  const DWORD n = GetEnvironmentVariableW(L"PATH", nullptr, 0);
  if (n == 0) return {};
  std::wstring buf(n, L'\0');
  const DWORD got = GetEnvironmentVariableW(L"PATH", buf.data(), n);
  if (got == 0 || got >= n) return {};
  buf.resize(got);
  return from_wide(buf);
}

// The first existing file among the candidates for program.
std::optional<std::wstring> find_program(std::string_view program) {
  const auto own = own_exe_path();
  const auto candidates = tool_candidates(program, own ? folder_of(*own) : std::string(), system_folder(get_system_dir),
                                          system_folder(get_windows_dir), path_variable());
  for (const auto& c : candidates) {
    std::wstring w = to_wide(c);
    const DWORD attr = GetFileAttributesW(w.c_str());
    if (attr != INVALID_FILE_ATTRIBUTES && !(attr & FILE_ATTRIBUTE_DIRECTORY)) return w;
  }
  return std::nullopt;
}

HANDLE open_null_input() {
  SECURITY_ATTRIBUTES sa{sizeof(sa), nullptr, TRUE};
  return CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &sa, OPEN_EXISTING, 0, nullptr);
}

// A pipe whose read end (ours) is overlapped and not inherited, and whose write end is inherited.
bool make_pipe(Handle& read_end, Handle& write_end) {
  static std::atomic<unsigned> counter{0};
  const std::wstring name = L"\\\\.\\pipe\\zordelo-tool-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                            std::to_wstring(GetCurrentThreadId()) + L"-" + std::to_wstring(counter++);
  read_end.reset(CreateNamedPipeW(name.c_str(),
                                  PIPE_ACCESS_INBOUND | FILE_FLAG_OVERLAPPED | FILE_FLAG_FIRST_PIPE_INSTANCE,
                                  PIPE_TYPE_BYTE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS, 1, 0, 65536, 0, nullptr));
  if (!read_end) return false;
  SECURITY_ATTRIBUTES sa{sizeof(sa), nullptr, TRUE};
  write_end.reset(CreateFileW(name.c_str(), GENERIC_WRITE, 0, &sa, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  return static_cast<bool>(write_end);
}

struct PipeReader {
  HANDLE pipe;
  std::string* sink;
  Handle event{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
  OVERLAPPED ov{};
  bool open = true;
  bool pending = false;
  char buf[65536];

  PipeReader(HANDLE p, std::string* s) : pipe(p), sink(s) {}

  // Issues reads until one is pending or the pipe has ended.
  void pump() {
    while (open && !pending) {
      ResetEvent(event.h);
      ov = OVERLAPPED{};
      ov.hEvent = event.h;
      DWORD got = 0;
      if (ReadFile(pipe, buf, sizeof buf, &got, &ov)) {
        sink->append(buf, got);
        continue;
      }
      if (GetLastError() == ERROR_IO_PENDING) {
        pending = true;
      } else {
        open = false;  // ERROR_BROKEN_PIPE is the normal end; any other error ends it too
      }
    }
  }

  void complete() {
    DWORD got = 0;
    pending = false;
    if (GetOverlappedResult(pipe, &ov, &got, FALSE))
      sink->append(buf, got);
    else if (GetLastError() != ERROR_MORE_DATA)
      open = false;
    else
      sink->append(buf, got);
  }
};

bool create_hidden(const std::wstring& app, std::wstring command_line, HANDLE in, HANDLE out, HANDLE err,
                   PROCESS_INFORMATION& pi) {
  STARTUPINFOW si{};
  si.cb = sizeof(si);
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdInput = in;
  si.hStdOutput = out;
  si.hStdError = err;
  return CreateProcessW(app.c_str(), command_line.data(), nullptr, nullptr, TRUE,
                        CREATE_NO_WINDOW | CREATE_UNICODE_ENVIRONMENT, nullptr, nullptr, &si, &pi) != 0;
}

}  // namespace

std::optional<ToolResult> run_hidden(std::string_view program, const std::vector<std::string>& args) {
  const auto app = find_program(program);
  if (!app) return std::nullopt;
  Handle in(open_null_input());
  Handle out_read, out_write, err_read, err_write;
  if (!in || !make_pipe(out_read, out_write) || !make_pipe(err_read, err_write)) return std::nullopt;

  PROCESS_INFORMATION pi{};
  if (!create_hidden(*app, to_wide(cmdline::build(program, args)), in.h, out_write.h, err_write.h, pi))
    return std::nullopt;
  Handle process(pi.hProcess), thread(pi.hThread);
  // Our copies of the write ends must go, or the pipes never report their end.
  out_write.reset();
  err_write.reset();
  in.reset();

  ToolResult result;
  PipeReader readers[2] = {{out_read.h, &result.out}, {err_read.h, &result.err}};
  for (;;) {
    HANDLE waits[2];
    PipeReader* owners[2];
    DWORD n = 0;
    for (auto& r : readers) {
      r.pump();
      if (r.open && r.pending) {
        waits[n] = r.event.h;
        owners[n++] = &r;
      }
    }
    if (n == 0) break;
    const DWORD w = WaitForMultipleObjects(n, waits, FALSE, INFINITE);
    if (w >= WAIT_OBJECT_0 + n) {
      for (DWORD k = 0; k < n; ++k) {
        DWORD ignored = 0;
        CancelIoEx(owners[k]->pipe, &owners[k]->ov);
        GetOverlappedResult(owners[k]->pipe, &owners[k]->ov, &ignored, TRUE);  // the buffer must outlive the read
      }
      break;
    }
    owners[w - WAIT_OBJECT_0]->complete();
  }

  if (WaitForSingleObject(process.h, INFINITE) != WAIT_OBJECT_0) return std::nullopt;
  DWORD code = 0;
  if (!GetExitCodeProcess(process.h, &code)) return std::nullopt;
  result.exit_code = code;
  return result;
}

void start_hidden_raw(std::string_view program, std::string_view raw) {
  const auto app = find_program(program);
  if (!app) return;
  Handle in(open_null_input());
  PROCESS_INFORMATION pi{};
  if (create_hidden(*app, to_wide(cmdline::build_raw(program, raw)), in.h, GetStdHandle(STD_OUTPUT_HANDLE),
                    GetStdHandle(STD_ERROR_HANDLE), pi)) {
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
  }
}

void run_powershell(std::string_view script_utf8) { (void)run_hidden("powershell", powershell_arguments(script_utf8)); }
