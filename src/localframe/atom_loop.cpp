// The per-atom loop: every atom's frame, site symmetry, kappa set,
// constraint and databank populations; and the KEY text of an atom.
#include "localframe/atom_loop.hpp"

#include <string>
#include <vector>

#include "driver/run_state.hpp"
#include "layout/layout.hpp"
#include "localframe/local_frame.hpp"

namespace vorn {

namespace {

const char* const kAtomHeader = "ATOM     ATOM0    AX1 ATOM1    ATOM2   AX2 R/L TP TBL KAP LMX SITESYM  CHEMCON";

const char* const kPosZero = "000 000000 0000000000 000000000000000 ";
const char* const kPosFull = "111 111111 0000000000 000000000000000 ";
const char* const kPosHydrogen = "111 100000 0000000000 000000000000000 ";
const char* const kMultZero = "00 000 00000 0000000 000000000";

// Multipoles allowed by each site symmetry.
std::string multipole_part(const SiteSym& s) {
  struct Row {
    const char* sym;
    const char* key;
  };
  static constexpr Row kTable[] = {
      {"NO", "10 111 11111 1111111 111111111"},  {"C", "10 000 11111 0000000 111111111"},
      {"2", "10 000 10011 1001100 100110011"},   {"m", "10 110 10011 0110011 100110011"},
      {"2/m", "10 000 10011 0000000 100110011"}, {"222", "10 001 10010 1000100 100100010"},
      {"mm2", "10 001 10010 1001000 100100010"}, {"mmm", "10 000 10010 0000000 100100010"},
      {"4", "10 001 10000 1000000 100000011"},   {"-42m", "10 001 10000 0001000 100000010"},
      {"3", "10 001 10000 1000011 100001100"},   {"3m", "10 001 10000 1000010 100001000"},
      {"cyl", "10 001 10000 1000000 100000000"},
  };
  for (const Row& r : kTable)
    if (s == r.sym) return r.key;
  return kMultZero;
}

}  // namespace

std::string key_text(const Switches& sw, const Atom& a) {
  const auto& k = sw.lkeys;
  const bool ordered = a.flag != -1;
  std::string pos = kPosZero;
  if (k[kXyzUij] && (k[kXyzAll] || (k[kXyzOrdered] && ordered))) pos = a.iz == 1 ? kPosHydrogen : kPosFull;
  std::string mult = kMultZero;
  if (sw.lsx != 1 && k[kMult] && (k[kMultAll] || (k[kMultOrdered] && ordered))) mult = multipole_part(a.sitesym);
  return pos + mult;
}

std::vector<AtomSetup> set_up_atoms(RunState& rs) {
  rs.dummy.count = 0;
  to_term(rs, layout::listed("   "));
  to_term(rs, kAtomHeader);
  std::vector<AtomSetup> setup;
  setup.reserve(static_cast<std::size_t>(rs.natom()));
  const std::string rule(79, '-');
  for (int i = 1; i <= rs.natom(); ++i) {
    const Atom& a = rs.atom(i);
    to_log(rs, "");
    to_log(rs, " " + rule);
    layout::write(rs.log(), "(/' Working with atom ',i7,' : [',a,']',5x,'occ =',f11.4)", i, a.label, a.occ);
    setup.push_back(defloc(rs, i));
  }
  return setup;
}

}  // namespace vorn
