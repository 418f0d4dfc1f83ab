#include "setup/host/host_events_win.h"

#include <memory>

namespace {

constexpr UINT kHostEventMessage = WM_APP + 0x5A;
constexpr wchar_t kClassName[] = L"ZordeloHostEvents";

LRESULT CALLBACK host_event_proc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  if (msg == kHostEventMessage) {
    std::unique_ptr<std::string> text(reinterpret_cast<std::string*>(lparam));
    auto* handler = reinterpret_cast<std::function<void(std::string)>*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (handler && text) (*handler)(std::move(*text));
    return 0;
  }
  return DefWindowProcW(hwnd, msg, wparam, lparam);
}

}  // namespace

std::optional<EventLoopProxy> create_host_event_queue(std::function<void(std::string)> handle_event) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = host_event_proc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = kClassName;
  RegisterClassExW(&wc);  // a second queue reuses the class
  HWND hwnd = CreateWindowExW(0, kClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
  if (!hwnd) return std::nullopt;
  // The handler lives as long as the process: the queue is never torn down.
  SetWindowLongPtrW(hwnd, GWLP_USERDATA,
                    reinterpret_cast<LONG_PTR>(new std::function<void(std::string)>(std::move(handle_event))));
  return EventLoopProxy{hwnd};
}

bool post_host_event(const EventLoopProxy& proxy, std::string text) {
  auto owned = std::make_unique<std::string>(std::move(text));
  if (!proxy.target || !PostMessageW(proxy.target, kHostEventMessage, 0, reinterpret_cast<LPARAM>(owned.get())))
    return false;
  owned.release();  // the queue's window owns it now
  return true;
}
