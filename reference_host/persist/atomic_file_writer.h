// Writes a file whole or not at all. The text goes to a fresh temporary file
// beside the target (".NAME.tmp-XXXXXX", made by mkostemp, so no two writers
// share one and no file of the user's is touched), is synced, and is renamed
// over the target; then the folder is synced. Readers see the old file or the
// whole new one, and a save that is cut short by an error, by SIGINT, SIGTERM
// or SIGHUP, or by a destructor leaves no temporary file behind (only
// SIGKILL or a crash can; such a ".NAME.tmp-*" file is safe to delete).
//
// Only regular files are replaced: a directory, FIFO, device or socket is
// refused, so "-o /dev/null" as root cannot destroy the device. A symbolic
// link is written through: its final target is replaced and the link stays;
// a link to nothing is refused. A replaced file keeps its permission bits
// (and its owner and group where the process may set them); a new file gets
// 0666 less the umask. Two concurrent writers of one file each commit a
// whole text and the last rename wins. Hard links to the old file keep the
// old text, since the name is replaced, not the file's contents.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

namespace reference_host {

class AtomicFileWriter {
 public:
  explicit AtomicFileWriter(std::string path);
  ~AtomicFileWriter();  // discards what was not committed
  AtomicFileWriter(const AtomicFileWriter&) = delete;
  AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

  // Each returns false with "PATH: why" in |error| (may be null) and then
  // leaves nothing behind. Call Open, Write any number of times, Commit.
  bool Open(std::string* error);
  // |progress|, when set, hears the bytes of |text| written so far and
  // the size of |text|, every few megabytes.
  bool Write(const std::string& text, std::string* error,
             const std::function<void(size_t, size_t)>& progress = {});
  // Appends |size| bytes at |bytes|.
  bool Write(const char* bytes, size_t size, std::string* error);
  bool Commit(std::string* error);
  // Removes the temporary file; the target is untouched. Safe to repeat.
  void Discard();

  // The file that will be replaced (through symbolic links); set by Open.
  const std::string& target() const { return target_; }
  // The temporary file while one is open, else "".
  const std::string& temporary() const { return temporary_; }

 private:
  bool Fail(const std::string& what, std::string* error);

  const std::string path_;
  std::string target_;
  std::string temporary_;
  int fd_ = -1;
  int slot_ = -1;  // this writer's entry in the signal clean-up list
  bool handlers_held_ = false;
};

// Whether |path| may be saved to: absent (in an existing folder or not, the
// save will tell), or a regular file, also behind symbolic links. False with
// "PATH: why" in |error| otherwise. Commands check early with it; a save
// checks again.
bool CheckSaveTarget(const std::string& path, std::string* error);

// Open, Write and Commit in one call.
bool WriteFileAtomically(const std::string& path, const std::string& text, std::string* error);

}  // namespace reference_host
