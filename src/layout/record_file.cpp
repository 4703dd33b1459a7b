#include "layout/record_file.hpp"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <utility>

namespace vorn {

namespace {

// Records end at a line feed, a carriage return and line feed (files
// written on Windows) or a lone carriage return (old Macintosh files).  A
// byte-order mark that some editors put at the start of a file written in
// UTF-8 is not part of the first record.
std::vector<std::string> split_records(std::istream& in) {
  const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  std::vector<std::string> lines;
  std::size_t start = text.rfind("\xEF\xBB\xBF", 0) == 0 ? 3 : 0;
  while (start < text.size()) {
    const std::size_t end = text.find_first_of("\r\n", start);
    if (end == std::string::npos) {
      lines.push_back(text.substr(start));
      break;
    }
    lines.push_back(text.substr(start, end - start));
    start = end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
  }
  return lines;
}

}  // namespace

bool RecordFile::open(const std::string& path) {
  close();
  // Only a regular file (or a link to one) is an input file: a directory
  // reads as nothing, and opening a named pipe or a terminal would wait for
  // a writer that never comes.
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) return false;
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  lines_ = split_records(in);
  if (in.bad()) {
    lines_.clear();
    return false;
  }
  path_ = path;
  open_ = true;
  return true;
}

void RecordFile::open_text(const std::string& text) {
  close();
  std::istringstream in(text);
  lines_ = split_records(in);
  path_ = "(text)";
  open_ = true;
}

void RecordFile::open_records(std::vector<std::string> records, const std::string& path) {
  close();
  lines_ = std::move(records);
  path_ = path;
  open_ = true;
}

void RecordFile::open_records(std::vector<std::string> records, std::vector<RecordOrigin> origins,
                              const std::string& path) {
  open_records(std::move(records), path);
  if (origins.size() == lines_.size()) origins_ = std::move(origins);
}

RecordOrigin RecordFile::origin(std::size_t n) const {
  if (n >= 1 && n <= origins_.size()) return origins_[n - 1];
  return {path_, n};
}

std::string RecordFile::where(std::size_t n) const {
  const RecordOrigin o = origin(n);
  // Records made from a file rather than read from it name the file alone.
  if (o.line == 0) return o.file;
  return "line " + std::to_string(o.line) + " of " + o.file;
}

bool RecordFile::next(std::string& line, std::size_t width) {
  if (pos_ >= lines_.size()) return false;
  line = lines_[pos_++];
  // Tabs count as blanks, as the readers separate words at blanks only.
  for (char& c : line)
    if (c == '\t') c = ' ';
  if (width > 0) line.resize(width, ' ');
  return true;
}

}  // namespace vorn
