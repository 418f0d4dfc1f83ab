#include "common/console_tools_win.h"

#include <windows.h>

#include <atomic>

#include "common/cmdline.h"
#include "common/powershell.h"
#include "common/process_start_win.h"
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
  HANDLE release() {
    const HANDLE v = h;
    h = nullptr;
    return v;
  }
};

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
  const auto candidates =
      tool_candidates(program, system_folder(get_system_dir), system_folder(get_windows_dir), path_variable());
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

// One output pipe of a tool, read with overlapped reads into its sink. The read end is closed
// as soon as it has ended or failed, so that no writer can block on a pipe that nobody reads.
struct PipeReader {
  Handle pipe;
  std::string* sink;
  Handle event{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
  OVERLAPPED ov{};
  bool pending = false;
  char buf[65536];

  PipeReader(HANDLE p, std::string* s) : pipe(p), sink(s) {}

  bool open() const { return static_cast<bool>(pipe); }

  // Issues reads until one is pending or the pipe has ended (ERROR_BROKEN_PIPE is the normal
  // end; any other error ends it too).
  void pump() {
    while (open() && !pending)
      if (!start_read(sizeof buf)) pipe.reset();
  }

  // Starts one read of at most n bytes; false when the pipe has ended or failed.
  bool start_read(DWORD n) {
    ResetEvent(event.h);
    ov = OVERLAPPED{};
    ov.hEvent = event.h;
    DWORD got = 0;
    if (ReadFile(pipe.h, buf, n, &got, &ov)) {
      sink->append(buf, got);
      return true;
    }
    if (GetLastError() != ERROR_IO_PENDING) return false;
    pending = true;
    return true;
  }

  // Takes the outcome of the pending read, waiting for it when asked.
  void complete(bool wait) {
    DWORD got = 0;
    pending = false;
    if (GetOverlappedResult(pipe.h, &ov, &got, wait ? TRUE : FALSE) || GetLastError() == ERROR_MORE_DATA)
      sink->append(buf, got);
    else
      pipe.reset();
  }

  // Ends a pending read (its buffer must outlive it), keeping what it had already got.
  void cancel() {
    if (!pending) return;
    CancelIoEx(pipe.h, &ov);
    complete(true);
  }

  // After the tool has ended: takes the bytes that lie in the pipe now and closes it, without
  // waiting for any other writer (a child that the tool left running with our pipe as its
  // output). Everything the tool wrote is in the pipe by then, since a write to a pipe returns
  // only once the pipe has taken it; bytes that come later are not the tool's.
  void drain() {
    cancel();
    DWORD left = 0;
    if (open() && !PeekNamedPipe(pipe.h, nullptr, 0, nullptr, &left, nullptr)) left = 0;
    while (open() && left > 0) {
      const size_t before = sink->size();
      if (!start_read(left < sizeof buf ? left : DWORD{sizeof buf})) break;
      if (pending) complete(true);
      const size_t got = sink->size() - before;
      if (got == 0) break;
      left = got >= left ? 0 : left - static_cast<DWORD>(got);
    }
    pipe.reset();
  }
};

constexpr DWORD kHiddenFlags = CREATE_NO_WINDOW | CREATE_UNICODE_ENVIRONMENT;

}  // namespace

std::optional<ToolResult> run_hidden(std::string_view program, const std::vector<std::string>& args) {
  const auto app = find_program(program);
  if (!app) return std::nullopt;
  Handle in(open_null_input());
  Handle out_read, out_write, err_read, err_write;
  if (!in || !make_pipe(out_read, out_write) || !make_pipe(err_read, err_write)) return std::nullopt;

  const auto started = start_with_std_handles(*app, to_wide(cmdline::build(program, args)), kHiddenFlags, nullptr, in.h,
                                              out_write.h, err_write.h);
  if (!started) return std::nullopt;
  Handle process(started->hProcess), thread(started->hThread);
  // Our copies of the write ends must go, or the pipes never report their end.
  out_write.reset();
  err_write.reset();
  in.reset();

  ToolResult result;
  PipeReader readers[2] = {{out_read.release(), &result.out}, {err_read.release(), &result.err}};
  // Both pipes are read until both have ended, or until the tool itself has ended: a child that
  // the tool left running (an updater, say) may hold the write ends for hours.
  bool tool_ended = false;
  for (;;) {
    HANDLE waits[3];
    PipeReader* owners[2];
    DWORD n = 0;
    for (auto& r : readers) {
      r.pump();
      if (r.pending) {
        waits[n] = r.event.h;
        owners[n++] = &r;
      }
    }
    if (n == 0) break;
    waits[n] = process.h;
    // The lowest signalled index is reported, so a finished read comes before the tool's end.
    const DWORD w = WaitForMultipleObjects(n + 1, waits, FALSE, INFINITE);
    if (w == WAIT_OBJECT_0 + n) {
      tool_ended = true;
      break;
    }
    if (w > WAIT_OBJECT_0 + n) {
      for (auto& r : readers) r.cancel();
      return std::nullopt;
    }
    owners[w - WAIT_OBJECT_0]->complete(false);
  }
  if (tool_ended)
    for (auto& r : readers) r.drain();

  if (WaitForSingleObject(process.h, INFINITE) != WAIT_OBJECT_0) return std::nullopt;
  DWORD code = 0;
  if (!GetExitCodeProcess(process.h, &code)) return std::nullopt;
  result.exit_code = code;
  return result;
}

void start_hidden_raw(std::string_view program, std::string_view raw, const std::wstring& working_folder) {
  const auto app = find_program(program);
  if (!app) return;
  Handle in(open_null_input());
  Handle out(inheritable_std_handle(STD_OUTPUT_HANDLE)), err(inheritable_std_handle(STD_ERROR_HANDLE));
  const auto started =
      start_with_std_handles(*app, to_wide(cmdline::build_raw(program, raw)), kHiddenFlags,
                             working_folder.empty() ? nullptr : working_folder.c_str(), in.h, out.h, err.h);
  if (started) {
    CloseHandle(started->hProcess);
    CloseHandle(started->hThread);
  }
}

void run_powershell(std::string_view script_utf8) { (void)run_hidden("powershell", powershell_arguments(script_utf8)); }
