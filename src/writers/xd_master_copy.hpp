// For XD input the new master file keeps the old one's head (everything
// before the atom table), its refinement controls (between the end of the
// atom table and the KEY table) and its trailer (from the EXTCN line on).
#pragma once

#include <string>
#include <vector>

namespace vorn {

// The sections as they are copied: each line without its trailing blanks
// (an all-blank line as 200 blanks), the EXTCN line upper-cased.  The atom
// table (its header to its END line) and the KEY table (its header up to
// the EXTCN line) go into a file that keeps the old model whole.
struct OldMasterSections {
  std::vector<std::string> head, atom_table, controls, key_table, trailer;
};

// Splits the old master file's records into the sections.  They must stand
// in the order head, ATOM, END, KEY, EXTCN; a file lacking one stops the
// run (routine "LocalDef") with a message naming the file and the section.
OldMasterSections split_old_master(const std::vector<std::string>& records, const std::string& file_name);

// The KEEP kappa instruction of a master file for kappa sets 1 .. nkset:
// twenty numbers a line, a full line continued with " \".
std::string keep_kappa_instruction(int nkset);

// The old refinement controls with their KEEP kappa instruction (and its
// continuation lines) replaced by one that lists the kappa sets 1 .. nkset
// of the new file; controls without one are kept as they are.
std::vector<std::string> with_kappa_sets(const std::vector<std::string>& controls, int nkset);

// The old head with the DELF' and DELF'' columns of the scattering-table
// rows that hold 0 for both filled in for the wavelength; rows with values
// of their own keep them.
std::vector<std::string> with_dispersion(const std::vector<std::string>& head, double wavelength);

}  // namespace vorn
