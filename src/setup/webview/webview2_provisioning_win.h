// Making sure the WebView2 runtime is on the machine before the installer shows its window.
// Both run on the calling thread and wait for every tool they start.
#pragma once

// True when one of the three registry roots reports an installed runtime (up to three hidden
// `reg query` runs, stopping at the first that reports it).
bool webview2_runtime_present();

// Returns when the runtime is present, downloading and running Microsoft's bootstrapper when
// it is not. When it is still missing afterwards, shows the failure box (no owner window) and,
// once it is dismissed, ends the process with exit status 1.
void ensure_webview2_runtime();
