#include "qrv_library_load.h"

#include <dlfcn.h>
#include <glog/logging.h>

#include <cstring>
#include <filesystem>
#include <system_error>

namespace marrow {
namespace qrv {

namespace {

namespace fs = std::filesystem;

// glog keeps the program name pointer it is given, so the path lives in
// static storage for the whole load.
char g_library_path[2048];
bool g_initialised_logging = false;

// Function-local so that it is ready whichever initialiser runs first, and
// never destroyed so that it outlives the unload step.
std::string& LogDirectory() {
  static std::string* directory = new std::string;
  return *directory;
}

void StoreLibraryPath(const char* path) {
  std::string full = path ? path : "";
  if (!full.empty()) {
    std::error_code ec;
    const fs::path absolute = fs::absolute(full, ec);
    if (!ec) full = absolute.string();
  }
  std::strncpy(g_library_path, full.c_str(), sizeof(g_library_path) - 1);
  g_library_path[sizeof(g_library_path) - 1] = '\0';
}

void FindLibraryPath() {
  Dl_info info;
  std::memset(&info, 0, sizeof(info));
  if (dladdr(reinterpret_cast<void*>(&FindLibraryPath), &info) != 0)
    StoreLibraryPath(info.dli_fname);
}

__attribute__((constructor)) void OnLibraryLoad() {
  FLAGS_alsologtostderr = true;
  FLAGS_colorlogtostderr = true;

  FindLibraryPath();
  // A host program that set glog up itself keeps its own initialisation.
  if (!google::IsGoogleLoggingInitialized()) {
    google::InitGoogleLogging(g_library_path[0] ? g_library_path : "marrow_qrv");
    g_initialised_logging = true;
  }
  if (!g_library_path[0]) return;

  // An exception cannot leave a loader callback without ending the host
  // process, so a failing status query is logged and the default log
  // folder kept.
  try {
    const std::string directory = PrepareLogDirectory(g_library_path);
    FLAGS_log_dir = directory;
    LogDirectory() = directory;
  } catch (const fs::filesystem_error& error) {
    LOG(ERROR) << "log folder not usable: " << error.what();
  }
}

__attribute__((destructor)) void OnLibraryUnload() {
  if (g_initialised_logging) {
    google::ShutdownGoogleLogging();
    g_initialised_logging = false;
  }
}

}  // namespace

std::string GetLibraryPath() { return g_library_path; }

std::string GetLogDirectory() { return LogDirectory(); }

std::string PrepareLogDirectory(const std::string& library_path) {
  // Plain text after the parent folder: no separator logic.
  const std::string directory = fs::path(library_path).parent_path().native() + "/log";
  std::error_code ec;
  const fs::file_status status = fs::status(directory, ec);
  if (ec && status.type() != fs::file_type::not_found)
    throw fs::filesystem_error("status", fs::path(directory), ec);
  if (!fs::is_directory(status)) {
    // An existing folder counts as success; other failures leave glog to
    // cope with an unwritable folder.
    std::error_code create_ec;
    fs::create_directory(directory, create_ec);
  }
  return directory;
}

}  // namespace qrv
}  // namespace marrow
