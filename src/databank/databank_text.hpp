// The databank held in memory for the per-atom searches: its lines as the
// file reader gives them, read once, and the places of its ATOM lines by
// atomic number, so that the search for an atom goes from one entry of
// its element to the next instead of reading every line of the file.
#pragma once

#include <cstddef>
#include <string>
#include <unordered_map>
#include <vector>

#include "layout/tokens.hpp"

namespace vorn {

struct DatabankText {
  bool active = false;            // the search reads from here, not the file
  bool built = false;
  // What the copy was taken from: the file's name, its number of lines and
  // its first line; a databank opened afresh differs in one of them.
  std::string path;
  std::size_t count = 0;
  std::string first;
  std::vector<std::string> lines; // lines as read (200 columns)
  std::size_t pos = 0;            // lines read so far
  std::unordered_map<int, std::vector<std::size_t>> atom_lines;  // by atomic number
  std::vector<std::size_t> bad_lines;  // ATOM lines without a readable atomic number
  // Entry lines upper-cased and tokenised, each the first time it is read.
  std::vector<char> tokenised;
  std::vector<std::string> upper;
  std::vector<LineExtract> tokens;
  // The words of the entry line read last, by the search in memory or from
  // the file: the steps of a search read them after the line is read.
  LineExtract current;
};

}  // namespace vorn
