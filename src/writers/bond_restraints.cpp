#include "writers/bond_restraints.hpp"

#include <string>
#include <string_view>

#include "layout/layout.hpp"
#include "layout/text_edit.hpp"

namespace vorn {

namespace {

// An atom name for a MoPro restraint without residues: the label with its
// brackets removed, taken at the length of the trimmed label, in five
// columns.  A name longer than five characters is written whole rather
// than cut, so that the restraint still names its atom.
std::string restraint_name(const Label& label) {
  const std::string name = label_without_brackets(label).substr(0, label.trimmed().size());
  const std::string_view bare = rtrim(name);
  if (bare.size() > 5) return std::string(bare);
  return layout::fmt_a(name, 5);
}

// "X/5": axis letter, '/', the atom's number in the atom table (index + 1),
// without blanks.
std::string axis_ref(char letter, int atom) { return std::string(1, letter) + "/" + std::to_string(atom + 1); }

}  // namespace

void write_bond_restraints(const Model& model, const std::vector<AtomSetup>& setup, std::ostream& reset,
                           std::ostream& res, std::ostream& cnst) {
  for (const AtomSetup& s : setup) {
    if (!s.frame.extended_bond || !s.frame.extended_bond->standard_length) continue;
    const ExtendedBond& b = *s.frame.extended_bond;
    const int x = b.parent, h = b.hydrogen;
    const std::string_view lx = model.atoms[x].label.trimmed(), lh = model.atoms[h].label.trimmed();
    layout::write(reset, "('RESET BOND  ',a,1x,a,f6.3)", lx, lh, b.length);
    if (!model.has_residues)
      layout::write(res, "('DISTAN   ',a,1x,i1,2x,a,1x,i1,1x,f6.3,1x,'0.001')", restraint_name(model.atoms[x].label), 1,
                    restraint_name(model.atoms[h].label), 1, b.length);
    else
      layout::write(res, "('DISTAN   ',a,2x,a,1x,f6.3,2x,'0.001')", model.atoms[x].residue_name, model.atoms[h].residue_name, b.length);
    layout::write(cnst, "('!'/'! ',a,' - ',a,' = ',f9.3,' Angstroms'/'!')", lx, lh, b.length);
    // XD's constraints name atoms of the atom table; a parent that is a
    // symmetry copy has no number there.
    if (x >= model.natom) continue;
    for (char axis : {'X', 'Y', 'Z'})
      layout::write(cnst, "('CON 1 ',a,' -1 ',a,' = 0')", axis_ref(axis, x), axis_ref(axis, h));
  }
}

Text<100> uratio_line(const Model& model, const ExtendedBond& b) {
  const int x = b.parent, h = b.hydrogen;
  if (!model.has_residues)
    return "URATIO      " + layout::format("(a,1x,i1,2x,a,1x,i1,1x,f6.1,1x,'0.01')", restraint_name(model.atoms[x].label),
                                           1, restraint_name(model.atoms[h].label), 1, b.u_ratio);
  return "URATIO      " + layout::format("(a,2x,a,1x,f6.1,2x,'0.01')", model.atoms[x].residue_name, model.atoms[h].residue_name, b.u_ratio);
}

}  // namespace vorn
