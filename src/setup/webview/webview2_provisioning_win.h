// Making sure the WebView2 runtime is on the machine before the installer shows its window.
// Runs on the calling thread and waits for every tool it starts.
#pragma once

// Returns when the runtime is present, downloading and running Microsoft's bootstrapper when
// it is not. When it is still missing afterwards, shows the failure box (no owner window) and,
// once it is dismissed, ends the process with exit status 1.
void ensure_webview2_runtime();
