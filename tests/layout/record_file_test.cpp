#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <string>

#include "layout/record_file.hpp"
#include "support/test_support.hpp"

namespace vorn {
namespace {

namespace fs = std::filesystem;
using test::ScratchDir;

TEST(RecordFile, OnlyRegularFilesOpen) {
  ScratchDir dir;
  RecordFile f;
  EXPECT_FALSE(f.open(dir.file("missing.res")));
  fs::create_directory(dir.file("dir.res"));
  EXPECT_FALSE(f.open(dir.file("dir.res")));
  fs::create_symlink("missing.res", dir.file("dangling.res"));
  EXPECT_FALSE(f.open(dir.file("dangling.res")));
  // A named pipe without a writer would block the open for ever.
  ASSERT_EQ(mkfifo(dir.file("pipe.res").c_str(), 0600), 0);
  const auto t0 = std::chrono::steady_clock::now();
  EXPECT_FALSE(f.open(dir.file("pipe.res")));
  EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(5));
  EXPECT_FALSE(f.is_open());
  // A link to a regular file is that file.
  dir.write("real.res", "TITL x\n");
  fs::create_symlink("real.res", dir.file("link.res"));
  ASSERT_TRUE(f.open(dir.file("link.res")));
  std::string line;
  ASSERT_TRUE(f.next(line, 0));
  EXPECT_EQ(line, "TITL x");
}

TEST(RecordFile, RecordsCutOrPaddedWithCarriageReturnsAndTabsHandled) {
  RecordFile f;
  f.open_text("CELL\t0.71\r\n" + std::string(300, 'x') + "\n\nlast");
  std::string line;
  ASSERT_TRUE(f.next(line, 10));
  EXPECT_EQ(line, "CELL 0.71 ");
  ASSERT_TRUE(f.next(line, 255));
  EXPECT_EQ(line, std::string(255, 'x'));
  ASSERT_TRUE(f.next(line, 4));
  EXPECT_EQ(line, "    ");
  ASSERT_TRUE(f.next(line, 0));
  EXPECT_EQ(line, "last");
  EXPECT_FALSE(f.next(line, 4));
  EXPECT_EQ(line, "last");   // unchanged at the end
  f.backspace();
  ASSERT_TRUE(f.next(line, 0));
  EXPECT_EQ(line, "last");
  f.rewind();
  f.backspace();   // no effect at the start
  EXPECT_EQ(f.position(), 0u);
}

TEST(RecordFile, EmptyFileHasNoRecords) {
  ScratchDir dir;
  dir.write("empty.res", "");
  RecordFile f;
  ASSERT_TRUE(f.open(dir.file("empty.res")));
  std::string line = "unchanged";
  EXPECT_FALSE(f.next(line, 255));
  EXPECT_EQ(f.record_count(), 0u);
}

}  // namespace
}  // namespace vorn
