// The per-atom loop: every atom's frame, site symmetry, kappa set,
// constraint and databank populations; and the KEY text of an atom.
#include "localframe/atom_loop.hpp"

#include "layout/run_error.hpp"

#include <algorithm>
#include <string>
#include <vector>

#include "layout/layout.hpp"
#include "localframe/local_frame.hpp"

namespace vorn {

namespace {

const char* const kAtomHeader = "ATOM     ATOM0    AX1 ATOM1    ATOM2   AX2 R/L TP TBL KAP LMX SITESYM  CHEMCON";

const char* const kPosZero = "000 000000 0000000000 000000000000000 ";
const char* const kPosFull = "111 111111 0000000000 000000000000000 ";
const char* const kPosHydrogen = "111 100000 0000000000 000000000000000 ";
const char* const kMultZero = "00 000 00000 0000000 000000000";

}  // namespace

std::string key_text(const Switches& sw, const Atom& a, const MultipoleSet& allowed) {
  const auto& k = sw.lkeys;
  const bool ordered = a.occupancy_kind != OccupancyKind::disordered;
  std::string pos = kPosZero;
  // An isotropic hydrogen refines its Uiso only; an anisotropic one (tp 2,
  // from a neutron or Hirshfeld-atom refinement) all six Uij.
  const bool isotropic_hydrogen = a.atomic_number == 1 && a.adp_type != 2;
  if (k[kXyzUij] && (k[kXyzAll] || (k[kXyzOrdered] && ordered))) pos = isotropic_hydrogen ? kPosHydrogen : kPosFull;
  std::string mult = kMultZero;
  if (!sw.convert_to_xd_only && k[kMult] && (k[kMultAll] || (k[kMultOrdered] && ordered))) {
    // A term above the atom's LMX is not part of its density: a key on it
    // would refine a parameter that changes nothing.
    MultipoleSet refined = allowed;
    for (int t = 0; t < kMultipoleTerms; ++t)
      if (harmonic_of_term(t).l > a.max_multipole_level) refined[static_cast<std::size_t>(t)] = false;
    mult = multipole_key(refined);
  }
  return pos + mult;
}

void AtomTables::hold_entries(int n) {
  if (n <= static_cast<int>(kappa_sets.of.size())) return;
  const auto size = static_cast<std::size_t>(n);
  kappa_sets.of.resize(size);
  populations.of.resize(size);
  hydrogen_parents.of.resize(size);
  groups.of.resize(size);
}

std::vector<AtomSetup> set_up_atoms(const AtomLoop& loop) {
  Log& log = loop.log;
  // The tables hold every entry of the atom table, copies included: the
  // functional-group test flags neighbours, which may be copies.
  loop.tables.hold_entries(std::max(loop.model.natom, loop.model.entries));
  loop.tables.dummies.atoms.clear();
  to_term(log, layout::listed("   "));
  to_term(log, kAtomHeader);
  std::vector<AtomSetup> setup;
  setup.reserve(static_cast<std::size_t>(loop.natom()));
  const std::string rule(79, '-');
  for (int i = 0; i < loop.natom(); ++i) {
    const Atom& a = loop.atom(i);
    to_log(log, "");
    to_log(log, " " + rule);
    layout::write(log.log(), "(/' Working with atom ',i7,' : [',a,']',5x,'occ =',f11.4)", i + 1, a.label, a.occ);
    try {
      setup.push_back(set_up_atom(loop, i, setup));
    } catch (const RunError& e) {
      // A frame that cannot be built names the atom it was built for.
      if (e.routine != "DefLoc") throw;
      fail(e.routine, "Atom " + std::to_string(i + 1) + " " + std::string(a.label.trimmed()) + ": " + e.message +
                          " (no neighbour or dummy atom fits; is a coordinate mistyped?)" + where_read(loop.model, i));
    }
  }
  int zeroed = 0, from_site = 0;
  for (const AtomSetup& s : setup) {
    zeroed += s.zeroed_populations.any() ? 1 : 0;
    from_site += s.frame.axes_from_site ? 1 : 0;
  }
  if (from_site > 0)
    to_log(log, layout::format("(/a,i6,a)", " The local frame of", from_site,
                               " atom(s) on special positions is that of the crystal site"));
  if (zeroed > 0)
    warn(log, layout::format("(/a,i6,a)", " WARNING: databank populations that the atoms' symmetry forbids were set "
                             "to zero for", zeroed, " atom(s), see vorn.out"));
  return setup;
}

AtomLoopResult set_up_atoms(const Switches& sw, Model& model, AtomIndex& index, const Neighbors& nb, Rings& rings,
                            const DatabankSource* databank, Log& log,
                            const std::vector<TransferredAtom>* transferred) {
  AtomLoopResult result;
  result.atoms = set_up_atoms(AtomLoop{sw, model, index, nb, rings, databank, log, result.tables, transferred});
  return result;
}

}  // namespace vorn
