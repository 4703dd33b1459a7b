#include "structure/readers/shelx_include.hpp"

#include <algorithm>
#include <filesystem>

#include "layout/record_file.hpp"
#include "layout/run_error.hpp"
#include "layout/text_edit.hpp"

namespace vorn {

namespace {

// The first four characters of a record in upper case, blank-padded.
std::string instruction_of(const std::string& record) {
  std::string head = record.substr(0, std::min<std::size_t>(4, record.size()));
  head.resize(4, ' ');
  to_upper_case(head);
  return head;
}

// The file name of an include line: the text after "+", up to the first
// blank or "!" (a comment).
std::string included_name(const std::string& record) {
  const std::size_t end = record.find_first_of(" \t!", 1);
  return record.substr(1, end == std::string::npos ? std::string::npos : end - 1);
}

// Appends the records of `file` to `out`, expanding its include lines.
// Returns true when the atoms' end (HKLF or END) was met, after which
// SHELXL reads no include line.
bool expand(const std::filesystem::path& folder, RecordFile& f, const std::string& file,
            std::vector<std::string>& out, std::vector<RecordOrigin>* origins, int depth, Log& log);

bool expand_file(const std::filesystem::path& folder, const std::string& name, const std::string& parent,
                 std::size_t line, std::vector<std::string>& out, std::vector<RecordOrigin>* origins, int depth,
                 Log& log) {
  if (depth > kMaxIncludeDepth)
    fail("ReadShelx", "Include file " + name + " (line " + std::to_string(line) + " of " + parent +
                          ") is nested deeper than " + std::to_string(kMaxIncludeDepth) +
                          " levels; does an include file name itself?");
  RecordFile f;
  const std::string path = (folder / name).string();
  if (name.empty() || !f.open(path)) {
    warn(log, " WARNING: include file " + (name.empty() ? std::string("(no name)") : name) + " named on line " +
                  std::to_string(line) + " of " + parent + " cannot be read; its instructions are left out");
    return false;
  }
  return expand(folder, f, name, out, origins, depth, log);
}

bool expand(const std::filesystem::path& folder, RecordFile& f, const std::string& file,
            std::vector<std::string>& out, std::vector<RecordOrigin>* origins, int depth, Log& log) {
  std::string record;
  bool ended = false;
  while (f.next(record, 0)) {
    if (!ended && !record.empty() && record[0] == '+') {
      ended = expand_file(folder, included_name(record), file, f.position(), out, origins, depth + 1, log);
      continue;
    }
    // A file that includes itself or another many times over would grow
    // without bound before the depth limit is reached.
    if (out.size() >= kMaxShelxRecords)
      fail("ReadShelx", "Include files make the SHELX file longer than " + std::to_string(kMaxShelxRecords) +
                            " lines");
    const std::string head = instruction_of(record);
    if (head == "HKLF" || head == "END ") ended = true;
    out.push_back(record);
    if (origins) origins->push_back({file, f.position()});
  }
  return ended;
}

}  // namespace

std::vector<std::string> expand_shelx_includes(RecordFile& f, const std::string& file, Log& log,
                                               std::vector<RecordOrigin>* origins) {
  std::vector<std::string> records;
  f.rewind();
  expand(std::filesystem::path(file).parent_path(), f, file, records, origins, 0, log);
  return records;
}

}  // namespace vorn
