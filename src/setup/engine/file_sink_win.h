// Target files on the real file system, for the unpacker.
#pragma once

#include "setup/engine/unpack.h"

// CreateFileW with GENERIC_WRITE, sharing read, write and delete, CREATE_ALWAYS (create, or cut
// an existing file to length 0); WriteFile; CloseHandle. Failures carry io_error_text of the
// Windows error code.
FileSinkOps win32_file_sink();
