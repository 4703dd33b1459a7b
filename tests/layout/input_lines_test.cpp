#include <gtest/gtest.h>

#include <string>

#include "layout/input_lines.hpp"
#include "layout/run_error.hpp"
#include "layout/text_edit.hpp"
#include "support/test_support.hpp"

namespace vorn {
namespace {

TEST(InputLines, CommentsAndBlankRecordsAreSkippedOnlyFromColumnOne) {
  test::MemoryRun run;
  RecordFile f;
  f.open_text("! comment\n\n   \nVERBOSE 4 ! not a comment\r\n !INPUT x\n");
  std::string line;
  ASSERT_FALSE(readinputline(f, line));
  EXPECT_EQ(line.size(), 255u);
  EXPECT_EQ(rtrim(line), "VERBOSE 4 ! not a comment");
  ASSERT_FALSE(readinputline(f, line));
  EXPECT_EQ(rtrim(line), " !INPUT x");
  EXPECT_TRUE(readinputline(f, line));
}

TEST(InputLines, ContinuedRecordsJoinWithOneBlankAfterTheBackslash) {
  test::MemoryRun run;
  RecordFile f;
  f.open_text("FRAG 1 1 -25   \\\n! between\n\n2 26 -50\nNEXT\n");
  std::string line;
  ASSERT_FALSE(readinputline(f, line));
  EXPECT_EQ(rtrim(line), "FRAG 1 1 -25   \\ 2 26 -50");
  ASSERT_FALSE(readinputline(f, line));
  EXPECT_EQ(rtrim(line), "NEXT");
}

TEST(InputLines, EndOfFileInsideAContinuationDropsThePartialLine) {
  test::MemoryRun run;
  RecordFile f;
  f.open_text("FRAG 1 \\\n! only a comment follows\n");
  std::string line;
  EXPECT_TRUE(readinputline(f, line));
}

TEST(InputLines, LongRecordsAreCutAndLongContinuationsStop) {
  test::MemoryRun run;
  RecordFile f;
  f.open_text(std::string(300, 'x') + "\n");
  std::string line;
  ASSERT_FALSE(readinputline(f, line));
  EXPECT_EQ(line, std::string(255, 'x'));

  // 100 + 1 + 154 columns fit exactly; one more continued record does not.
  const std::string a = std::string(99, 'a') + "\\";
  const std::string b = std::string(100, 'b') + "\\";
  f.open_text(a + "\n" + std::string(154, 'c') + "\n");
  ASSERT_FALSE(readinputline(f, line));
  EXPECT_EQ(line.substr(98, 4), "a\\ c");
  EXPECT_EQ(line.back(), 'c');

  f.open_text(a + "\n" + b + "\n" + b + "\nz\n");
  EXPECT_THROW(run.as_driver([&] { readinputline(f, line); }), RunError);
  EXPECT_EQ(run.term.str(), "\n ERROR *** ReadInputLine *** Line exceeds limit of 255 characters\n\n");
}

}  // namespace
}  // namespace vorn
