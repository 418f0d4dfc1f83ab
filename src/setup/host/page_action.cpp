#include "setup/host/page_action.h"

#include "setup/host/install_location.h"
#include "setup/host/page_message.h"

namespace {

// Windows ends every name at the first U+0000; a text with one would reach it cut short.
bool reaches_windows_whole(const std::string& folder) { return folder.find('\0') == std::string::npos; }

}  // namespace

std::optional<PageAction> decide_page_action(std::string_view text) {
  const std::optional<PageMessage> message = read_page_message(text);
  if (!message) return std::nullopt;
  PageAction action;
  switch (message->command) {
    case PageCommand::Drag:
      action.kind = PageActionKind::BeginDrag;
      break;
    case PageCommand::Min:
      action.kind = PageActionKind::Minimise;
      break;
    case PageCommand::Close:
      action.kind = PageActionKind::Quit;
      break;
    case PageCommand::Browse:
      action.kind = PageActionKind::Browse;
      break;
    case PageCommand::Install:
      if (!reaches_windows_whole(message->dir)) {
        action.kind = PageActionKind::FailInstall;
        action.os_error = kInvalidNameError;
        break;
      }
      action.kind = PageActionKind::StartInstall;
      action.install.location = normalise_install_location(message->dir);
      action.install.desktop = message->desktop;
      action.install.start_menu = message->start;
      break;
    case PageCommand::Launch:
      if (!reaches_windows_whole(message->dir)) {
        action.kind = PageActionKind::Quit;
        break;
      }
      action.kind = PageActionKind::LaunchGame;
      action.game_folder = message->dir;
      break;
  }
  return action;
}
