// The install job's effects on this Windows system.
#pragma once

#include "setup/engine/install_job.h"

// Tools through run_hidden, Sleep, create_folder_tree, the embedded payload through
// unpack_payload, and every progress report handed to report as it comes.
InstallEffects system_install_effects(ProgressSink report);
