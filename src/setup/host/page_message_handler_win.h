// The host's side of the page messages: what the installer does for each
// message the page posts through window.ipc.
#pragma once

#include <windows.h>

#include <string>

#include "setup/host/host_events_win.h"
#include "setup/webview/webview_win.h"

// The handler the web view calls on the main thread for every page message. It
// keeps proxy (its own clone of the event-loop proxy) and window. It never
// waits: "browse" and "install" start detached worker threads with their own
// proxy clones, "launch" starts the game without waiting for it. What it does
// for each message is decide_page_action's decision (page_action.h); a folder
// holding U+0000 never reaches Windows. Malformed or unknown messages are
// ignored. A worker thread that cannot be started is a fatal error.
PageMessageHandler make_page_message_handler(EventLoopProxy proxy, HWND window);

// Starts Zordelo.exe from dir (joined by the Windows path rule, dir otherwise
// unchanged) with dir as working folder, no arguments, the default creation
// flags, this process's environment and standard handles (the only handles it
// inherits); does not wait and releases the process at once. False when it
// could not be started.
bool launch_game(const std::string& dir);
