// Limits of the text lines that the program reads.
#pragma once

namespace vorn {

inline constexpr int kLineLength = 255;   // a text line of an input file
inline constexpr int kMaxKeywords = 40;   // keywords on one tokenised line

}  // namespace vorn
