// For XD input the new master file keeps the old one's head (everything
// before the atom table), its refinement controls (between the end of the
// atom table and the KEY table) and its trailer (from the EXTCN line on).
#pragma once

#include <string>
#include <vector>

namespace vorn {

// The three sections as they are copied: each line without its trailing
// blanks (an all-blank line as 200 blanks), the EXTCN line upper-cased.
struct OldMasterSections {
  std::vector<std::string> head, controls, trailer;
};

// Splits the old master file's records into the sections.  They must stand
// in the order head, ATOM, END, KEY, EXTCN; a file lacking one stops the
// run (routine "LocalDef") with a message naming the file and the section.
OldMasterSections split_old_master(const std::vector<std::string>& records, const std::string& file_name);

}  // namespace vorn
