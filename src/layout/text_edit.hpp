// Case, blank and label helpers on blank-padded texts.
#pragma once

#include <string>
#include <string_view>

namespace vorn {

void to_upper_case(std::string& s);
void to_lower_case(std::string& s);
std::string upcased(std::string_view s);

// Column (1-based) of the last non-blank character; the full length when
// the text is all blank.
int last_nonblank_column_or_length(std::string_view s);
// Column of the first non-blank character; 0 when all blank.
int first_nonblank_column(std::string_view s);
// Column of the last non-blank character; 0 when all blank.
int last_nonblank_column(std::string_view s);

// The text up to its last non-blank character.
std::string_view rtrim(std::string_view s);

// Removes every blank, moving the rest left and blank-padding.  A text
// beyond the 256 characters of a line buffer stops the run with "RmBlanks" /
// "len(op).gt.len(line)".
void remove_blanks(std::string& s);

// Label editors on a 10-character label; each left-justifies its result.
std::string short_dummy_label(std::string_view label);    // DUM1 -> D1
std::string label_before_bracket(std::string_view label);   // C(12) -> C
std::string label_without_brackets(std::string_view label);  // C(12) -> C12

// Cuts or blank-pads to n characters.
std::string padded(std::string_view s, std::size_t n);

}  // namespace vorn
