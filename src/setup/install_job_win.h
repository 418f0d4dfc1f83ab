// The install job's effects on this Windows system.
#pragma once

#include "setup/host_events_win.h"
#include "setup/install_job.h"

// Tools through run_hidden, Sleep, create_folder_tree, the embedded payload through
// unpack_payload, and every progress report posted as a progress page call through proxy.
InstallEffects system_install_effects(const EventLoopProxy& proxy);
