// Posting the page calls through an event-loop proxy. Each returns whether the post went
// through; every caller may ignore that, since a dropped call only means the loop has ended.
#pragma once

#include <cstdint>
#include <string_view>

#include "setup/host/host_events_win.h"

bool report_progress(const EventLoopProxy& proxy, uint32_t percent, std::string_view status);
bool report_done(const EventLoopProxy& proxy, std::string_view location);
bool report_failure(const EventLoopProxy& proxy, std::string_view message);
bool set_folder(const EventLoopProxy& proxy, std::string_view folder);
bool post_quit(const EventLoopProxy& proxy);
