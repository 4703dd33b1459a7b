// For XD input the new master file keeps the old one's head (everything
// before the atom table), its refinement controls (between the end of the
// atom table and the KEY table) and its trailer (from the EXTCN line to the
// end).  The old file is read in consecutive passes over one open file, so
// its sections must stand in the order head, ATOM, END, KEY, EXTCN; that
// order is checked before the first line is copied, so that a file lacking
// a section stops the run before the new master file is half written.
#include "structure/readers/xd_master_copy.hpp"

#include <string>
#include <string_view>

#include "control/run_error.hpp"
#include "control/text_edit.hpp"
#include "driver/run_state.hpp"

namespace vorn {

namespace {

constexpr const char* kWhere = "LocalDef";
// Old master-file lines are read as 200-character records.
constexpr std::size_t kRecord = 200;

bool starts(std::string_view line, std::string_view key) { return line.substr(0, key.size()) == key; }

// The section markers, as the copy steps recognise them.
bool is_atom_header(std::string_view line) { return starts(line, "ATOM"); }
bool is_table_end(std::string_view line) { return starts(upcased(line.substr(0, 4)), "END "); }
bool is_key_header(std::string_view line) { return starts(line, "KEY "); }
bool is_extcn(std::string_view line) { return starts(upcased(line.substr(0, 6)), "EXTCN "); }

std::string old_name(const RunState& rs) { return std::string(rs.sw.xdold.trimmed()); }

[[noreturn]] void missing(RunState& rs, std::string_view what) {
  fail(kWhere, "Old XD master file " + old_name(rs) + " has no " + std::string(what));
}

const char* const kNoAtom = "ATOM table (no line beginning with ATOM)";
const char* const kNoEnd = "end of the ATOM table (no END line after the ATOM table)";
const char* const kNoKey = "KEY table (no line beginning with KEY after the atom table)";
const char* const kNoExtcn = "EXTCN line after the KEY table";

// Writes one copied line without its trailing blanks; an all-blank record
// keeps its 200 blanks.
void put(RunState& rs, const std::string& line) {
  const std::string_view t = rtrim(line);
  if (t.empty())
    rs.io.mas.os() << std::string(kRecord, ' ') << '\n';
  else
    rs.io.mas.os() << t << '\n';
}

// Next record of the old file, blank-padded to 200 characters (longer
// lines are kept whole, so nothing of them is lost in the copy).
bool next_record(RecordFile& f, std::string& line) {
  if (!f.next(line, 0)) return false;
  if (line.size() < kRecord) line.resize(kRecord, ' ');
  return true;
}

RecordFile& old_file(RunState& rs) {
  RecordFile& f = rs.io.xdold;
  if (!f.is_open()) fail(kWhere, "Old XD master file " + old_name(rs) + " is not open");
  return f;
}

// Checks that head, ATOM, END, KEY and EXTCN follow one another; leaves the
// file rewound.
void check_sections(RunState& rs, RecordFile& f) {
  std::string line;
  f.rewind();
  int stage = 0;
  while (stage < 4 && next_record(f, line)) {
    if ((stage == 0 && is_atom_header(line)) || (stage == 1 && is_table_end(line)) ||
        (stage == 2 && is_key_header(line)) || (stage == 3 && is_extcn(line)))
      ++stage;
  }
  f.rewind();
  const char* const what[] = {kNoAtom, kNoEnd, kNoKey, kNoExtcn};
  if (stage < 4) missing(rs, what[stage]);
}

}  // namespace

void xdcopy_head(RunState& rs) {
  RecordFile& f = rs.io.xdold;
  if (!f.open(old_name(rs))) fail(kWhere, "Error opening XD master file " + old_name(rs));
  check_sections(rs, f);
  std::string line;
  for (;;) {
    if (!next_record(f, line)) missing(rs, kNoAtom);
    if (is_atom_header(line)) return;
    put(rs, line);
  }
}

void xdcopy_controls(RunState& rs) {
  RecordFile& f = old_file(rs);
  std::string line;
  do {
    if (!next_record(f, line)) missing(rs, kNoEnd);
  } while (!is_table_end(line));
  for (;;) {
    if (!next_record(f, line)) missing(rs, kNoKey);
    if (is_key_header(line)) return;
    put(rs, line);
  }
}

void xdcopy_trailer(RunState& rs) {
  RecordFile& f = old_file(rs);
  std::string line;
  do {
    if (!next_record(f, line)) missing(rs, kNoExtcn);
  } while (!is_extcn(line));
  put(rs, upcased(line));
  while (next_record(f, line)) put(rs, line);
  f.close();
}

}  // namespace vorn
