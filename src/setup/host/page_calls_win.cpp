#include "setup/host/page_calls_win.h"

#include "setup/host/main_event_loop.h"
#include "setup/host/page_calls.h"

bool report_progress(const EventLoopProxy& proxy, uint32_t percent, std::string_view status) {
  return post_host_event(proxy, progress_call(percent, status));
}

bool report_done(const EventLoopProxy& proxy, std::string_view location) {
  return post_host_event(proxy, done_call(location));
}

bool report_failure(const EventLoopProxy& proxy, std::string_view message) {
  return post_host_event(proxy, fail_call(message));
}

bool set_folder(const EventLoopProxy& proxy, std::string_view folder) {
  return post_host_event(proxy, set_dir_call(folder));
}

bool post_quit(const EventLoopProxy& proxy) { return post_host_event(proxy, kQuitToken); }
