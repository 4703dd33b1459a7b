// The per-atom loop: every atom's frame, kappa set and output lines, then
// the dummy atoms, the KEY table, the KAPPA lines and the closing sections
// of the XD master file.
#include "localframe/atom_loop.hpp"

#include <string>
#include <vector>

#include "control/run_error.hpp"
#include "driver/run_state.hpp"
#include "layout/layout.hpp"
#include "localframe/dummy_atoms.hpp"
#include "localframe/local_frame.hpp"
#include "writers/xd_master.hpp"
#include "writers/xd_master_copy.hpp"

namespace vorn {

namespace {

const char* const kAtomHeader = "ATOM     ATOM0    AX1 ATOM1    ATOM2   AX2 R/L TP TBL KAP LMX SITESYM  CHEMCON";
const char* const kKeyHeader = "KEY     XYZ --U2-- ----U3---- ------U4------- M- -D- --Q-- ---O--- ----H----";

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

void write_dummies(RunState& rs) {
  std::ostream& mas = rs.io.mas.os();
  std::ostream& ang = rs.io.ang.os();
  for (int d = 1; d <= rs.dummy.count; ++d) {
    const auto& p = rs.dummy.pos[d];
    layout::write(mas, "(a6,2x,3f12.6)", rs.dummy.label[d], p[0], p[1], p[2]);
    const Vec3 c = dummy_cart(rs, d);
    layout::write(ang, "('ATOM Li(',i1,')',2x,3f14.4)", d, c[0], c[1], c[2]);
  }
}

void write_key_table(RunState& rs) {
  std::ostream& mas = rs.io.mas.os();
  layout::line(mas, kKeyHeader);
  for (int i = 1; i <= rs.natom(); ++i) layout::write(mas, "(a8,a68)", rs.atom(i).label, getkey(rs, i));
  const int nsets = rs.kset.lastkset;
  // Sets that hold a non-hydrogen atom refine both kappas.
  std::vector<char> heavy(static_cast<std::size_t>(std::max(nsets, 0)) + 1, 0);
  for (int i = 1; i <= rs.natom(); ++i) {
    const int k = rs.kset.kappaset[i];
    if (k >= 1 && k <= nsets && rs.atom(i).iz != 1) heavy[static_cast<std::size_t>(k)] = 1;
  }
  for (int k = 1; k <= nsets; ++k) {
    if (rs.sw.lsx == 1 || !rs.sw.lkeys[kKappas]) {
      layout::line(mas, "KAPPA   000000");
      continue;
    }
    layout::line(mas, heavy[static_cast<std::size_t>(k)] ? "KAPPA   110000" : "KAPPA   100000");
  }
}

// What follows the atom table in xd_vorn.mas.  SHELX input: the new
// refinement controls, the KEY table and the closing sections.  XD input:
// the old file's controls and KEY trailer around the new KEY table.
// Cartesian input (AIM2TAB, PLATON) has no controls and no old trailer to
// copy: the KEY table is closed as for SHELX input, so that it can be
// merged into a master file that has the crystal data.
void write_lines(std::ostream& os, const std::vector<std::string>& lines) {
  for (const std::string& l : lines) os << l << '\n';
}

void write_master_after_atoms(RunState& rs, const OldMasterSections& old) {
  std::ostream& mas = rs.io.mas.os();
  const auto close_key_table = [&] {
    for (const char* l : {"EXTCN   0000000", "OVTHP   0", "SCALE   1", "END KEY"}) layout::line(mas, l);
  };
  switch (rs.sw.format) {
    case InputFormat::shelx:
      wrxdmas1(rs, mas, rs.kset.lastkset);
      write_key_table(rs);
      close_key_table();
      layout::line(mas, "!" + std::string(78, '-'));
      layout::line(mas, "!");
      layout::line(mas, "   END XDLSM");
      layout::line(mas, "!");
      layout::line(mas, std::string(79, '!'));
      wrxdmas2(rs, mas);
      break;
    case InputFormat::xd:
      write_lines(mas, old.controls);
      write_key_table(rs);
      write_lines(mas, old.trailer);
      break;
    case InputFormat::aim2tab:
    case InputFormat::platon:
      write_key_table(rs);
      close_key_table();
      break;
    case InputFormat::none:
      break;
  }
}

}  // namespace

std::string getkey(const RunState& rs, int i) {
  const auto& k = rs.sw.lkeys;
  const Atom& a = rs.atom(i);
  const bool ordered = a.flag != -1;
  std::string pos = kPosZero;
  if (k[kXyzUij] && (k[kXyzAll] || (k[kXyzOrdered] && ordered))) pos = a.iz == 1 ? kPosHydrogen : kPosFull;
  std::string mult = kMultZero;
  if (rs.sw.lsx != 1 && k[kMult] && (k[kMultAll] || (k[kMultOrdered] && ordered))) mult = multipole_part(a.sitesym);
  return pos + mult;
}

void localdef(RunState& rs) {
  Io& io = rs.io;
  rs.dummy.count = 0;
  if (!io.ang.is_open() && !io.ang.open("vorn.ang")) fail("LocalDef", "Unable to create output file vorn.ang");
  layout::line(io.ang.os(), "ANGSTROM");
  OldMasterSections old;
  if (rs.sw.format == InputFormat::xd) {
    old = split_old_master(rs.model.xd_master_records, std::string(rs.sw.xdold.trimmed()));
    write_lines(io.mas.os(), old.head);
  }
  to_term(rs, layout::listed("   "));
  to_term(rs, kAtomHeader);
  layout::line(io.mas.os(), kAtomHeader);

  const std::string rule(79, '-');
  for (int i = 1; i <= rs.natom(); ++i) {
    const Atom& a = rs.atom(i);
    to_log(rs, "");
    to_log(rs, " " + rule);
    layout::write(rs.log(), "(/' Working with atom ',i7,' : [',a,']',5x,'occ =',f11.4)", i, a.label, a.occ);
    defloc(rs, i);
    const Atom& b = rs.atom(i);   // a hydrogen may have been moved
    layout::write(io.ang.os(), "('ATOM ',a8,3x,3f14.4)", b.label, b.xc, b.yc, b.zc);
  }

  write_dummies(rs);
  layout::line(io.mas.os(), "END ATOM");
  io.ang.close();

  write_master_after_atoms(rs, old);
}

}  // namespace vorn
