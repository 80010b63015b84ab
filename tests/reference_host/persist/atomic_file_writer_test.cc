// Saves that cannot hurt: whole or nothing, only over regular files, through
// symbolic links, with the old permissions, and no temporary file left
// behind by a failure, an abandoned writer or a signal.
#include "reference_host/persist/atomic_file_writer.h"

#include <signal.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "tests/support/test_support.h"

namespace {

namespace fs = std::filesystem;
using reference_host::AtomicFileWriter;
using reference_host::WriteFileAtomically;
using testing::ElementsAre;
using testing::StartsWith;

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void WriteAll(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

mode_t ModeOf(const std::string& path) {
  struct stat status {};
  lstat(path.c_str(), &status);
  return status.st_mode;
}

// A fresh folder per test, so that "nothing else is left" can be checked.
class AtomicFileWriterTest : public testing::Test {
 protected:
  void SetUp() override {
    std::string name = testing::TempDir() + "atomic_file_writer_XXXXXX";
    ASSERT_NE(mkdtemp(&name[0]), nullptr);
    folder_ = name;
  }
  void TearDown() override { fs::remove_all(folder_); }

  std::string Path(const std::string& name) const { return folder_ + "/" + name; }
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder_))
      names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  std::string folder_;
};

TEST_F(AtomicFileWriterTest, ReplacesTheFileWholeAndLeavesOtherFilesAlone) {
  WriteAll(Path("out.json"), "old");
  WriteAll(Path("out.json.tmp"), "the user's own");
  std::string error;
  ASSERT_TRUE(WriteFileAtomically(Path("out.json"), "new", &error)) << error;
  EXPECT_EQ(ReadAll(Path("out.json")), "new");
  EXPECT_EQ(ReadAll(Path("out.json.tmp")), "the user's own");
  EXPECT_THAT(Names(), ElementsAre("out.json", "out.json.tmp"));

  ASSERT_TRUE(WriteFileAtomically(Path("fresh.json"), "", &error)) << error;
  EXPECT_EQ(ReadAll(Path("fresh.json")), "");
}

TEST_F(AtomicFileWriterTest, KeepsPermissionsOfTheReplacedFileAndGivesNewOnesTheUmask) {
  WriteAll(Path("kept.json"), "old");
  chmod(Path("kept.json").c_str(), 0640);
  std::string error;
  ASSERT_TRUE(WriteFileAtomically(Path("kept.json"), "new", &error)) << error;
  EXPECT_EQ(ModeOf(Path("kept.json")) & 07777, 0640u);

  const mode_t mask = umask(027);
  ASSERT_TRUE(WriteFileAtomically(Path("new.json"), "new", &error)) << error;
  umask(mask);
  EXPECT_EQ(ModeOf(Path("new.json")) & 07777, 0640u);
}

TEST_F(AtomicFileWriterTest, RefusesWhatIsNotARegularFileAndLeavesItAsItWas) {
  ASSERT_EQ(mkdir(Path("folder").c_str(), 0755), 0);
  ASSERT_EQ(mkfifo(Path("fifo").c_str(), 0644), 0);
  const int listener = socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const std::string socket_path = Path("socket");
  ASSERT_LT(socket_path.size(), sizeof address.sun_path);
  std::strcpy(address.sun_path, socket_path.c_str());
  ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  // A device of our own where we may make one, so that a fault cannot
  // touch the real /dev/null; else the real one, which only root could harm.
  std::string device = Path("null");
  if (mknod(device.c_str(), S_IFCHR | 0666, makedev(1, 3)) != 0) {
    ASSERT_NE(geteuid(), 0u) << "root must be able to make a device to test with";
    device = "/dev/null";
  }

  const std::pair<std::string, std::string> cases[] = {
      {Path("folder"), "a directory"}, {Path("fifo"), "a FIFO"},         {socket_path, "a socket"},
      {device, "a character device"},  {Path("folder/"), "a directory"},
  };
  for (const auto& [path, kind] : cases) {
    std::string error, checked;
    EXPECT_FALSE(reference_host::CheckSaveTarget(path, &checked));
    EXPECT_FALSE(WriteFileAtomically(path, "text", &error));
    const std::string expected =
        path + ": is " + kind + ", not a regular file; a save replaces only regular files";
    EXPECT_EQ(error, expected);
    EXPECT_EQ(checked, expected);
  }
  close(listener);
  EXPECT_TRUE(S_ISDIR(ModeOf(Path("folder"))));
  EXPECT_TRUE(S_ISFIFO(ModeOf(Path("fifo"))));
  EXPECT_TRUE(S_ISSOCK(ModeOf(socket_path)));
  EXPECT_TRUE(S_ISCHR(ModeOf(device)));
  EXPECT_EQ(Names().size(), device == "/dev/null" ? 3u : 4u) << "a temporary file was left";
}

TEST_F(AtomicFileWriterTest, WritesThroughASymbolicLinkAndRefusesALinkToNothing) {
  ASSERT_EQ(mkdir(Path("real").c_str(), 0755), 0);
  WriteAll(Path("real/doc.json"), "old");
  ASSERT_EQ(symlink("real/doc.json", Path("link.json").c_str()), 0);
  ASSERT_EQ(symlink("link.json", Path("link-to-link.json").c_str()), 0);
  std::string error;
  ASSERT_TRUE(WriteFileAtomically(Path("link-to-link.json"), "new", &error)) << error;
  EXPECT_TRUE(S_ISLNK(ModeOf(Path("link.json"))));
  EXPECT_TRUE(S_ISLNK(ModeOf(Path("link-to-link.json"))));
  EXPECT_EQ(ReadAll(Path("real/doc.json")), "new");

  ASSERT_EQ(symlink("missing.json", Path("dangling.json").c_str()), 0);
  EXPECT_FALSE(WriteFileAtomically(Path("dangling.json"), "new", &error));
  EXPECT_EQ(error,
            Path("dangling.json") + ": a symbolic link to a missing file; nothing was written");
  ASSERT_EQ(symlink("real", Path("folder-link").c_str()), 0);
  EXPECT_FALSE(WriteFileAtomically(Path("folder-link"), "new", &error));
  EXPECT_THAT(error, testing::HasSubstr(": is a directory, not a regular file"));
  EXPECT_THAT(Names(), ElementsAre("dangling.json", "folder-link", "link-to-link.json", "link.json",
                                   "real"));
}

TEST_F(AtomicFileWriterTest, AFailedOrAbandonedWriteLeavesTheTargetAndNoTemporaryFile) {
  WriteAll(Path("out.json"), "old");
  std::string error;
  {
    AtomicFileWriter writer(Path("out.json"));
    ASSERT_TRUE(writer.Open(&error)) << error;
    EXPECT_THAT(writer.temporary(), StartsWith(Path(".out.json.tmp-")));
    ASSERT_TRUE(writer.Write("abandoned", &error)) << error;
    EXPECT_EQ(Names().size(), 2u);
  }
  EXPECT_THAT(Names(), ElementsAre("out.json"));

  // Files may grow only to 4 bytes: the write fails part way.
  rlimit limit{};
  getrlimit(RLIMIT_FSIZE, &limit);
  const rlimit saved = limit;
  limit.rlim_cur = 4;
  void (*previous)(int) = signal(SIGXFSZ, SIG_IGN);
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
  const bool written = WriteFileAtomically(Path("out.json"), std::string(1 << 16, 'x'), &error);
  setrlimit(RLIMIT_FSIZE, &saved);
  signal(SIGXFSZ, previous);
  EXPECT_FALSE(written);
  EXPECT_THAT(error, StartsWith(Path("out.json") + ": cannot write " + Path(".out.json.tmp-")));
  EXPECT_THAT(error, testing::EndsWith(": File too large"));
  EXPECT_EQ(ReadAll(Path("out.json")), "old");
  EXPECT_THAT(Names(), ElementsAre("out.json"));

  EXPECT_FALSE(WriteFileAtomically(Path("no/such/folder.json"), "new", &error));
  EXPECT_EQ(error, Path("no/such/folder.json") +
                       ": cannot create a temporary file beside it: No such file or directory");
  EXPECT_FALSE(WriteFileAtomically("", "new", &error));
  EXPECT_EQ(error, ": no file name");
}

TEST_F(AtomicFileWriterTest, ConcurrentWritersNeverShareATemporaryFileAndTheLastRenameWins) {
  std::string error;
  AtomicFileWriter first(Path("out.json")), second(Path("out.json"));
  ASSERT_TRUE(first.Open(&error)) << error;
  ASSERT_TRUE(second.Open(&error)) << error;
  EXPECT_NE(first.temporary(), second.temporary());
  ASSERT_TRUE(first.Write("first", &error) && second.Write("second", &error)) << error;
  ASSERT_TRUE(first.Commit(&error)) << error;
  EXPECT_EQ(ReadAll(Path("out.json")), "first");
  ASSERT_TRUE(second.Commit(&error)) << error;
  EXPECT_EQ(ReadAll(Path("out.json")), "second");
  EXPECT_THAT(Names(), ElementsAre("out.json"));
}

TEST_F(AtomicFileWriterTest, ALongNameStillGetsATemporaryFileBesideIt) {
  const std::string name = std::string(250, 'n') + ".json";
  std::string error;
  ASSERT_TRUE(WriteFileAtomically(Path(name), "new", &error)) << error;
  EXPECT_THAT(Names(), ElementsAre(name));
}

using AtomicFileWriterDeathTest = AtomicFileWriterTest;

TEST_F(AtomicFileWriterDeathTest, ASignalDuringTheSaveRemovesTheTemporaryFile) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  WriteAll(Path("out.json"), "old");
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
    EXPECT_EXIT(
        {
          // A run started in the background inherits SIGINT ignored, and the
          // writer rightly leaves an ignored signal ignored.
          ::signal(signal, SIG_DFL);
          AtomicFileWriter writer(Path("out.json"));
          std::string error;
          if (writer.Open(&error) && writer.Write("half", &error)) raise(signal);
          std::_Exit(0);
        },
        testing::KilledBySignal(signal), "");
    EXPECT_EQ(ReadAll(Path("out.json")), "old");
    EXPECT_THAT(Names(), ElementsAre("out.json"));
  }
}

TEST_F(AtomicFileWriterTest, LeavesAnIgnoredSignalIgnoredAndRestoresHandlersAfterwards) {
  void (*previous)(int) = signal(SIGHUP, SIG_IGN);
  AtomicFileWriter writer(Path("out.json"));
  std::string error;
  ASSERT_TRUE(writer.Open(&error)) << error;
  raise(SIGHUP);  // as under nohup: the save goes on
  ASSERT_TRUE(writer.Write("new", &error) && writer.Commit(&error)) << error;
  EXPECT_EQ(ReadAll(Path("out.json")), "new");
  EXPECT_EQ(signal(SIGHUP, previous), SIG_IGN);

  struct sigaction before {
  }, after{};
  sigaction(SIGTERM, nullptr, &before);
  ASSERT_TRUE(WriteFileAtomically(Path("out.json"), "again", &error)) << error;
  sigaction(SIGTERM, nullptr, &after);
  EXPECT_EQ(after.sa_handler, before.sa_handler);
}

}  // namespace
