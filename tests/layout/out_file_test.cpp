#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "layout/out_file.hpp"
#include "layout/output_set.hpp"
#include "layout/run_error.hpp"
#include "support/test_support.hpp"

namespace vorn {
namespace {

namespace fs = std::filesystem;
using test::ScratchDir;

TEST(OutFile, WrittenUnderATemporaryNameUntilClosed) {
  ScratchDir dir;
  dir.write("xd_vorn.mas", "OLD\n");
  OutFile f;
  ASSERT_TRUE(f.open(dir.file("xd_vorn.mas")));
  f.os() << "NEW\n";
  EXPECT_EQ(dir.read("xd_vorn.mas"), "OLD\n");
  EXPECT_TRUE(dir.exists("xd_vorn.mas.vorn-part"));
  EXPECT_TRUE(f.close());
  EXPECT_FALSE(f.failed());
  EXPECT_EQ(dir.read("xd_vorn.mas"), "NEW\n");
  EXPECT_FALSE(dir.exists("xd_vorn.mas.vorn-part"));
}

TEST(OutFile, AbandonedFileLeavesTheOlderOne) {
  ScratchDir dir;
  dir.write("vorn.spf", "COMPLETE OLD FILE\n");
  OutFile f;
  ASSERT_TRUE(f.open(dir.file("vorn.spf")));
  f.os() << "HALF";
  EXPECT_TRUE(f.abandon());
  EXPECT_EQ(dir.read("vorn.spf"), "COMPLETE OLD FILE\n");
  EXPECT_FALSE(dir.exists("vorn.spf.vorn-part"));
  // Nothing left to drop the second time, and a new file stays away.
  EXPECT_FALSE(f.abandon());
  OutFile g;
  ASSERT_TRUE(g.open(dir.file("new.ang")));
  EXPECT_TRUE(g.abandon());
  EXPECT_FALSE(dir.exists("new.ang"));
}

TEST(OutFile, CloseReportsAFileThatCannotBePutInPlace) {
  ScratchDir dir;
  fs::create_directory(dir.file("vorn.ang"));
  dir.write("vorn.ang/inside", "x");
  OutFile f;
  ASSERT_TRUE(f.open(dir.file("vorn.ang")));
  f.os() << "ATOM C(1) 0 0 0\n";
  EXPECT_FALSE(f.close());
  EXPECT_TRUE(f.failed());
  EXPECT_TRUE(fs::is_directory(dir.file("vorn.ang")));
  EXPECT_EQ(dir.read("vorn.ang/inside"), "x");
  EXPECT_FALSE(dir.exists("vorn.ang.vorn-part"));
  // Closing again changes nothing; reopening clears the failure.
  EXPECT_TRUE(f.close());
  EXPECT_TRUE(f.failed());
  ASSERT_TRUE(f.open(dir.file("other.ang")));
  EXPECT_FALSE(f.failed());
  EXPECT_TRUE(f.close());
}

TEST(OutFile, LeftoverTemporaryLinkIsReplacedNotFollowed) {
  ScratchDir outside, dir;
  outside.write("precious.txt", "KEEP\n");
  fs::create_symlink(outside.file("precious.txt"), dir.file("vorn.spf.vorn-part"));
  OutFile f;
  ASSERT_TRUE(f.open(dir.file("vorn.spf")));
  f.os() << "PLOT\n";
  EXPECT_TRUE(f.close());
  EXPECT_EQ(outside.read("precious.txt"), "KEEP\n");
  EXPECT_EQ(dir.read("vorn.spf"), "PLOT\n");
}

TEST(OutFile, TheLogIsWrittenAsTheRunGoes) {
  ScratchDir dir;
  OutFile log;
  ASSERT_TRUE(log.open(dir.file("vorn.out"), true));
  log.os() << "step 1\n" << std::flush;
  EXPECT_EQ(dir.read("vorn.out"), "step 1\n");
  EXPECT_FALSE(log.abandon());   // nothing is dropped: the log shows how far the run got
  EXPECT_EQ(dir.read("vorn.out"), "step 1\n");
}

// A file is created afresh: a link in its place is replaced, not followed.
TEST(OutFile, CreatedAfreshNeverThroughALink) {
  ScratchDir outside, dir;
  outside.write("precious.txt", "KEEP\n");
  fs::create_symlink(outside.file("precious.txt"), dir.file("vorn.out"));
  OutFile log;
  ASSERT_TRUE(log.open(dir.file("vorn.out"), true));
  log.os() << "LOG\n";
  EXPECT_TRUE(log.close());
  EXPECT_EQ(outside.read("precious.txt"), "KEEP\n");
  EXPECT_FALSE(fs::is_symlink(dir.file("vorn.out")));
  EXPECT_EQ(dir.read("vorn.out"), "LOG\n");
}

TEST(OutFile, CannotBeCreatedInAMissingDirectory) {
  ScratchDir dir;
  OutFile f;
  EXPECT_FALSE(f.open(dir.file("no/such/dir/xd_vorn.mas")));
  EXPECT_FALSE(f.is_open());
  f.os() << "swallowed";   // an unopened file takes writes quietly
  EXPECT_TRUE(f.close());
}

// A set whose move into place a killed run left half done is finished
// before a newer set moves in, so that the newer set is in place whole.
TEST(OutputSet, ANewerSetReplacesAHalfMovedOneWhole) {
  ScratchDir dir;
  const pid_t dead = fork();
  if (dead == 0) _exit(0);
  waitpid(dead, nullptr, 0);
  const std::string half = dir.file(".vorn-done-" + std::to_string(dead) + "-abcdef");
  fs::create_directory(half);
  for (const char* name : {"a.ang", "b.ang"}) {
    dir.write(name, "OLDEST\n");
    fs::copy_file(dir.file(name), half + "/" + name);
  }
  OutputSet set;
  ASSERT_TRUE(set.begin({"a.ang", "b.ang"}, dir.path()));
  // The killed run's set is finished when this run begins...
  EXPECT_FALSE(fs::exists(half));
  // ...and again before it ends, should another have died meanwhile.
  fs::create_directory(half);
  dir.write(half.substr(dir.path().size() + 1) + "/b.ang", "KILLED\n");
  for (const char* name : {"a.ang", "b.ang"}) {
    OutFile f;
    ASSERT_TRUE(set.open(f, name));
    f.os() << "NEW\n";
    ASSERT_TRUE(f.close());
  }
  set.commit();
  EXPECT_EQ(dir.read("a.ang"), "NEW\n");
  EXPECT_EQ(dir.read("b.ang"), "NEW\n");
  for (const auto& e : fs::directory_iterator(dir.path())) EXPECT_NE(e.path().filename().string()[0], '.') << e.path();
}


// The last guard before a set lands: a file that shows NaN or an infinity
// stops the commit, naming it and the line, and nothing moves.
TEST(OutputSet, ANumberThatIsNoneNeverLands) {
  const std::pair<const char*, bool> texts[] = {
      {"A  1.000\nB     NaN\n", true}, {"X   -Inf 2.0\n", true}, {"C 0.5*******\n", false},
      {"Information\nNaNa\n", false}, {"1.0 inf\n", true},
  };
  for (const auto& [text, stops] : texts) {
    ScratchDir dir;
    OutputSet set;
    ASSERT_TRUE(set.begin({"a.ang"}, dir.path()));
    OutFile f;
    ASSERT_TRUE(set.open(f, "a.ang"));
    f.os() << text;
    ASSERT_TRUE(f.close());
    if (stops) {
      EXPECT_THROW(set.commit(), RunError) << text;
      EXPECT_FALSE(fs::exists(dir.file("a.ang"))) << text;
    } else {
      set.commit();
      EXPECT_EQ(dir.read("a.ang"), text);
    }
  }
}

}  // namespace
}  // namespace vorn
