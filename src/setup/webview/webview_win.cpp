#include "setup/webview/webview_win.h"

#include <cstdio>
#include <memory>

#include "common/win_text_win.h"
#include "setup/webview/com_object_win.h"
#include "setup/webview/navigation_lock.h"
#include "setup/webview/webview2_abi_win.h"
#include "setup/webview/webview2_loader_win.h"
#include "setup/webview/webview2_options_win.h"

using namespace webview2;

struct WebView {
  ComRef<ICoreWebView2Controller> controller;
  ComRef<ICoreWebView2> core;
  PageMessageHandler on_message;
  navigation_lock::NavigationLock lock;
};

namespace {

// Gives the page `window.ipc.postMessage(text)`, in every document before the page's scripts.
constexpr wchar_t kBridgeScript[] =
    L"Object.defineProperty(window, 'ipc', { value: Object.freeze({ postMessage: s=> "
    L"window.chrome.webview.postMessage(s) }) });";

std::string failure(const char* step, HRESULT hr) {
  char text[160];
  std::snprintf(text, sizeof text, "%s failed (HRESULT 0x%08lX)", step, static_cast<unsigned long>(hr));
  return text;
}

// Runs the thread's message loop until done is set. WebView2 completes its calls through this
// loop. False when the loop was told to quit meanwhile (the quit is passed on).
bool pump_until(const bool& done) {
  MSG msg;
  while (!done) {
    const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      return false;
    }
    if (got == -1) return false;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return true;
}

// The result of an asynchronous call. Shared with its completion handler, which may outlive the
// wait when the wait is cut short.
template <class T>
struct Pending {
  bool done = false;
  HRESULT result = E_FAIL;
  ComRef<T> object;
};

using EnvironmentDone =
    CallbackHandler<ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler, HRESULT, ICoreWebView2Environment*>;
using ControllerDone =
    CallbackHandler<ICoreWebView2CreateCoreWebView2ControllerCompletedHandler, HRESULT, ICoreWebView2Controller*>;
using ScriptAdded = CallbackHandler<ICoreWebView2AddScriptToExecuteOnDocumentCreatedCompletedHandler, HRESULT, LPCWSTR>;
using ScriptDone = CallbackHandler<ICoreWebView2ExecuteScriptCompletedHandler, HRESULT, LPCWSTR>;
using MessageReceived = CallbackHandler<ICoreWebView2WebMessageReceivedEventHandler, ICoreWebView2*,
                                        ICoreWebView2WebMessageReceivedEventArgs*>;
using NavigationStarting = CallbackHandler<ICoreWebView2NavigationStartingEventHandler, ICoreWebView2*,
                                           ICoreWebView2NavigationStartingEventArgs*>;
using NewWindowRequested = CallbackHandler<ICoreWebView2NewWindowRequestedEventHandler, ICoreWebView2*,
                                           ICoreWebView2NewWindowRequestedEventArgs*>;

// Asks object for a later version of its interface; empty when the runtime is older.
template <class Later, class Earlier>
ComRef<Later> later_version(Earlier* object) {
  Later* later = nullptr;
  if (FAILED(object->QueryInterface(Later::iid, reinterpret_cast<void**>(&later)))) later = nullptr;
  return ComRef<Later>(later);
}

// Starts the runtime library's environment and waits for it.
std::string create_environment(const webview2_loader::RuntimeLocation& runtime, const std::wstring& user_data_folder,
                               ComRef<ICoreWebView2Environment>& environment) {
  // The library stays loaded for the life of the process. It is loaded by its full path, and the
  // DLLs it imports come from its own folder and the system folder only: never from ours, which
  // is usually the Downloads folder, nor from the current folder. A path that is not fully
  // qualified (a fixed-version folder such as \wv2) is made so first, as a plain load would
  // have taken it.
  const std::wstring given = to_wide(runtime.dll_path);
  std::wstring full(32768, L'\0');
  const DWORD n = GetFullPathNameW(given.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
  full.resize(n && n < full.size() ? n : 0);
  HMODULE library = full.empty() ? nullptr
                                 : LoadLibraryExW(full.c_str(), nullptr,
                                                  LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32);
  if (!library) return failure(("LoadLibrary " + runtime.dll_path).c_str(), HRESULT_FROM_WIN32(GetLastError()));
  auto create =
      reinterpret_cast<CreateEnvironmentFn>(reinterpret_cast<void*>(GetProcAddress(library, kCreateEnvironmentExport)));
  if (!create) return failure(kCreateEnvironmentExport, HRESULT_FROM_WIN32(GetLastError()));

  ComRef<ICoreWebView2EnvironmentOptions> options(
      make_environment_options(kWebViewBrowserArguments, user_ui_language(), kTargetCompatibleBrowserVersion));
  auto pending = std::make_shared<Pending<ICoreWebView2Environment>>();
  ComRef<EnvironmentDone> handler(new EnvironmentDone([pending](HRESULT hr, ICoreWebView2Environment* created) {
    pending->result = hr;
    // Keep our own reference, asked for by interface as the official loader does.
    if (SUCCEEDED(hr) && created)
      created->QueryInterface(ICoreWebView2Environment::iid, reinterpret_cast<void**>(pending->object.put()));
    pending->done = true;
    return S_OK;
  }));
  const HRESULT started = create(true, static_cast<int>(runtime.kind),
                                 user_data_folder.empty() ? nullptr : user_data_folder.c_str(), options.p, handler.p);
  if (FAILED(started)) return failure("CreateWebViewEnvironmentWithOptionsInternal", started);
  if (!pump_until(pending->done)) return "environment creation interrupted by WM_QUIT";
  if (FAILED(pending->result)) return failure("environment creation", pending->result);
  if (!pending->object) return failure("environment creation", E_NOINTERFACE);
  environment = std::move(pending->object);
  return {};
}

std::string create_controller(ICoreWebView2Environment* environment, HWND window,
                              ComRef<ICoreWebView2Controller>& controller) {
  auto pending = std::make_shared<Pending<ICoreWebView2Controller>>();
  ComRef<ControllerDone> handler(new ControllerDone([pending](HRESULT hr, ICoreWebView2Controller* created) {
    pending->result = hr;
    if (SUCCEEDED(hr) && created)
      created->QueryInterface(ICoreWebView2Controller::iid, reinterpret_cast<void**>(pending->object.put()));
    pending->done = true;
    return S_OK;
  }));
  const HRESULT started = environment->CreateCoreWebView2Controller(window, handler.p);
  if (FAILED(started)) return failure("CreateCoreWebView2Controller", started);
  if (!pump_until(pending->done)) return "controller creation interrupted by WM_QUIT";
  if (FAILED(pending->result)) return failure("controller creation", pending->result);
  if (!pending->object) return failure("controller creation", E_NOINTERFACE);
  controller = std::move(pending->object);
  return {};
}

// The bridge must be active before the page loads: the runtime applies a start-up script only
// once its completion has run.
std::string add_bridge_script(ICoreWebView2* core) {
  auto pending = std::make_shared<Pending<IUnknown>>();
  ComRef<ScriptAdded> handler(new ScriptAdded([pending](HRESULT hr, LPCWSTR) {
    pending->result = hr;
    pending->done = true;
    return S_OK;
  }));
  const HRESULT started = core->AddScriptToExecuteOnDocumentCreated(kBridgeScript, handler.p);
  if (FAILED(started)) return failure("AddScriptToExecuteOnDocumentCreated", started);
  if (!pump_until(pending->done)) return "bridge script registration interrupted by WM_QUIT";
  if (FAILED(pending->result)) return failure("bridge script registration", pending->result);
  return {};
}

void apply_settings(ICoreWebView2* core) {
  ComRef<ICoreWebView2Settings> settings;
  if (FAILED(core->get_Settings(settings.put())) || !settings) return;
  settings->put_IsStatusBarEnabled(FALSE);
  settings->put_AreDefaultContextMenusEnabled(TRUE);
  settings->put_IsZoomControlEnabled(FALSE);
  settings->put_AreDevToolsEnabled(FALSE);
  // No reload, find, print or developer-tools keys in an installer. Runtimes without Settings3
  // keep them; the navigation lock still stops a reload there.
  if (const auto settings3 = later_version<ICoreWebView2Settings3>(settings.p))
    settings3->put_AreBrowserAcceleratorKeysEnabled(FALSE);
}

// The page is the only document: the web view's load of the page text goes ahead, every later
// navigation of the top frame is cancelled (see navigation_lock.h), and no request for a new
// window opens one. These hold on every runtime, also where the browser keys or external drops
// cannot be turned off.
std::string lock_page(WebView* view) {
  ComRef<NavigationStarting> navigation(
      new NavigationStarting([view](ICoreWebView2*, ICoreWebView2NavigationStartingEventArgs* args) {
        if (args && !navigation_lock::allow_navigation(view->lock)) args->put_Cancel(TRUE);
        return S_OK;
      }));
  EventRegistrationToken token{};
  if (HRESULT hr = view->core->add_NavigationStarting(navigation.p, &token); FAILED(hr))
    return failure("add_NavigationStarting", hr);
  ComRef<NewWindowRequested> new_window(
      new NewWindowRequested([](ICoreWebView2*, ICoreWebView2NewWindowRequestedEventArgs* args) {
        // Handled without a window given: nothing opens.
        if (args) args->put_Handled(TRUE);
        return S_OK;
      }));
  if (HRESULT hr = view->core->add_NewWindowRequested(new_window.p, &token); FAILED(hr))
    return failure("add_NewWindowRequested", hr);
  return {};
}

}  // namespace

WebViewOutcome create_webview(HWND window, const std::wstring& user_data_folder, const std::string& page_html_utf8,
                              uint8_t r, uint8_t g, uint8_t b, PageMessageHandler on_message) {
  // WebView2 needs a single-threaded apartment; a thread already set up that way answers S_FALSE.
  const HRESULT apartment = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  if (FAILED(apartment)) return {nullptr, failure("CoInitializeEx", apartment)};

  const auto runtime = locate_webview2_runtime();
  if (!runtime) return {nullptr, failure("finding the WebView2 runtime", HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND))};

  ComRef<ICoreWebView2Environment> environment;
  if (std::string e = create_environment(*runtime, user_data_folder, environment); !e.empty()) return {nullptr, e};

  auto* view = new WebView;  // lives until the process ends
  view->on_message = std::move(on_message);
  if (std::string e = create_controller(environment.p, window, view->controller); !e.empty()) return {nullptr, e};

  // The colour shows before the page paints; runtimes before 89.0.774 lack Controller2 and keep
  // their white default.
  if (const auto controller2 = later_version<ICoreWebView2Controller2>(view->controller.p))
    controller2->put_DefaultBackgroundColor(COREWEBVIEW2_COLOR{255, r, g, b});
  // A file dragged onto the page is not opened. Runtimes without Controller4 would navigate to
  // it; the navigation lock cancels that.
  if (const auto controller4 = later_version<ICoreWebView2Controller4>(view->controller.p))
    controller4->put_AllowExternalDrop(FALSE);
  RECT client{};
  GetClientRect(window, &client);
  view->controller->put_Bounds(client);
  view->controller->put_IsVisible(TRUE);

  if (HRESULT hr = view->controller->get_CoreWebView2(view->core.put()); FAILED(hr) || !view->core)
    return {nullptr, failure("get_CoreWebView2", FAILED(hr) ? hr : E_POINTER)};
  apply_settings(view->core.p);

  ComRef<MessageReceived> route(
      new MessageReceived([view](ICoreWebView2*, ICoreWebView2WebMessageReceivedEventArgs* args) {
        if (!args) return S_OK;
        LPWSTR text = nullptr;
        // Fails for anything but a JavaScript string: such messages are dropped.
        const HRESULT hr = args->TryGetWebMessageAsString(&text);
        if (SUCCEEDED(hr) && text) {
          const std::string utf8 = from_wide(text);
          CoTaskMemFree(text);
          if (view->on_message) view->on_message(utf8);
        } else if (text) {
          CoTaskMemFree(text);
        }
        return S_OK;
      }));
  EventRegistrationToken token{};
  if (HRESULT hr = view->core->add_WebMessageReceived(route.p, &token); FAILED(hr))
    return {nullptr, failure("add_WebMessageReceived", hr)};
  if (std::string e = lock_page(view); !e.empty()) return {nullptr, e};
  if (std::string e = add_bridge_script(view->core.p); !e.empty()) return {nullptr, e};

  navigation_lock::page_requested(view->lock);
  if (HRESULT hr = view->core->NavigateToString(to_wide(page_html_utf8).c_str()); FAILED(hr))
    return {nullptr, failure("NavigateToString", hr)};
  return {view, {}};
}

void evaluate_script(WebView* view, const std::string& script_utf8) {
  if (!view || !view->core) return;
  ComRef<ScriptDone> ignore(new ScriptDone([](HRESULT, LPCWSTR) { return S_OK; }));
  view->core->ExecuteScript(to_wide(script_utf8).c_str(), ignore.p);
}

void set_webview_bounds(WebView* view, const RECT& bounds) {
  if (view && view->controller) view->controller->put_Bounds(bounds);
}

void focus_webview(WebView* view) {
  if (view && view->controller) view->controller->MoveFocus(COREWEBVIEW2_MOVE_FOCUS_REASON_PROGRAMMATIC);
}

void notify_webview_moved(WebView* view) {
  if (view && view->controller) view->controller->NotifyParentWindowPositionChanged();
}
