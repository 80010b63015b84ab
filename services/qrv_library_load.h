// Logging set-up done when the library is loaded: glog is initialised with
// the library's own path and writes into the folder "log" beside that file.
#pragma once

#include <string>

#include "qrv_export.h"

namespace marrow {
namespace qrv {

// The full path of the loaded library file; "" when the system gave none.
MARROW_QRV_EXPORT std::string GetLibraryPath();

// The folder the load step chose for log files; "" when it chose none.
MARROW_QRV_EXPORT std::string GetLogDirectory();

// The load step's folder logic, for a library file at |library_path|: forms
// "<parent folder>/log" and creates it when it is not a directory (an
// existing one is reused; other creation failures are ignored). Throws
// std::filesystem::filesystem_error ("status") when the folder's status
// cannot be read for a reason other than a missing path. Answers the folder.
MARROW_QRV_EXPORT std::string PrepareLogDirectory(const std::string& library_path);

}  // namespace qrv
}  // namespace marrow
