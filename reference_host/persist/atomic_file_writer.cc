#include "reference_host/persist/atomic_file_writer.h"

#include <fcntl.h>
#include <limits.h>
#include <pthread.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <mutex>

namespace reference_host {
namespace {

std::string Reason(int error) { return std::strerror(error); }

// Temporary files a signal must remove. A slot is claimed by one writer;
// only an armed slot names a file that exists. The handler reads the slots
// and nothing else, so it stays async-signal-safe.
enum SlotState : int { kFree, kClaimed, kArmed };
struct PendingSlot {
  std::atomic<int> state{kFree};
  char path[PATH_MAX];
};
static_assert(std::atomic<int>::is_always_lock_free, "the signal handler needs lock-free slots");
PendingSlot g_pending[16];

constexpr int kCleanUpSignals[] = {SIGHUP, SIGINT, SIGTERM};
struct sigaction g_previous[std::size(kCleanUpSignals)];
bool g_installed[std::size(kCleanUpSignals)];
std::mutex g_handlers_lock;
int g_open_writers = 0;

extern "C" void RemovePendingAndReraise(int signal) {
  for (PendingSlot& slot : g_pending)
    if (slot.state.load() == kArmed) {
      unlink(slot.path);
      slot.state.store(kClaimed);
    }
  // The disposition the program had before the save decides what the
  // signal does now: by default, end the program.
  for (size_t i = 0; i < std::size(kCleanUpSignals); ++i)
    if (kCleanUpSignals[i] == signal) sigaction(signal, &g_previous[i], nullptr);
  raise(signal);
}

// Handlers are installed while any writer is open, and not at all for a
// signal the program ignores (nohup keeps working).
void AcquireHandlers() {
  std::lock_guard<std::mutex> hold(g_handlers_lock);
  if (g_open_writers++ > 0) return;
  struct sigaction action {};
  action.sa_handler = RemovePendingAndReraise;
  sigfillset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (size_t i = 0; i < std::size(kCleanUpSignals); ++i) {
    g_installed[i] = false;
    if (sigaction(kCleanUpSignals[i], nullptr, &g_previous[i]) != 0) continue;
    if (!(g_previous[i].sa_flags & SA_SIGINFO) && g_previous[i].sa_handler == SIG_IGN) continue;
    g_installed[i] = sigaction(kCleanUpSignals[i], &action, nullptr) == 0;
  }
}

void ReleaseHandlers() {
  std::lock_guard<std::mutex> hold(g_handlers_lock);
  if (--g_open_writers > 0) return;
  for (size_t i = 0; i < std::size(kCleanUpSignals); ++i)
    if (g_installed[i]) sigaction(kCleanUpSignals[i], &g_previous[i], nullptr);
}

// Keeps the clean-up signals away from this thread while a temporary file
// comes into being or goes, so that a slot and the disk always agree.
class BlockCleanUpSignals {
 public:
  BlockCleanUpSignals() {
    sigset_t set;
    sigemptyset(&set);
    for (int signal : kCleanUpSignals) sigaddset(&set, signal);
    pthread_sigmask(SIG_BLOCK, &set, &saved_);
  }
  ~BlockCleanUpSignals() { pthread_sigmask(SIG_SETMASK, &saved_, nullptr); }
  BlockCleanUpSignals(const BlockCleanUpSignals&) = delete;
  BlockCleanUpSignals& operator=(const BlockCleanUpSignals&) = delete;

 private:
  sigset_t saved_;
};

int ClaimSlot() {
  for (int i = 0; i < static_cast<int>(std::size(g_pending)); ++i) {
    int expected = kFree;
    if (g_pending[i].state.compare_exchange_strong(expected, kClaimed)) return i;
  }
  return -1;  // more open writers than slots: those go without signal clean-up
}

const char* KindOf(mode_t mode) {
  if (S_ISDIR(mode)) return "a directory";
  if (S_ISFIFO(mode)) return "a FIFO";
  if (S_ISCHR(mode)) return "a character device";
  if (S_ISBLK(mode)) return "a block device";
  if (S_ISSOCK(mode)) return "a socket";
  return "not a regular file";
}

struct Target {
  std::string path;  // through symbolic links
  bool exists = false;
  struct stat status {};
};

// Where a save to |path| goes, or false with the reason in |why|.
bool ResolveTarget(const std::string& path, Target* target, std::string* why) {
  if (path.empty()) {
    *why = "no file name";
    return false;
  }
  target->path = path;
  if (lstat(path.c_str(), &target->status) != 0) {
    if (errno == ENOENT) return true;
    *why = "cannot inspect the file: " + Reason(errno);
    return false;
  }
  if (S_ISLNK(target->status.st_mode)) {
    char* resolved = realpath(path.c_str(), nullptr);
    if (!resolved) {
      *why = errno == ENOENT ? std::string("a symbolic link to a missing file; nothing was written")
                             : "cannot follow the symbolic link: " + Reason(errno);
      return false;
    }
    target->path = resolved;
    std::free(resolved);
    if (stat(target->path.c_str(), &target->status) != 0) {
      *why = "cannot inspect " + target->path + ": " + Reason(errno);
      return false;
    }
  }
  if (!S_ISREG(target->status.st_mode)) {
    *why = std::string("is ") + KindOf(target->status.st_mode) +
           ", not a regular file; a save replaces only regular files";
    return false;
  }
  target->exists = true;
  return true;
}

std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// ".NAME.tmp-XXXXXX" beside |path|, with NAME cut short enough to stay a
// valid file name.
std::string TemporaryTemplate(const std::string& path) {
  const size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? "" : path.substr(0, slash + 1);
  const std::string name = path.substr(slash == std::string::npos ? 0 : slash + 1);
  return folder + "." + name.substr(0, 200) + ".tmp-XXXXXX";
}

mode_t CurrentUmask() {
  // Read, not set and reset, where the kernel tells it: umask() would
  // briefly change it for every thread.
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.compare(0, 6, "Umask:") == 0)
      return static_cast<mode_t>(std::strtoul(line.c_str() + 6, nullptr, 8));
  const mode_t mask = umask(022);
  umask(mask);
  return mask;
}

}  // namespace

AtomicFileWriter::AtomicFileWriter(std::string path) : path_(std::move(path)) {}

AtomicFileWriter::~AtomicFileWriter() { Discard(); }

bool AtomicFileWriter::Fail(const std::string& what, std::string* error) {
  if (error) *error = path_ + ": " + what;
  Discard();
  return false;
}

bool AtomicFileWriter::Open(std::string* error) {
  if (fd_ >= 0) {
    if (error) *error = path_ + ": already open";
    return false;
  }
  Target target;
  std::string why;
  if (!ResolveTarget(path_, &target, &why)) return Fail(why, error);
  target_ = target.path;

  std::string name = TemporaryTemplate(target_);
  AcquireHandlers();
  handlers_held_ = true;
  slot_ = name.size() < PATH_MAX ? ClaimSlot() : -1;
  {
    BlockCleanUpSignals blocked;
    fd_ = mkostemp(&name[0], O_CLOEXEC);
    if (fd_ >= 0 && slot_ >= 0) {
      std::memcpy(g_pending[slot_].path, name.c_str(), name.size() + 1);
      g_pending[slot_].state.store(kArmed);
    }
  }
  if (fd_ < 0) return Fail("cannot create a temporary file beside it: " + Reason(errno), error);
  temporary_ = name;

  // Owner and group only where allowed (root, or a group of one's own); the
  // permission bits always.
  if (target.exists && fchown(fd_, target.status.st_uid, target.status.st_gid) != 0 &&
      errno != EPERM)
    return Fail("cannot set the owner of " + temporary_ + ": " + Reason(errno), error);
  const mode_t mode = target.exists ? target.status.st_mode & 07777 : 0666 & ~CurrentUmask();
  if (fchmod(fd_, mode) != 0)
    return Fail("cannot set the permissions of " + temporary_ + ": " + Reason(errno), error);
  return true;
}

bool AtomicFileWriter::Write(const std::string& text, std::string* error,
                             const std::function<void(size_t, size_t)>& progress) {
  if (!progress) return Write(text.data(), text.size(), error);
  // In pieces only so that progress can be told between them.
  const size_t piece = size_t{8} << 20;
  for (size_t done = 0; done < text.size(); done += piece) {
    progress(done, text.size());
    if (!Write(text.data() + done, std::min(piece, text.size() - done), error)) return false;
  }
  progress(text.size(), text.size());
  return true;
}

bool AtomicFileWriter::Write(const char* bytes, size_t size, std::string* error) {
  if (fd_ < 0) return Fail("not open for writing", error);
  size_t done = 0;
  while (done < size) {
    const ssize_t written = ::write(fd_, bytes + done, size - done);
    if (written < 0) {
      if (errno == EINTR) continue;
      return Fail("cannot write " + temporary_ + ": " + Reason(errno), error);
    }
    done += static_cast<size_t>(written);
  }
  return true;
}

bool AtomicFileWriter::Commit(std::string* error) {
  if (fd_ < 0) return Fail("not open for writing", error);
  if (fsync(fd_) != 0) return Fail("cannot sync " + temporary_ + ": " + Reason(errno), error);
  const int fd = fd_;
  fd_ = -1;
  if (close(fd) != 0) return Fail("cannot close " + temporary_ + ": " + Reason(errno), error);

  // The target may have changed since Open; never put a file in place of
  // something else than a regular file.
  struct stat now;
  if (lstat(target_.c_str(), &now) == 0 && !S_ISREG(now.st_mode))
    return Fail(std::string("is now ") + KindOf(now.st_mode) +
                    ", not a regular file; a save replaces only regular files",
                error);
  int rename_error = 0;
  {
    BlockCleanUpSignals blocked;
    if (rename(temporary_.c_str(), target_.c_str()) != 0) {
      rename_error = errno;
    } else {
      temporary_.clear();
      if (slot_ >= 0) g_pending[slot_].state.store(kClaimed);
    }
  }
  if (rename_error) return Fail("cannot replace the file: " + Reason(rename_error), error);
  Discard();  // gives back the slot and the handlers

  // The rename is durable only once the folder is on disk. Some file
  // systems cannot sync a folder (EINVAL); there is nothing more to do.
  const std::string folder = FolderOf(target_);
  const int folder_fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  int sync_error = folder_fd < 0 ? errno : 0;
  if (folder_fd >= 0) {
    if (fsync(folder_fd) != 0) sync_error = errno;
    close(folder_fd);
  }
  if (sync_error && sync_error != EINVAL) {
    if (error)
      *error = path_ + ": written, but its folder " + folder +
               " could not be synced: " + Reason(sync_error);
    return false;
  }
  return true;
}

void AtomicFileWriter::Discard() {
  if (fd_ >= 0) {
    close(fd_);
    fd_ = -1;
  }
  if (!temporary_.empty() || slot_ >= 0) {
    BlockCleanUpSignals blocked;
    // A signal handler that removed the file already leaves the slot claimed.
    if (!temporary_.empty() && (slot_ < 0 || g_pending[slot_].state.load() == kArmed))
      unlink(temporary_.c_str());
    temporary_.clear();
    if (slot_ >= 0) g_pending[slot_].state.store(kFree);
    slot_ = -1;
  }
  if (handlers_held_) {
    handlers_held_ = false;
    ReleaseHandlers();
  }
}

bool CheckSaveTarget(const std::string& path, std::string* error) {
  Target target;
  std::string why;
  if (ResolveTarget(path, &target, &why)) return true;
  if (error) *error = path + ": " + why;
  return false;
}

bool WriteFileAtomically(const std::string& path, const std::string& text, std::string* error) {
  AtomicFileWriter writer(path);
  return writer.Open(error) && writer.Write(text, error) && writer.Commit(error);
}

}  // namespace reference_host
