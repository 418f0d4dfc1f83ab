#include "setup/webview/navigation_lock.h"

namespace navigation_lock {

void page_requested(NavigationLock& lock) {
  if (lock.stage == Stage::BeforePage) lock.stage = Stage::PageAsked;
}

bool allow_navigation(NavigationLock& lock) {
  if (lock.stage != Stage::PageAsked) return false;
  lock.stage = Stage::PageLoading;
  return true;
}

}  // namespace navigation_lock
