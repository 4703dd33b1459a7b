// The line tokeniser: separates the keywords of a line (words that do not
// read as numbers) from its numbers, which stay in place so that a
// free-form read of the line delivers exactly the numbers in order.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "layout/text.hpp"
#include "layout/line_limits.hpp"

namespace vorn {


// The keywords of one tokenised line, each with whether it was starred
// (*keyword).
struct LineExtract {
  int count = 0;
  std::array<bool, kMaxKeywords> starred_flags{};
  std::array<Text<8>, kMaxKeywords> words{};
  // Keyword k (1-based); blank beyond count.
  const Text<8>& keyword(int k) const;
  bool starred(int k) const;
};

// Tokenises the line (a blank-padded buffer) in place: fills `ex` and blanks
// the keywords out of the line.  Keywords beyond the 40 of the record are
// still blanked out but not stored.
void readline(std::string& line, LineExtract& ex);

// Number of words: columns i in 1..n-1 that are non-blank and followed by
// a blank.
int count_words(std::string_view line);

// First and last column (1-based) of word iw, by the same word ends as
// count_words.  Returns false when the word does not exist (the caller stops
// with "ReadChar" / "Unexpected STOP in ReadChar...").
bool find_word(std::string_view line, int iw, int& istart, int& iend);

// find_word for callers that need the word: a missing word stops the run
// with "ReadChar" / "Unexpected STOP in ReadChar...".
void find_word_or_stop(std::string_view line, int iw, int& istart, int& iend);

// Word iw of the line as text; empty when it does not exist.
std::string word(std::string_view line, int iw);

}  // namespace vorn
