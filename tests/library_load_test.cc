// The load step's log folder: beside the library file, created once and
// reused, and a folder whose status cannot be read is an error.
#include <glog/logging.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "qrv_library_load.h"

namespace {

namespace fs = std::filesystem;

class LibraryLoadTest : public testing::Test {
 protected:
  LibraryLoadTest() {
    root_ =
        fs::temp_directory_path() / ("marrow_load_" + std::to_string(::getpid()) + "_" +
                                     testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(root_);
    fs::create_directories(root_ / "bin");
  }
  ~LibraryLoadTest() override {
    std::error_code ec;
    fs::permissions(root_ / "locked", fs::perms::owner_all, ec);
    fs::remove_all(root_, ec);
  }
  fs::path root_;
};

TEST_F(LibraryLoadTest, LogFolderLiesBesideTheLoadedLibrary) {
  const fs::path library = marrow::qrv::GetLibraryPath();
  ASSERT_FALSE(library.empty());
  EXPECT_TRUE(library.is_absolute());
  EXPECT_EQ(library.filename().string().rfind("libmarrow_qrv.so", 0), 0u) << library;
  EXPECT_EQ(marrow::qrv::GetLogDirectory(), library.parent_path().string() + "/log");
  EXPECT_TRUE(fs::is_directory(library.parent_path() / "log"));
}

TEST_F(LibraryLoadTest, FolderIsCreatedOnceAndThenReused) {
  const std::string library = (root_ / "bin" / "libfake.so").string();
  const std::string folder = marrow::qrv::PrepareLogDirectory(library);
  EXPECT_EQ(folder, (root_ / "bin").string() + "/log");
  ASSERT_TRUE(fs::is_directory(folder));
  std::ofstream(folder + "/kept.log") << "x";
  EXPECT_EQ(marrow::qrv::PrepareLogDirectory(library), folder);
  EXPECT_TRUE(fs::exists(folder + "/kept.log"));
}

TEST_F(LibraryLoadTest, CreationFailuresAreLeftToTheLogger) {
  // A missing parent folder and a file in the folder's place.
  const std::string missing = (root_ / "gone" / "lib.so").string();
  EXPECT_EQ(marrow::qrv::PrepareLogDirectory(missing), (root_ / "gone").string() + "/log");
  EXPECT_FALSE(fs::exists(root_ / "gone"));
  std::ofstream(root_ / "bin" / "log") << "not a folder";
  EXPECT_NO_THROW(marrow::qrv::PrepareLogDirectory((root_ / "bin" / "lib.so").string()));
  EXPECT_TRUE(fs::is_regular_file(root_ / "bin" / "log"));
}

// The folder's status fails as "status" with the system's reason.
void ExpectStatusError(const fs::path& library, std::errc reason) {
  try {
    marrow::qrv::PrepareLogDirectory(library.string());
    ADD_FAILURE() << "no error for " << library;
  } catch (const fs::filesystem_error& error) {
    EXPECT_EQ(error.code(), reason);
    EXPECT_NE(std::string(error.what()).find("status"), std::string::npos) << error.what();
  }
}

TEST_F(LibraryLoadTest, UnreadableStatusIsAFileSystemError) {
  fs::create_directory_symlink(root_ / "loop", root_ / "loop");
  ExpectStatusError(root_ / "loop" / "lib.so", std::errc::too_many_symbolic_link_levels);

  fs::create_directories(root_ / "locked" / "bin");
  fs::permissions(root_ / "locked", fs::perms::none);
  if (::geteuid() == 0) GTEST_SKIP() << "root reads any folder's status";
  ExpectStatusError(root_ / "locked" / "bin" / "lib.so", std::errc::permission_denied);
}

// The load step copies every line to standard error, coloured, whatever the
// environment asked for.
TEST(LibraryLoadFlags, LinesGoColouredToStandardError) {
  EXPECT_TRUE(FLAGS_alsologtostderr);
  EXPECT_TRUE(FLAGS_colorlogtostderr);
}

}  // namespace
