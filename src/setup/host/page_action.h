// What the host does for one page message, decided from the message text alone, so that the
// Win32 handler only carries it out.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "setup/engine/install_job.h"

// Windows' code for a name it cannot hold (ERROR_INVALID_NAME).
inline constexpr uint32_t kInvalidNameError = 123;

enum class PageActionKind {
  BeginDrag,     // "drag"
  Minimise,      // "min"
  Quit,          // "close", and a "launch" whose folder cannot reach Windows whole
  Browse,        // "browse"
  StartInstall,  // "install": start the install job with `install`
  FailInstall,   // "install" whose folder cannot reach Windows whole: report the folder failure
                 // with the I/O error text of `os_error`, start nothing
  LaunchGame,    // "launch": start the game from `game_folder`, then quit
};

struct PageAction {
  PageActionKind kind = PageActionKind::Quit;
  InstallRequest install;   // StartInstall: the normalised location and the two shortcut flags
  uint32_t os_error = 0;    // FailInstall
  std::string game_folder;  // LaunchGame: dir exactly as the page sent it
};

// Reads the text as read_page_message does; none for a message the host ignores. A folder
// text holding U+0000 never goes to Windows, which would take it as cut short at that
// character (and so install into, or start a program from, another place): "install" fails
// as for a folder Windows cannot make (ERROR_INVALID_NAME), "launch" starts nothing and quits.
std::optional<PageAction> decide_page_action(std::string_view text);
