// The installer's normal, windowed run: WebView2 check, window, page, web view, event loop.
// Ends the process; never returns.
#pragma once

[[noreturn]] void graphical_start();
