#include "writers/xd_master_copy.hpp"

#include <string_view>

#include "layout/run_error.hpp"
#include "layout/text_edit.hpp"

namespace vorn {

namespace {

// Old master-file lines are compared as 200-character records.
constexpr std::size_t kRecord = 200;

bool starts(std::string_view line, std::string_view key) { return line.substr(0, key.size()) == key; }

// The section markers.
bool is_atom_header(std::string_view line) { return starts(line, "ATOM"); }
bool is_table_end(std::string_view line) { return starts(upcased(line.substr(0, 4)), "END "); }
bool is_key_header(std::string_view line) { return starts(line, "KEY "); }
bool is_extcn(std::string_view line) { return starts(upcased(line.substr(0, 6)), "EXTCN "); }

// A record blank-padded to 200 characters (longer lines are kept whole, so
// nothing of them is lost in the copy).
std::string padded_record(const std::string& line) {
  std::string r = line;
  if (r.size() < kRecord) r.resize(kRecord, ' ');
  return r;
}

// A copied line without its trailing blanks; an all-blank record keeps its
// 200 blanks.
std::string copied(const std::string& record) {
  const std::string_view t = rtrim(record);
  return t.empty() ? std::string(kRecord, ' ') : std::string(t);
}

}  // namespace

OldMasterSections split_old_master(const std::vector<std::string>& records, const std::string& file_name) {
  enum Stage { head, atoms, controls, keys, trailer };
  constexpr const char* missing[] = {"ATOM table (no line beginning with ATOM)",
                                     "end of the ATOM table (no END line after the ATOM table)",
                                     "KEY table (no line beginning with KEY after the atom table)",
                                     "EXTCN line after the KEY table"};
  OldMasterSections s;
  int stage = head;
  for (const std::string& raw : records) {
    const std::string line = padded_record(raw);
    switch (stage) {
      case head:
        if (is_atom_header(line)) stage = atoms;
        else s.head.push_back(copied(line));
        break;
      case atoms:
        if (is_table_end(line)) stage = controls;
        break;
      case controls:
        if (is_key_header(line)) stage = keys;
        else s.controls.push_back(copied(line));
        break;
      case keys:
        if (is_extcn(line)) {
          stage = trailer;
          s.trailer.push_back(copied(upcased(line)));
        }
        break;
      default:
        s.trailer.push_back(copied(line));
        break;
    }
  }
  if (stage < trailer)
    fail("LocalDef", "Old XD master file " + file_name + " has no " + missing[stage]);
  return s;
}

}  // namespace vorn
