// Which navigations of the web view's top frame may go ahead. The installer shows exactly one
// document: the page it hands over as text. The web view's own load of that text is the one
// navigation let through; every later one (a reload, a dropped file, a link, `location`,
// history, a form) is cancelled, whatever started it, so the page is never replaced, reloaded
// or left while an install job writes.
#pragma once

namespace navigation_lock {

enum class Stage {
  BeforePage,   // the page text has not been handed over yet
  PageAsked,    // handed over; its load has not started
  PageLoading,  // its load has started: the page stays
};

struct NavigationLock {
  Stage stage = Stage::BeforePage;
};

// To be called right before the page text is handed to the web view.
void page_requested(NavigationLock& lock);

// Decides one top-frame navigation as it starts, in the order they start. True only for the
// first one after page_requested (the page's own load); false, cancel it, for any before it
// and for every one after it.
bool allow_navigation(NavigationLock& lock);

}  // namespace navigation_lock
