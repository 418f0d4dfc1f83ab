#include "setup/host/browse_worker_win.h"

#include <objbase.h>
#include <shobjidl.h>
#include <windows.h>

#include "common/win_text_win.h"
#include "setup/host/install_location.h"
#include "setup/host/page_calls_win.h"

namespace {

// {DC1C5A9C-E88A-4DDE-A5A1-60F82A20AEF7}, the system's common open dialog.
constexpr CLSID kFileOpenDialog = {0xDC1C5A9C, 0xE88A, 0x4DDE, {0xA5, 0xA1, 0x60, 0xF8, 0x2A, 0x20, 0xAE, 0xF7}};

template <class T>
struct ComRef {
  T* p = nullptr;
  ComRef() = default;
  ComRef(const ComRef&) = delete;
  ComRef& operator=(const ComRef&) = delete;
  ~ComRef() {
    if (p) p->Release();
  }
  T** put() { return &p; }
  T* operator->() const { return p; }
};

std::optional<std::wstring> show_dialog(const std::wstring& title) {
  ComRef<IFileOpenDialog> dialog;
  if (FAILED(CoCreateInstance(kFileOpenDialog, nullptr, CLSCTX_INPROC_SERVER, __uuidof(IFileOpenDialog),
                              reinterpret_cast<void**>(dialog.put()))))
    return std::nullopt;
  FILEOPENDIALOGOPTIONS options = 0;
  if (FAILED(dialog->GetOptions(&options)) || FAILED(dialog->SetOptions(options | FOS_PICKFOLDERS)))
    return std::nullopt;
  if (FAILED(dialog->SetTitle(title.c_str()))) return std::nullopt;
  // No owner: the installer window stays usable while the picker is open.
  if (FAILED(dialog->Show(nullptr))) return std::nullopt;  // also a cancel
  ComRef<IShellItem> item;
  if (FAILED(dialog->GetResult(item.put()))) return std::nullopt;
  wchar_t* path = nullptr;
  if (FAILED(item->GetDisplayName(SIGDN_FILESYSPATH, &path)) || !path) return std::nullopt;
  std::wstring out(path);
  CoTaskMemFree(path);
  return out;
}

}  // namespace

std::optional<std::wstring> pick_folder(const std::wstring& title) {
  const HRESULT init = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  if (FAILED(init)) return std::nullopt;
  std::optional<std::wstring> picked = show_dialog(title);
  CoUninitialize();
  return picked;
}

void run_browse_worker(const EventLoopProxy& proxy) {
  const std::optional<std::wstring> picked = pick_folder(L"Telepítési hely");
  if (!picked) return;
  set_folder(proxy, normalise_install_location(from_wide(*picked)));
}
