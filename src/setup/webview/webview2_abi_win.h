// The WebView2 COM interfaces this program uses, declared by hand (no SDK is available to the
// build). Layout rules that make these match the runtime's vtables: single inheritance from
// IUnknown (or the named base), pure virtual methods in slot order, no virtual destructor, no
// overloads, STDMETHODCALLTYPE everywhere. Interfaces and members the program never calls are
// still declared, because they hold slots. webview2_abi_win_test.cpp checks every slot number.
#pragma once

#include <eventtoken.h>
#include <objidl.h>
#include <unknwn.h>
#include <windows.h>

#include <cstddef>
#include <cstdint>

namespace webview2 {

// A GUID from its registry text "XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX", at compile time, so the
// IIDs below are written exactly as published.
constexpr uint32_t hex_digit(char c) {
  return c >= '0' && c <= '9'   ? uint32_t(c - '0')
         : c >= 'a' && c <= 'f' ? uint32_t(c - 'a' + 10)
         : c >= 'A' && c <= 'F' ? uint32_t(c - 'A' + 10)
                                : throw "not a hex digit";
}
constexpr uint32_t hex_value(const char* s, int digits) {
  uint32_t v = 0;
  for (int i = 0; i < digits; ++i) v = v * 16 + hex_digit(s[i]);
  return v;
}
template <size_t N>
constexpr GUID guid(const char (&s)[N]) {
  static_assert(N == 37, "GUID text has 36 characters");
  if (s[8] != '-' || s[13] != '-' || s[18] != '-' || s[23] != '-') throw "misplaced dash";
  GUID g{hex_value(s, 8),
         static_cast<unsigned short>(hex_value(s + 9, 4)),
         static_cast<unsigned short>(hex_value(s + 14, 4)),
         {}};
  const int at[8] = {19, 21, 24, 26, 28, 30, 32, 34};
  for (int i = 0; i < 8; ++i) g.Data4[i] = static_cast<unsigned char>(hex_value(s + at[i], 2));
  return g;
}

struct COREWEBVIEW2_COLOR {
  BYTE A;
  BYTE R;
  BYTE G;
  BYTE B;
};
static_assert(sizeof(COREWEBVIEW2_COLOR) == 4 && offsetof(COREWEBVIEW2_COLOR, A) == 0 &&
              offsetof(COREWEBVIEW2_COLOR, B) == 3);
static_assert(sizeof(EventRegistrationToken) == 8 && sizeof(BOOL) == 4);

enum COREWEBVIEW2_MOVE_FOCUS_REASON : int32_t {
  COREWEBVIEW2_MOVE_FOCUS_REASON_PROGRAMMATIC = 0,
  COREWEBVIEW2_MOVE_FOCUS_REASON_NEXT = 1,
  COREWEBVIEW2_MOVE_FOCUS_REASON_PREVIOUS = 2,
};
static_assert(sizeof(COREWEBVIEW2_MOVE_FOCUS_REASON) == 4);

// How a controller reads its bounds (Controller3). Only its size matters here.
enum COREWEBVIEW2_BOUNDS_MODE : int32_t {};
static_assert(sizeof(COREWEBVIEW2_BOUNDS_MODE) == 4);

struct ICoreWebView2;
struct ICoreWebView2Controller;
struct ICoreWebView2Environment;
struct ICoreWebView2NavigationStartingEventArgs;
struct ICoreWebView2NewWindowRequestedEventArgs;
struct ICoreWebView2Settings;
struct ICoreWebView2WebMessageReceivedEventArgs;

// An event pair whose handler type this program never needs: the handler is passed as IUnknown.
#define WEBVIEW2_UNUSED_EVENT(Name)                                                                   \
  virtual HRESULT STDMETHODCALLTYPE add_##Name(IUnknown* handler, EventRegistrationToken* token) = 0; \
  virtual HRESULT STDMETHODCALLTYPE remove_##Name(EventRegistrationToken token) = 0

struct ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler : IUnknown {
  static constexpr GUID iid = guid("4E8A3389-C9D8-4BD2-B6B5-124FEE6CC14D");
  virtual HRESULT STDMETHODCALLTYPE Invoke(HRESULT errorCode, ICoreWebView2Environment* createdEnvironment) = 0;
};

struct ICoreWebView2CreateCoreWebView2ControllerCompletedHandler : IUnknown {
  static constexpr GUID iid = guid("6C4819F3-C9B7-4260-8127-C9F5BDE7F68C");
  virtual HRESULT STDMETHODCALLTYPE Invoke(HRESULT errorCode, ICoreWebView2Controller* createdController) = 0;
};

struct ICoreWebView2ExecuteScriptCompletedHandler : IUnknown {
  static constexpr GUID iid = guid("49511172-CC67-4BCA-9923-137112F4C4CC");
  virtual HRESULT STDMETHODCALLTYPE Invoke(HRESULT errorCode, LPCWSTR resultObjectAsJson) = 0;
};

struct ICoreWebView2AddScriptToExecuteOnDocumentCreatedCompletedHandler : IUnknown {
  static constexpr GUID iid = guid("B99369F3-9B11-47B5-BC6F-8E7895FCEA17");
  virtual HRESULT STDMETHODCALLTYPE Invoke(HRESULT errorCode, LPCWSTR id) = 0;
};

struct ICoreWebView2WebMessageReceivedEventHandler : IUnknown {
  static constexpr GUID iid = guid("57213F19-00E6-49FA-8E07-898EA01ECBD2");
  virtual HRESULT STDMETHODCALLTYPE Invoke(ICoreWebView2* sender, ICoreWebView2WebMessageReceivedEventArgs* args) = 0;
};

struct ICoreWebView2NavigationStartingEventHandler : IUnknown {
  static constexpr GUID iid = guid("9ADBE429-F36D-432B-9DDC-F8881FBD76E3");
  virtual HRESULT STDMETHODCALLTYPE Invoke(ICoreWebView2* sender, ICoreWebView2NavigationStartingEventArgs* args) = 0;
};

struct ICoreWebView2NewWindowRequestedEventHandler : IUnknown {
  static constexpr GUID iid = guid("D4C185FE-C81C-4989-97AF-2D3FA7AB5651");
  virtual HRESULT STDMETHODCALLTYPE Invoke(ICoreWebView2* sender, ICoreWebView2NewWindowRequestedEventArgs* args) = 0;
};

struct ICoreWebView2EnvironmentOptions : IUnknown {
  static constexpr GUID iid = guid("2FDE08A8-1E9A-4766-8C05-95A9CEB9D1C5");
  virtual HRESULT STDMETHODCALLTYPE get_AdditionalBrowserArguments(LPWSTR* value) = 0;            // 3
  virtual HRESULT STDMETHODCALLTYPE put_AdditionalBrowserArguments(LPCWSTR value) = 0;            // 4
  virtual HRESULT STDMETHODCALLTYPE get_Language(LPWSTR* value) = 0;                              // 5
  virtual HRESULT STDMETHODCALLTYPE put_Language(LPCWSTR value) = 0;                              // 6
  virtual HRESULT STDMETHODCALLTYPE get_TargetCompatibleBrowserVersion(LPWSTR* value) = 0;        // 7
  virtual HRESULT STDMETHODCALLTYPE put_TargetCompatibleBrowserVersion(LPCWSTR value) = 0;        // 8
  virtual HRESULT STDMETHODCALLTYPE get_AllowSingleSignOnUsingOSPrimaryAccount(BOOL* allow) = 0;  // 9
  virtual HRESULT STDMETHODCALLTYPE put_AllowSingleSignOnUsingOSPrimaryAccount(BOOL allow) = 0;   // 10
};

// Later option interfaces, each directly on IUnknown; the options object answers E_NOINTERFACE
// for all of them, so the runtime uses its defaults. Only their IIDs are needed.
inline constexpr GUID kIidEnvironmentOptions2 = guid("FF85C98A-1BA7-4A6B-90C8-2B752C89E9E2");
inline constexpr GUID kIidEnvironmentOptions3 = guid("4A5C436E-A9E3-4A2E-89C3-910D3513F5CC");
inline constexpr GUID kIidEnvironmentOptions4 = guid("AC52D13F-0D38-475A-9DCA-876580D6793E");
inline constexpr GUID kIidEnvironmentOptions5 = guid("0AE35D64-C47F-4464-814E-259C345D1501");
inline constexpr GUID kIidEnvironmentOptions6 = guid("57D29CC3-C84F-42A0-B0E2-EFFBD5E179DE");
inline constexpr GUID kIidEnvironmentOptions7 = guid("C48D539F-E39F-441C-AE68-1F66E570BDC5");
inline constexpr GUID kIidEnvironmentOptions8 = guid("7C7ECF51-E918-5CAF-853C-E9A2BCC27775");

struct ICoreWebView2Environment : IUnknown {
  static constexpr GUID iid = guid("B96D755E-0319-4E92-A296-23436F46A1FC");
  virtual HRESULT STDMETHODCALLTYPE CreateCoreWebView2Controller(
      HWND parentWindow, ICoreWebView2CreateCoreWebView2ControllerCompletedHandler* handler) = 0;  // 3
  virtual HRESULT STDMETHODCALLTYPE CreateWebResourceResponse(IStream* content, int statusCode, LPCWSTR reasonPhrase,
                                                              LPCWSTR headers, IUnknown** response) = 0;  // 4
  virtual HRESULT STDMETHODCALLTYPE get_BrowserVersionString(LPWSTR* versionInfo) = 0;                    // 5
  WEBVIEW2_UNUSED_EVENT(NewBrowserVersionAvailable);                                                      // 6, 7
};

struct ICoreWebView2Controller : IUnknown {
  static constexpr GUID iid = guid("4D00C0D1-9434-4EB6-8078-8697A560334F");
  virtual HRESULT STDMETHODCALLTYPE get_IsVisible(BOOL* isVisible) = 0;                          // 3
  virtual HRESULT STDMETHODCALLTYPE put_IsVisible(BOOL isVisible) = 0;                           // 4
  virtual HRESULT STDMETHODCALLTYPE get_Bounds(RECT* bounds) = 0;                                // 5
  virtual HRESULT STDMETHODCALLTYPE put_Bounds(RECT bounds) = 0;                                 // 6
  virtual HRESULT STDMETHODCALLTYPE get_ZoomFactor(double* zoomFactor) = 0;                      // 7
  virtual HRESULT STDMETHODCALLTYPE put_ZoomFactor(double zoomFactor) = 0;                       // 8
  WEBVIEW2_UNUSED_EVENT(ZoomFactorChanged);                                                      // 9, 10
  virtual HRESULT STDMETHODCALLTYPE SetBoundsAndZoomFactor(RECT bounds, double zoomFactor) = 0;  // 11
  virtual HRESULT STDMETHODCALLTYPE MoveFocus(COREWEBVIEW2_MOVE_FOCUS_REASON reason) = 0;        // 12
  WEBVIEW2_UNUSED_EVENT(MoveFocusRequested);                                                     // 13, 14
  WEBVIEW2_UNUSED_EVENT(GotFocus);                                                               // 15, 16
  WEBVIEW2_UNUSED_EVENT(LostFocus);                                                              // 17, 18
  WEBVIEW2_UNUSED_EVENT(AcceleratorKeyPressed);                                                  // 19, 20
  virtual HRESULT STDMETHODCALLTYPE get_ParentWindow(HWND* parentWindow) = 0;                    // 21
  virtual HRESULT STDMETHODCALLTYPE put_ParentWindow(HWND parentWindow) = 0;                     // 22
  virtual HRESULT STDMETHODCALLTYPE NotifyParentWindowPositionChanged() = 0;                     // 23
  virtual HRESULT STDMETHODCALLTYPE Close() = 0;                                                 // 24
  virtual HRESULT STDMETHODCALLTYPE get_CoreWebView2(ICoreWebView2** coreWebView2) = 0;          // 25
};

// Runtime 89.0.774 and later; older runtimes answer E_NOINTERFACE.
struct ICoreWebView2Controller2 : ICoreWebView2Controller {
  static constexpr GUID iid = guid("C979903E-D4CA-4228-92EB-47EE3FA96EAB");
  virtual HRESULT STDMETHODCALLTYPE get_DefaultBackgroundColor(COREWEBVIEW2_COLOR* value) = 0;  // 26
  virtual HRESULT STDMETHODCALLTYPE put_DefaultBackgroundColor(COREWEBVIEW2_COLOR value) = 0;   // 27
};

struct ICoreWebView2Controller3 : ICoreWebView2Controller2 {
  static constexpr GUID iid = guid("F9614724-5D2B-41DC-AEF7-73D62B51543B");
  virtual HRESULT STDMETHODCALLTYPE get_RasterizationScale(double* scale) = 0;                 // 28
  virtual HRESULT STDMETHODCALLTYPE put_RasterizationScale(double scale) = 0;                  // 29
  virtual HRESULT STDMETHODCALLTYPE get_ShouldDetectMonitorScaleChanges(BOOL* value) = 0;      // 30
  virtual HRESULT STDMETHODCALLTYPE put_ShouldDetectMonitorScaleChanges(BOOL value) = 0;       // 31
  WEBVIEW2_UNUSED_EVENT(RasterizationScaleChanged);                                            // 32, 33
  virtual HRESULT STDMETHODCALLTYPE get_BoundsMode(COREWEBVIEW2_BOUNDS_MODE* boundsMode) = 0;  // 34
  virtual HRESULT STDMETHODCALLTYPE put_BoundsMode(COREWEBVIEW2_BOUNDS_MODE boundsMode) = 0;   // 35
};

// External drop is allowed by default: a file dragged onto the web view is opened by navigating
// to it. Older runtimes answer E_NOINTERFACE.
struct ICoreWebView2Controller4 : ICoreWebView2Controller3 {
  static constexpr GUID iid = guid("97D418D5-A426-4E49-A151-E1A10F327D9E");
  virtual HRESULT STDMETHODCALLTYPE get_AllowExternalDrop(BOOL* value) = 0;  // 36
  virtual HRESULT STDMETHODCALLTYPE put_AllowExternalDrop(BOOL value) = 0;   // 37
};

struct ICoreWebView2Settings : IUnknown {
  static constexpr GUID iid = guid("E562E4F0-D7FA-43AC-8D71-C05150499F00");
  virtual HRESULT STDMETHODCALLTYPE get_IsScriptEnabled(BOOL* value) = 0;                 // 3
  virtual HRESULT STDMETHODCALLTYPE put_IsScriptEnabled(BOOL value) = 0;                  // 4
  virtual HRESULT STDMETHODCALLTYPE get_IsWebMessageEnabled(BOOL* value) = 0;             // 5
  virtual HRESULT STDMETHODCALLTYPE put_IsWebMessageEnabled(BOOL value) = 0;              // 6
  virtual HRESULT STDMETHODCALLTYPE get_AreDefaultScriptDialogsEnabled(BOOL* value) = 0;  // 7
  virtual HRESULT STDMETHODCALLTYPE put_AreDefaultScriptDialogsEnabled(BOOL value) = 0;   // 8
  virtual HRESULT STDMETHODCALLTYPE get_IsStatusBarEnabled(BOOL* value) = 0;              // 9
  virtual HRESULT STDMETHODCALLTYPE put_IsStatusBarEnabled(BOOL value) = 0;               // 10
  virtual HRESULT STDMETHODCALLTYPE get_AreDevToolsEnabled(BOOL* value) = 0;              // 11
  virtual HRESULT STDMETHODCALLTYPE put_AreDevToolsEnabled(BOOL value) = 0;               // 12
  virtual HRESULT STDMETHODCALLTYPE get_AreDefaultContextMenusEnabled(BOOL* value) = 0;   // 13
  virtual HRESULT STDMETHODCALLTYPE put_AreDefaultContextMenusEnabled(BOOL value) = 0;    // 14
  virtual HRESULT STDMETHODCALLTYPE get_AreHostObjectsAllowed(BOOL* value) = 0;           // 15
  virtual HRESULT STDMETHODCALLTYPE put_AreHostObjectsAllowed(BOOL value) = 0;            // 16
  virtual HRESULT STDMETHODCALLTYPE get_IsZoomControlEnabled(BOOL* value) = 0;            // 17
  virtual HRESULT STDMETHODCALLTYPE put_IsZoomControlEnabled(BOOL value) = 0;             // 18
  virtual HRESULT STDMETHODCALLTYPE get_IsBuiltInErrorPageEnabled(BOOL* value) = 0;       // 19
  virtual HRESULT STDMETHODCALLTYPE put_IsBuiltInErrorPageEnabled(BOOL value) = 0;        // 20
};

struct ICoreWebView2Settings2 : ICoreWebView2Settings {
  static constexpr GUID iid = guid("EE9A0F68-F46C-4E32-AC23-EF8CAC224D2A");
  virtual HRESULT STDMETHODCALLTYPE get_UserAgent(LPWSTR* value) = 0;  // 21
  virtual HRESULT STDMETHODCALLTYPE put_UserAgent(LPCWSTR value) = 0;  // 22
};

// With FALSE the browser's own keys (reload, find, print, zoom, developer tools, back and
// forward) stop working; editing and movement keys and the window's Alt+F4 still work. Older
// runtimes answer E_NOINTERFACE.
struct ICoreWebView2Settings3 : ICoreWebView2Settings2 {
  static constexpr GUID iid = guid("FDB5AB74-AF33-4854-84F0-0A631DEB5EBA");
  virtual HRESULT STDMETHODCALLTYPE get_AreBrowserAcceleratorKeysEnabled(BOOL* value) = 0;  // 23
  virtual HRESULT STDMETHODCALLTYPE put_AreBrowserAcceleratorKeysEnabled(BOOL value) = 0;   // 24
};

// Raised for every navigation of the top frame, the page's own load included, before anything
// is fetched; put_Cancel(TRUE) inside Invoke stops it and leaves the page as it was.
struct ICoreWebView2NavigationStartingEventArgs : IUnknown {
  static constexpr GUID iid = guid("5B495469-E119-438A-9B18-7604F25F2E49");
  virtual HRESULT STDMETHODCALLTYPE get_Uri(LPWSTR* uri) = 0;                           // 3
  virtual HRESULT STDMETHODCALLTYPE get_IsUserInitiated(BOOL* isUserInitiated) = 0;     // 4
  virtual HRESULT STDMETHODCALLTYPE get_IsRedirected(BOOL* isRedirected) = 0;           // 5
  virtual HRESULT STDMETHODCALLTYPE get_RequestHeaders(IUnknown** requestHeaders) = 0;  // 6
  virtual HRESULT STDMETHODCALLTYPE get_Cancel(BOOL* cancel) = 0;                       // 7
  virtual HRESULT STDMETHODCALLTYPE put_Cancel(BOOL cancel) = 0;                        // 8
  virtual HRESULT STDMETHODCALLTYPE get_NavigationId(UINT64* navigationId) = 0;         // 9
};

// Raised for window.open, Shift+click, middle-click and links with a target. Handled TRUE
// without a NewWindow opens no window at all; unhandled, a separate browser window opens.
struct ICoreWebView2NewWindowRequestedEventArgs : IUnknown {
  static constexpr GUID iid = guid("34ACB11C-FC37-4418-9132-F9C21D1EAFB9");
  virtual HRESULT STDMETHODCALLTYPE get_Uri(LPWSTR* uri) = 0;                        // 3
  virtual HRESULT STDMETHODCALLTYPE put_NewWindow(ICoreWebView2* newWindow) = 0;     // 4
  virtual HRESULT STDMETHODCALLTYPE get_NewWindow(ICoreWebView2** newWindow) = 0;    // 5
  virtual HRESULT STDMETHODCALLTYPE put_Handled(BOOL handled) = 0;                   // 6
  virtual HRESULT STDMETHODCALLTYPE get_Handled(BOOL* handled) = 0;                  // 7
  virtual HRESULT STDMETHODCALLTYPE get_IsUserInitiated(BOOL* isUserInitiated) = 0;  // 8
  virtual HRESULT STDMETHODCALLTYPE GetDeferral(IUnknown** deferral) = 0;            // 9
  virtual HRESULT STDMETHODCALLTYPE get_WindowFeatures(IUnknown** value) = 0;        // 10
};

struct ICoreWebView2WebMessageReceivedEventArgs : IUnknown {
  static constexpr GUID iid = guid("0F99A40C-E962-4207-9E92-E3D542EFF849");
  virtual HRESULT STDMETHODCALLTYPE get_Source(LPWSTR* source) = 0;                            // 3
  virtual HRESULT STDMETHODCALLTYPE get_WebMessageAsJson(LPWSTR* webMessageAsJson) = 0;        // 4
  virtual HRESULT STDMETHODCALLTYPE TryGetWebMessageAsString(LPWSTR* webMessageAsString) = 0;  // 5
};

struct ICoreWebView2 : IUnknown {
  static constexpr GUID iid = guid("76ECEACB-0462-4D94-AC83-423A6793775E");
  virtual HRESULT STDMETHODCALLTYPE get_Settings(ICoreWebView2Settings** settings) = 0;  // 3
  virtual HRESULT STDMETHODCALLTYPE get_Source(LPWSTR* uri) = 0;                         // 4
  virtual HRESULT STDMETHODCALLTYPE Navigate(LPCWSTR uri) = 0;                           // 5
  virtual HRESULT STDMETHODCALLTYPE NavigateToString(LPCWSTR htmlContent) = 0;           // 6
  virtual HRESULT STDMETHODCALLTYPE add_NavigationStarting(ICoreWebView2NavigationStartingEventHandler* eventHandler,
                                                           EventRegistrationToken* token) = 0;    // 7
  virtual HRESULT STDMETHODCALLTYPE remove_NavigationStarting(EventRegistrationToken token) = 0;  // 8
  WEBVIEW2_UNUSED_EVENT(ContentLoading);                                                          // 9, 10
  WEBVIEW2_UNUSED_EVENT(SourceChanged);                                                           // 11, 12
  WEBVIEW2_UNUSED_EVENT(HistoryChanged);                                                          // 13, 14
  WEBVIEW2_UNUSED_EVENT(NavigationCompleted);                                                     // 15, 16
  WEBVIEW2_UNUSED_EVENT(FrameNavigationStarting);                                                 // 17, 18
  WEBVIEW2_UNUSED_EVENT(FrameNavigationCompleted);                                                // 19, 20
  WEBVIEW2_UNUSED_EVENT(ScriptDialogOpening);                                                     // 21, 22
  WEBVIEW2_UNUSED_EVENT(PermissionRequested);                                                     // 23, 24
  WEBVIEW2_UNUSED_EVENT(ProcessFailed);                                                           // 25, 26
  virtual HRESULT STDMETHODCALLTYPE AddScriptToExecuteOnDocumentCreated(
      LPCWSTR javaScript, ICoreWebView2AddScriptToExecuteOnDocumentCreatedCompletedHandler* handler) = 0;  // 27
  virtual HRESULT STDMETHODCALLTYPE RemoveScriptToExecuteOnDocumentCreated(LPCWSTR id) = 0;                // 28
  virtual HRESULT STDMETHODCALLTYPE ExecuteScript(LPCWSTR javaScript,
                                                  ICoreWebView2ExecuteScriptCompletedHandler* handler) = 0;        // 29
  virtual HRESULT STDMETHODCALLTYPE CapturePreview(int imageFormat, IStream* imageStream, IUnknown* handler) = 0;  // 30
  virtual HRESULT STDMETHODCALLTYPE Reload() = 0;                                                                  // 31
  virtual HRESULT STDMETHODCALLTYPE PostWebMessageAsJson(LPCWSTR webMessageAsJson) = 0;                            // 32
  virtual HRESULT STDMETHODCALLTYPE PostWebMessageAsString(LPCWSTR webMessageAsString) = 0;                        // 33
  virtual HRESULT STDMETHODCALLTYPE add_WebMessageReceived(ICoreWebView2WebMessageReceivedEventHandler* handler,
                                                           EventRegistrationToken* token) = 0;    // 34
  virtual HRESULT STDMETHODCALLTYPE remove_WebMessageReceived(EventRegistrationToken token) = 0;  // 35
  virtual HRESULT STDMETHODCALLTYPE CallDevToolsProtocolMethod(LPCWSTR methodName, LPCWSTR parametersAsJson,
                                                               IUnknown* handler) = 0;                             // 36
  virtual HRESULT STDMETHODCALLTYPE get_BrowserProcessId(UINT32* value) = 0;                                       // 37
  virtual HRESULT STDMETHODCALLTYPE get_CanGoBack(BOOL* canGoBack) = 0;                                            // 38
  virtual HRESULT STDMETHODCALLTYPE get_CanGoForward(BOOL* canGoForward) = 0;                                      // 39
  virtual HRESULT STDMETHODCALLTYPE GoBack() = 0;                                                                  // 40
  virtual HRESULT STDMETHODCALLTYPE GoForward() = 0;                                                               // 41
  virtual HRESULT STDMETHODCALLTYPE GetDevToolsProtocolEventReceiver(LPCWSTR eventName, IUnknown** receiver) = 0;  // 42
  virtual HRESULT STDMETHODCALLTYPE Stop() = 0;                                                                    // 43
  virtual HRESULT STDMETHODCALLTYPE add_NewWindowRequested(ICoreWebView2NewWindowRequestedEventHandler* eventHandler,
                                                           EventRegistrationToken* token) = 0;    // 44
  virtual HRESULT STDMETHODCALLTYPE remove_NewWindowRequested(EventRegistrationToken token) = 0;  // 45
};

#undef WEBVIEW2_UNUSED_EVENT

// The runtime library's creation export (x64 calling convention). The first argument's meaning
// is unknown; every known caller passes true.
inline constexpr char kCreateEnvironmentExport[] = "CreateWebViewEnvironmentWithOptionsInternal";
using CreateEnvironmentFn =
    HRESULT(STDMETHODCALLTYPE*)(bool, int runtime_kind, PCWSTR user_data_folder, IUnknown* options,
                                ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler* done);

}  // namespace webview2
