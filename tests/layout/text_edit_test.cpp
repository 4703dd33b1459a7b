#include <gtest/gtest.h>

#include <string>

#include "layout/run_error.hpp"
#include "layout/text_edit.hpp"
#include "support/test_support.hpp"

namespace vorn {
namespace {

TEST(TextColumns, BlankTextsDifferBetweenIlsAndLenstr) {
  const std::string blank(10, ' ');
  EXPECT_EQ(last_nonblank_column_or_length(blank), 10);
  EXPECT_EQ(last_nonblank_column(blank), 0);
  EXPECT_EQ(first_nonblank_column(blank), 0);
  EXPECT_EQ(last_nonblank_column_or_length("  ab c   "), 6);
  EXPECT_EQ(last_nonblank_column("  ab c   "), 6);
  EXPECT_EQ(first_nonblank_column("  ab c   "), 3);
}

TEST(TextCase, OnlyAsciiLettersChange) {
  std::string s = "aZ*9_\xe9q";
  to_upper_case(s);
  EXPECT_EQ(s, "AZ*9_\xe9Q");
  to_lower_case(s);
  EXPECT_EQ(s, "az*9_\xe9q");
}

TEST(LabelEditors, RemoveTheirCharactersAndLeftJustify) {
  EXPECT_EQ(label_before_bracket("H(1)"), "H         ");
  EXPECT_EQ(label_before_bracket("  C12"), "C12       ");
  EXPECT_EQ(label_without_brackets("O(1A)"), "O1A       ");
  EXPECT_EQ(label_without_brackets("C)1(2"), "C12       ");
  EXPECT_EQ(short_dummy_label("DUM12"), "D12       ");
  EXPECT_EQ(short_dummy_label(" N1"), "N1        ");
  // Only the first occurrence goes.
  EXPECT_EQ(short_dummy_label("UMUM1"), "UM1       ");
  // "UM" starting in column 10 is not searched.
  EXPECT_EQ(short_dummy_label("ABCDEFGHIU"), "ABCDEFGHIU");
}

TEST(BlankRemover, PacksLeftAndKeepsTheLength) {
  std::string s = " a b  c ";
  remove_blanks(s);
  EXPECT_EQ(s, "abc     ");
  test::MemoryRun run;
  std::string fits(256, 'x');
  remove_blanks(fits);
  EXPECT_EQ(fits, std::string(256, 'x'));
  std::string longer(257, ' ');
  EXPECT_THROW(run.as_driver([&] { remove_blanks(longer); }), RunError);
  EXPECT_NE(run.term.str().find(" ERROR *** RmBlanks *** len(op).gt.len(line)"), std::string::npos);
}

}  // namespace
}  // namespace vorn
