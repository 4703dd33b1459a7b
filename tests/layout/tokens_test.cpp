#include <gtest/gtest.h>

#include <string>

#include "layout/run_error.hpp"
#include "layout/tokens.hpp"
#include "layout/layout.hpp"
#include "support/test_support.hpp"

namespace vorn {
namespace {

std::string buffer(const std::string& s, std::size_t n = 255) {
  std::string b = s;
  b.resize(n, ' ');
  return b;
}

TEST(Tokeniser, KeywordsAreBlankedAndNumbersStayInPlace) {
  LineExtract ex;
  std::string line = buffer("TOLS bond 0.4 ring 0.1 group 0.1");
  readline(line, ex);
  ASSERT_EQ(ex.count, 4);
  EXPECT_EQ(ex.words[0], "TOLS");
  EXPECT_EQ(ex.words[1], "BOND");
  EXPECT_EQ(ex.words[2], "RING");
  EXPECT_EQ(ex.words[3], "GROUP");
  for (int k = 0; k < 4; ++k) EXPECT_FALSE(ex.starred_flags[static_cast<std::size_t>(k)]);
  // The numbers keep their columns.
  EXPECT_EQ(line.substr(0, 32), "          0.4      0.1       0.1");
  double v[3];
  ASSERT_TRUE(layout::read_reals(line, v));
  EXPECT_FLOAT_EQ(v[0], 0.4);
  EXPECT_FLOAT_EQ(v[1], 0.1);
  EXPECT_FLOAT_EQ(v[2], 0.1);
  EXPECT_EQ(layout::count_values(line), 3);
}

TEST(Tokeniser, StarMarksAChoiceAndIsNotPartOfTheKeyword) {
  LineExtract ex;
  std::string line = buffer("FORMAT  *shelx xd");
  readline(line, ex);
  ASSERT_EQ(ex.count, 3);
  EXPECT_EQ(ex.words[1], "SHELX");
  EXPECT_EQ(ex.words[2], "XD");
  EXPECT_FALSE(ex.starred_flags[0]);
  EXPECT_TRUE(ex.starred_flags[1]);
  EXPECT_FALSE(ex.starred_flags[2]);
  EXPECT_TRUE(ex.starred(2));
  EXPECT_FALSE(ex.starred(3));
  EXPECT_EQ(line, std::string(255, ' '));
}

TEST(Tokeniser, WordsThatLookNumericButDoNotReadAreKeywords) {
  LineExtract ex;
  std::string line = buffer("BASIS 3-21g 1a -25 0. EXTEND_HYDROGEN shelx.res 1.5e-2");
  readline(line, ex);
  ASSERT_EQ(ex.count, 5);
  EXPECT_EQ(ex.words[1], "3-21G");
  EXPECT_EQ(ex.words[2], "1A");
  EXPECT_EQ(ex.words[3], "EXTEND_H");   // cut to 8 characters
  EXPECT_EQ(ex.words[4], "SHELX.RE");
  double v[3];
  ASSERT_TRUE(layout::read_reals(line, v));
  EXPECT_EQ(v[0], -25.0);
  EXPECT_EQ(v[1], 0.0);
  EXPECT_DOUBLE_EQ(v[2], 0.015);
  // Whole 8-character comparison: SHELXL is not SHELX.
  line = buffer("FORMAT *shelxl");
  readline(line, ex);
  EXPECT_FALSE(ex.words[1] == "SHELX");
}

TEST(Tokeniser, EachLineStartsAFreshRecord) {
  LineExtract ex;
  std::string line = buffer("A *B C D E");
  readline(line, ex);
  ASSERT_EQ(ex.count, 5);
  line = buffer("VERBOSE 4");
  readline(line, ex);
  EXPECT_EQ(ex.count, 1);
  EXPECT_FALSE(ex.starred_flags[1]);
  EXPECT_EQ(ex.words[1], "");
  EXPECT_EQ(ex.keyword(2), "");
}

TEST(Tokeniser, AWordEndingInTheLastColumnIsNotSeen) {
  std::string line = buffer("", 20);
  line.replace(15, 5, "LASTW");   // columns 16..20
  line.replace(0, 4, "ONE ");
  EXPECT_EQ(count_words(line), 1);
  LineExtract ex;
  readline(line, ex);
  EXPECT_EQ(ex.count, 1);
  EXPECT_EQ(line.substr(15), "LASTW");   // not blanked, not a keyword
  EXPECT_EQ(count_words("A"), 0);
  EXPECT_EQ(count_words(" a b  c  "), 3);
}

TEST(Tokeniser, ContinuationBackslashIsAKeywordOfItsOwn) {
  LineExtract ex;
  std::string line = buffer("FRAG 1 1 -25 \\ 2 26 -50");
  readline(line, ex);
  ASSERT_EQ(ex.count, 2);
  EXPECT_EQ(ex.words[1], "\\");
  int v[6];
  ASSERT_TRUE(layout::read_ints(line, v));
  EXPECT_EQ(v[2], -25);
  EXPECT_EQ(v[5], -50);
}

TEST(WordLocator, ColumnsOfWordsAndTheStopForAMissingWord) {
  const std::string line = buffer("INPUT   shelx.res   rename 0", 40);
  int a = 0, b = 0;
  ASSERT_TRUE(find_word(line, 2, a, b));
  EXPECT_EQ(a, 9);
  EXPECT_EQ(b, 17);
  ASSERT_TRUE(find_word(line, 1, a, b));
  EXPECT_EQ(a, 1);
  EXPECT_EQ(b, 5);
  EXPECT_EQ(word(line, 4), "0");
  EXPECT_FALSE(find_word(line, 5, a, b));
  EXPECT_FALSE(find_word("x", 1, a, b));

  test::MemoryRun run;
  EXPECT_THROW(run.as_driver([&] { find_word_or_stop(line, 5, a, b); }), RunError);
  EXPECT_EQ(run.term.str(), "\n ERROR *** ReadChar *** Unexpected STOP in ReadChar...\n\n");
  EXPECT_EQ(run.log(), run.term.str());
}

}  // namespace
}  // namespace vorn
