#include "setup/graphical_start_win.h"

#include <windows.h>

// Placeholder until the windowed installer lands: end cleanly.
void graphical_start() { ExitProcess(0); }
