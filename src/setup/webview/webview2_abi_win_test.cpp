// Checks the hand-written WebView2 declarations against the slot numbers and IIDs of the
// published interfaces: each method is called through a fake object whose vtable entries
// record their own index, so a method declared out of order lands in the wrong slot.
#include "setup/webview/webview2_abi_win.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

namespace {

using namespace webview2;

int g_last_slot = -1;

template <int N>
HRESULT STDMETHODCALLTYPE record_slot(void*) {
  g_last_slot = N;
  return S_OK;
}

template <int... N>
constexpr std::array<void*, sizeof...(N)> make_vtable(std::integer_sequence<int, N...>) {
  return {reinterpret_cast<void*>(&record_slot<N>)...};
}

const auto kVtable = make_vtable(std::make_integer_sequence<int, 48>{});

struct FakeObject {
  const void* const* vtable = kVtable.data();
};

// The slot that a call through an interface pointer reaches.
template <class I>
int slot_of(const std::function<void(I*)>& call) {
  FakeObject fake;
  g_last_slot = -1;
  call(reinterpret_cast<I*>(&fake));
  return g_last_slot;
}

template <class I>
using SlotCases = std::vector<std::pair<int, std::function<void(I*)>>>;

template <class I>
void expect_slots(const char* name, const SlotCases<I>& cases) {
  for (size_t i = 0; i < cases.size(); ++i)
    EXPECT_EQ(slot_of<I>(cases[i].second), cases[i].first) << name << ", case " << i;
}

const EventRegistrationToken kToken{};
const RECT kRect{};

TEST(Webview2Abi, IUnknownSlots) {
  expect_slots<ICoreWebView2>("IUnknown", {
                                              {0, [](auto* p) { p->QueryInterface(IID_IUnknown, nullptr); }},
                                              {1, [](auto* p) { p->AddRef(); }},
                                              {2, [](auto* p) { p->Release(); }},
                                          });
}

TEST(Webview2Abi, EnvironmentAndOptionsSlots) {
  expect_slots<ICoreWebView2Environment>(
      "Environment", {
                         {3, [](auto* p) { p->CreateCoreWebView2Controller(nullptr, nullptr); }},
                         {4, [](auto* p) { p->CreateWebResourceResponse(nullptr, 0, nullptr, nullptr, nullptr); }},
                         {5, [](auto* p) { p->get_BrowserVersionString(nullptr); }},
                         {6, [](auto* p) { p->add_NewBrowserVersionAvailable(nullptr, nullptr); }},
                         {7, [](auto* p) { p->remove_NewBrowserVersionAvailable(kToken); }},
                     });
  expect_slots<ICoreWebView2EnvironmentOptions>(
      "EnvironmentOptions", {
                                {3, [](auto* p) { p->get_AdditionalBrowserArguments(nullptr); }},
                                {4, [](auto* p) { p->put_AdditionalBrowserArguments(nullptr); }},
                                {5, [](auto* p) { p->get_Language(nullptr); }},
                                {6, [](auto* p) { p->put_Language(nullptr); }},
                                {7, [](auto* p) { p->get_TargetCompatibleBrowserVersion(nullptr); }},
                                {8, [](auto* p) { p->put_TargetCompatibleBrowserVersion(nullptr); }},
                                {9, [](auto* p) { p->get_AllowSingleSignOnUsingOSPrimaryAccount(nullptr); }},
                                {10, [](auto* p) { p->put_AllowSingleSignOnUsingOSPrimaryAccount(FALSE); }},
                            });
}

TEST(Webview2Abi, HandlerInvokeIsSlotThree) {
  EXPECT_EQ(
      slot_of<ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler>([](auto* p) { p->Invoke(S_OK, nullptr); }),
      3);
  EXPECT_EQ(
      slot_of<ICoreWebView2CreateCoreWebView2ControllerCompletedHandler>([](auto* p) { p->Invoke(S_OK, nullptr); }), 3);
  EXPECT_EQ(slot_of<ICoreWebView2ExecuteScriptCompletedHandler>([](auto* p) { p->Invoke(S_OK, nullptr); }), 3);
  EXPECT_EQ(slot_of<ICoreWebView2AddScriptToExecuteOnDocumentCreatedCompletedHandler>(
                [](auto* p) { p->Invoke(S_OK, nullptr); }),
            3);
  EXPECT_EQ(slot_of<ICoreWebView2WebMessageReceivedEventHandler>([](auto* p) { p->Invoke(nullptr, nullptr); }), 3);
  EXPECT_EQ(slot_of<ICoreWebView2NavigationStartingEventHandler>([](auto* p) { p->Invoke(nullptr, nullptr); }), 3);
  EXPECT_EQ(slot_of<ICoreWebView2NewWindowRequestedEventHandler>([](auto* p) { p->Invoke(nullptr, nullptr); }), 3);
}

TEST(Webview2Abi, ControllerSlots) {
  expect_slots<ICoreWebView2Controller2>(
      "Controller2", {
                         {3, [](auto* p) { p->get_IsVisible(nullptr); }},
                         {4, [](auto* p) { p->put_IsVisible(TRUE); }},
                         {5, [](auto* p) { p->get_Bounds(nullptr); }},
                         {6, [](auto* p) { p->put_Bounds(kRect); }},
                         {7, [](auto* p) { p->get_ZoomFactor(nullptr); }},
                         {8, [](auto* p) { p->put_ZoomFactor(1.0); }},
                         {9, [](auto* p) { p->add_ZoomFactorChanged(nullptr, nullptr); }},
                         {10, [](auto* p) { p->remove_ZoomFactorChanged(kToken); }},
                         {11, [](auto* p) { p->SetBoundsAndZoomFactor(kRect, 1.0); }},
                         {12, [](auto* p) { p->MoveFocus(COREWEBVIEW2_MOVE_FOCUS_REASON_PROGRAMMATIC); }},
                         {13, [](auto* p) { p->add_MoveFocusRequested(nullptr, nullptr); }},
                         {14, [](auto* p) { p->remove_MoveFocusRequested(kToken); }},
                         {15, [](auto* p) { p->add_GotFocus(nullptr, nullptr); }},
                         {16, [](auto* p) { p->remove_GotFocus(kToken); }},
                         {17, [](auto* p) { p->add_LostFocus(nullptr, nullptr); }},
                         {18, [](auto* p) { p->remove_LostFocus(kToken); }},
                         {19, [](auto* p) { p->add_AcceleratorKeyPressed(nullptr, nullptr); }},
                         {20, [](auto* p) { p->remove_AcceleratorKeyPressed(kToken); }},
                         {21, [](auto* p) { p->get_ParentWindow(nullptr); }},
                         {22, [](auto* p) { p->put_ParentWindow(nullptr); }},
                         {23, [](auto* p) { p->NotifyParentWindowPositionChanged(); }},
                         {24, [](auto* p) { p->Close(); }},
                         {25, [](auto* p) { p->get_CoreWebView2(nullptr); }},
                         {26, [](auto* p) { p->get_DefaultBackgroundColor(nullptr); }},
                         {27,
                          [](auto* p) {
                            p->put_DefaultBackgroundColor(COREWEBVIEW2_COLOR{255, 5, 7, 10});
                          }},
                     });
  // Controller3 and Controller4 continue Controller2's numbering; the slots before 28 are
  // checked again through the most derived interface, so a base missed in the chain shows.
  expect_slots<ICoreWebView2Controller4>("Controller4",
                                         {
                                             {3, [](auto* p) { p->get_IsVisible(nullptr); }},
                                             {25, [](auto* p) { p->get_CoreWebView2(nullptr); }},
                                             {27,
                                              [](auto* p) {
                                                p->put_DefaultBackgroundColor(COREWEBVIEW2_COLOR{255, 5, 7, 10});
                                              }},
                                             {28, [](auto* p) { p->get_RasterizationScale(nullptr); }},
                                             {29, [](auto* p) { p->put_RasterizationScale(1.0); }},
                                             {30, [](auto* p) { p->get_ShouldDetectMonitorScaleChanges(nullptr); }},
                                             {31, [](auto* p) { p->put_ShouldDetectMonitorScaleChanges(TRUE); }},
                                             {32, [](auto* p) { p->add_RasterizationScaleChanged(nullptr, nullptr); }},
                                             {33, [](auto* p) { p->remove_RasterizationScaleChanged(kToken); }},
                                             {34, [](auto* p) { p->get_BoundsMode(nullptr); }},
                                             {35, [](auto* p) { p->put_BoundsMode(COREWEBVIEW2_BOUNDS_MODE{}); }},
                                             {36, [](auto* p) { p->get_AllowExternalDrop(nullptr); }},
                                             {37, [](auto* p) { p->put_AllowExternalDrop(FALSE); }},
                                         });
}

TEST(Webview2Abi, CoreWebViewSlots) {
  expect_slots<ICoreWebView2>("CoreWebView2",
                              {
                                  {3, [](auto* p) { p->get_Settings(nullptr); }},
                                  {4, [](auto* p) { p->get_Source(nullptr); }},
                                  {5, [](auto* p) { p->Navigate(nullptr); }},
                                  {6, [](auto* p) { p->NavigateToString(nullptr); }},
                                  {7, [](auto* p) { p->add_NavigationStarting(nullptr, nullptr); }},
                                  {8, [](auto* p) { p->remove_NavigationStarting(kToken); }},
                                  {9, [](auto* p) { p->add_ContentLoading(nullptr, nullptr); }},
                                  {10, [](auto* p) { p->remove_ContentLoading(kToken); }},
                                  {11, [](auto* p) { p->add_SourceChanged(nullptr, nullptr); }},
                                  {12, [](auto* p) { p->remove_SourceChanged(kToken); }},
                                  {13, [](auto* p) { p->add_HistoryChanged(nullptr, nullptr); }},
                                  {14, [](auto* p) { p->remove_HistoryChanged(kToken); }},
                                  {15, [](auto* p) { p->add_NavigationCompleted(nullptr, nullptr); }},
                                  {16, [](auto* p) { p->remove_NavigationCompleted(kToken); }},
                                  {17, [](auto* p) { p->add_FrameNavigationStarting(nullptr, nullptr); }},
                                  {18, [](auto* p) { p->remove_FrameNavigationStarting(kToken); }},
                                  {19, [](auto* p) { p->add_FrameNavigationCompleted(nullptr, nullptr); }},
                                  {20, [](auto* p) { p->remove_FrameNavigationCompleted(kToken); }},
                                  {21, [](auto* p) { p->add_ScriptDialogOpening(nullptr, nullptr); }},
                                  {22, [](auto* p) { p->remove_ScriptDialogOpening(kToken); }},
                                  {23, [](auto* p) { p->add_PermissionRequested(nullptr, nullptr); }},
                                  {24, [](auto* p) { p->remove_PermissionRequested(kToken); }},
                                  {25, [](auto* p) { p->add_ProcessFailed(nullptr, nullptr); }},
                                  {26, [](auto* p) { p->remove_ProcessFailed(kToken); }},
                                  {27, [](auto* p) { p->AddScriptToExecuteOnDocumentCreated(nullptr, nullptr); }},
                                  {28, [](auto* p) { p->RemoveScriptToExecuteOnDocumentCreated(nullptr); }},
                                  {29, [](auto* p) { p->ExecuteScript(nullptr, nullptr); }},
                                  {30, [](auto* p) { p->CapturePreview(0, nullptr, nullptr); }},
                                  {31, [](auto* p) { p->Reload(); }},
                                  {32, [](auto* p) { p->PostWebMessageAsJson(nullptr); }},
                                  {33, [](auto* p) { p->PostWebMessageAsString(nullptr); }},
                                  {34, [](auto* p) { p->add_WebMessageReceived(nullptr, nullptr); }},
                                  {35, [](auto* p) { p->remove_WebMessageReceived(kToken); }},
                                  {36, [](auto* p) { p->CallDevToolsProtocolMethod(nullptr, nullptr, nullptr); }},
                                  {37, [](auto* p) { p->get_BrowserProcessId(nullptr); }},
                                  {38, [](auto* p) { p->get_CanGoBack(nullptr); }},
                                  {39, [](auto* p) { p->get_CanGoForward(nullptr); }},
                                  {40, [](auto* p) { p->GoBack(); }},
                                  {41, [](auto* p) { p->GoForward(); }},
                                  {42, [](auto* p) { p->GetDevToolsProtocolEventReceiver(nullptr, nullptr); }},
                                  {43, [](auto* p) { p->Stop(); }},
                                  {44, [](auto* p) { p->add_NewWindowRequested(nullptr, nullptr); }},
                                  {45, [](auto* p) { p->remove_NewWindowRequested(kToken); }},
                              });
}

TEST(Webview2Abi, SettingsAndMessageArgsSlots) {
  expect_slots<ICoreWebView2Settings>("Settings",
                                      {
                                          {3, [](auto* p) { p->get_IsScriptEnabled(nullptr); }},
                                          {4, [](auto* p) { p->put_IsScriptEnabled(TRUE); }},
                                          {5, [](auto* p) { p->get_IsWebMessageEnabled(nullptr); }},
                                          {6, [](auto* p) { p->put_IsWebMessageEnabled(TRUE); }},
                                          {7, [](auto* p) { p->get_AreDefaultScriptDialogsEnabled(nullptr); }},
                                          {8, [](auto* p) { p->put_AreDefaultScriptDialogsEnabled(TRUE); }},
                                          {9, [](auto* p) { p->get_IsStatusBarEnabled(nullptr); }},
                                          {10, [](auto* p) { p->put_IsStatusBarEnabled(FALSE); }},
                                          {11, [](auto* p) { p->get_AreDevToolsEnabled(nullptr); }},
                                          {12, [](auto* p) { p->put_AreDevToolsEnabled(FALSE); }},
                                          {13, [](auto* p) { p->get_AreDefaultContextMenusEnabled(nullptr); }},
                                          {14, [](auto* p) { p->put_AreDefaultContextMenusEnabled(TRUE); }},
                                          {15, [](auto* p) { p->get_AreHostObjectsAllowed(nullptr); }},
                                          {16, [](auto* p) { p->put_AreHostObjectsAllowed(TRUE); }},
                                          {17, [](auto* p) { p->get_IsZoomControlEnabled(nullptr); }},
                                          {18, [](auto* p) { p->put_IsZoomControlEnabled(FALSE); }},
                                          {19, [](auto* p) { p->get_IsBuiltInErrorPageEnabled(nullptr); }},
                                          {20, [](auto* p) { p->put_IsBuiltInErrorPageEnabled(TRUE); }},
                                      });
  expect_slots<ICoreWebView2WebMessageReceivedEventArgs>("WebMessageReceivedEventArgs",
                                                         {
                                                             {3, [](auto* p) { p->get_Source(nullptr); }},
                                                             {4, [](auto* p) { p->get_WebMessageAsJson(nullptr); }},
                                                             {5, [](auto* p) { p->TryGetWebMessageAsString(nullptr); }},
                                                         });
}

TEST(Webview2Abi, LaterSettingsSlots) {
  expect_slots<ICoreWebView2Settings3>("Settings3",
                                       {
                                           {3, [](auto* p) { p->get_IsScriptEnabled(nullptr); }},
                                           {20, [](auto* p) { p->put_IsBuiltInErrorPageEnabled(TRUE); }},
                                           {21, [](auto* p) { p->get_UserAgent(nullptr); }},
                                           {22, [](auto* p) { p->put_UserAgent(nullptr); }},
                                           {23, [](auto* p) { p->get_AreBrowserAcceleratorKeysEnabled(nullptr); }},
                                           {24, [](auto* p) { p->put_AreBrowserAcceleratorKeysEnabled(FALSE); }},
                                       });
}

TEST(Webview2Abi, NavigationAndNewWindowArgsSlots) {
  expect_slots<ICoreWebView2NavigationStartingEventArgs>("NavigationStartingEventArgs",
                                                         {
                                                             {3, [](auto* p) { p->get_Uri(nullptr); }},
                                                             {4, [](auto* p) { p->get_IsUserInitiated(nullptr); }},
                                                             {5, [](auto* p) { p->get_IsRedirected(nullptr); }},
                                                             {6, [](auto* p) { p->get_RequestHeaders(nullptr); }},
                                                             {7, [](auto* p) { p->get_Cancel(nullptr); }},
                                                             {8, [](auto* p) { p->put_Cancel(TRUE); }},
                                                             {9, [](auto* p) { p->get_NavigationId(nullptr); }},
                                                         });
  expect_slots<ICoreWebView2NewWindowRequestedEventArgs>("NewWindowRequestedEventArgs",
                                                         {
                                                             {3, [](auto* p) { p->get_Uri(nullptr); }},
                                                             {4, [](auto* p) { p->put_NewWindow(nullptr); }},
                                                             {5, [](auto* p) { p->get_NewWindow(nullptr); }},
                                                             {6, [](auto* p) { p->put_Handled(TRUE); }},
                                                             {7, [](auto* p) { p->get_Handled(nullptr); }},
                                                             {8, [](auto* p) { p->get_IsUserInitiated(nullptr); }},
                                                             {9, [](auto* p) { p->GetDeferral(nullptr); }},
                                                             {10, [](auto* p) { p->get_WindowFeatures(nullptr); }},
                                                         });
}

// Each later version derives from the one before it, so a pointer to it is usable as the base.
static_assert(std::is_base_of_v<ICoreWebView2Settings, ICoreWebView2Settings2> &&
              std::is_base_of_v<ICoreWebView2Settings2, ICoreWebView2Settings3>);
static_assert(std::is_base_of_v<ICoreWebView2Controller2, ICoreWebView2Controller3> &&
              std::is_base_of_v<ICoreWebView2Controller3, ICoreWebView2Controller4>);

std::string guid_text(const GUID& g) {
  wchar_t buf[64] = {};
  StringFromGUID2(g, buf, 64);
  std::string out;
  for (const wchar_t* p = buf; *p; ++p) out += static_cast<char>(*p);
  return out;
}

TEST(Webview2Abi, InterfaceIds) {
  // The system's own parse of the braced texts, against our compile-time parse.
  const std::pair<GUID, const char*> cases[] = {
      {ICoreWebView2Environment::iid, "{B96D755E-0319-4E92-A296-23436F46A1FC}"},
      {ICoreWebView2EnvironmentOptions::iid, "{2FDE08A8-1E9A-4766-8C05-95A9CEB9D1C5}"},
      {ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler::iid, "{4E8A3389-C9D8-4BD2-B6B5-124FEE6CC14D}"},
      {ICoreWebView2CreateCoreWebView2ControllerCompletedHandler::iid, "{6C4819F3-C9B7-4260-8127-C9F5BDE7F68C}"},
      {ICoreWebView2Controller::iid, "{4D00C0D1-9434-4EB6-8078-8697A560334F}"},
      {ICoreWebView2Controller2::iid, "{C979903E-D4CA-4228-92EB-47EE3FA96EAB}"},
      {ICoreWebView2::iid, "{76ECEACB-0462-4D94-AC83-423A6793775E}"},
      {ICoreWebView2Settings::iid, "{E562E4F0-D7FA-43AC-8D71-C05150499F00}"},
      {ICoreWebView2WebMessageReceivedEventHandler::iid, "{57213F19-00E6-49FA-8E07-898EA01ECBD2}"},
      {ICoreWebView2WebMessageReceivedEventArgs::iid, "{0F99A40C-E962-4207-9E92-E3D542EFF849}"},
      {ICoreWebView2ExecuteScriptCompletedHandler::iid, "{49511172-CC67-4BCA-9923-137112F4C4CC}"},
      {ICoreWebView2AddScriptToExecuteOnDocumentCreatedCompletedHandler::iid, "{B99369F3-9B11-47B5-BC6F-8E7895FCEA17}"},
      {ICoreWebView2Settings2::iid, "{EE9A0F68-F46C-4E32-AC23-EF8CAC224D2A}"},
      {ICoreWebView2Settings3::iid, "{FDB5AB74-AF33-4854-84F0-0A631DEB5EBA}"},
      {ICoreWebView2Controller3::iid, "{F9614724-5D2B-41DC-AEF7-73D62B51543B}"},
      {ICoreWebView2Controller4::iid, "{97D418D5-A426-4E49-A151-E1A10F327D9E}"},
      {ICoreWebView2NavigationStartingEventHandler::iid, "{9ADBE429-F36D-432B-9DDC-F8881FBD76E3}"},
      {ICoreWebView2NavigationStartingEventArgs::iid, "{5B495469-E119-438A-9B18-7604F25F2E49}"},
      {ICoreWebView2NewWindowRequestedEventHandler::iid, "{D4C185FE-C81C-4989-97AF-2D3FA7AB5651}"},
      {ICoreWebView2NewWindowRequestedEventArgs::iid, "{34ACB11C-FC37-4418-9132-F9C21D1EAFB9}"},
      {kIidEnvironmentOptions2, "{FF85C98A-1BA7-4A6B-90C8-2B752C89E9E2}"},
      {kIidEnvironmentOptions3, "{4A5C436E-A9E3-4A2E-89C3-910D3513F5CC}"},
      {kIidEnvironmentOptions4, "{AC52D13F-0D38-475A-9DCA-876580D6793E}"},
      {kIidEnvironmentOptions5, "{0AE35D64-C47F-4464-814E-259C345D1501}"},
      {kIidEnvironmentOptions6, "{57D29CC3-C84F-42A0-B0E2-EFFBD5E179DE}"},
      {kIidEnvironmentOptions7, "{C48D539F-E39F-441C-AE68-1F66E570BDC5}"},
      {kIidEnvironmentOptions8, "{7C7ECF51-E918-5CAF-853C-E9A2BCC27775}"},
  };
  for (const auto& [iid, text] : cases) {
    EXPECT_EQ(guid_text(iid), text);
    std::wstring wide(text, text + std::char_traits<char>::length(text));
    GUID parsed{};
    ASSERT_EQ(CLSIDFromString(wide.c_str(), &parsed), S_OK) << text;
    EXPECT_TRUE(IsEqualGUID(parsed, iid)) << text;
  }
  // Lower-case digits parse too, and IUnknown matches the system's constant.
  EXPECT_TRUE(IsEqualGUID(guid("00000000-0000-0000-c000-000000000046"), IID_IUnknown));
}

}  // namespace
