// The fixed records of the XD master file xd_vorn.mas: the banner and the
// least-squares head, the scattering table with its orbital populations,
// the ATOM-table line, the refinement controls and the property template.
#include "writers/xd_master.hpp"

#include <string>
#include <vector>

#include "layout/run_error.hpp"
#include "layout/text_edit.hpp"
#include "layout/layout.hpp"
#include "localframe/atom_loop.hpp"
#include "localframe/atom_table_line.hpp"
#include "localframe/kept_xd_model.hpp"
#include "structure/elements.hpp"

namespace vorn {

namespace {

const std::string kBang(79, '!');
const std::string kRule = "!" + std::string(78, '-');

// Column positions of the 18 orbital populations, in the order of the
// scattering-table header.
enum Shell {
  s1 = 0, s2, s3, s4, p2, p3, p4, d3, d4, f4, s5, p5, s6, p6, d5, s7, d6, f5
};

using Pops = std::array<int, 18>;

// Filled shells of the noble-gas cores.
void core_ar(Pops& p) {
  p[s1] = 2; p[s2] = 2; p[s3] = 2; p[p2] = 6; p[p3] = 6;
}
void core_kr(Pops& p) {
  core_ar(p);
  p[s4] = 2; p[p4] = 6; p[d3] = 10;
}
void core_xe(Pops& p) {
  core_kr(p);
  p[d4] = 10; p[s5] = 2; p[p5] = 6;
}
void core_rn(Pops& p) {
  core_xe(p);
  p[f4] = 14; p[d5] = 10; p[s6] = 2; p[p6] = 6;
}

// Ground-state 5 and 6d counts of Ac, Th, Pa, U.
constexpr int kActF[4] = {0, 0, 2, 3};
constexpr int kActD[4] = {1, 2, 1, 1};

}  // namespace

std::array<int, 18> scattering_table_populations(int z) {
  Pops p{};
  if (z == 1) {
    p[s1] = -1;
  } else if (z == 2) {
    p[s1] = -2;
  } else if (z == 3 || z == 4) {
    p[s1] = 2;
    p[s2] = -(z - 2);
  } else if (z >= 5 && z <= 10) {
    p[s1] = 2; p[s2] = -2; p[p2] = 4 - z;
  } else if (z == 11 || z == 12) {
    p[s1] = 2; p[s2] = 2; p[p2] = 6; p[s3] = -(z - 10);
  } else if (z >= 13 && z <= 18) {
    p[s1] = 2; p[s2] = 2; p[p2] = 6; p[s3] = -2; p[p3] = 12 - z;
  } else if (z == 19 || z == 20) {
    core_ar(p); p[s4] = -(z - 18);
  } else if (z >= 21 && z <= 30) {
    core_ar(p); p[s4] = -2; p[d3] = 20 - z;
  } else if (z >= 31 && z <= 36) {
    core_ar(p); p[s4] = -2; p[d3] = -10; p[p4] = 30 - z;
  } else if (z == 37 || z == 38) {
    core_kr(p); p[s5] = -(z - 36);
  } else if (z >= 39 && z <= 48) {
    core_kr(p); p[s5] = -2; p[d4] = -(z - 38);
  } else if (z >= 49 && z <= 54) {
    // In to Xe as iodine: the 4d shell complete and positive.
    core_kr(p); p[d4] = 10; p[s5] = -2; p[p5] = -(z - 48);
  } else if (z == 55 || z == 56) {
    core_xe(p); p[s6] = -(z - 54);
  } else if (z == 57) {
    core_xe(p); p[d5] = -1; p[s6] = -2;
  } else if (z >= 58 && z <= 71) {
    core_xe(p); p[s6] = -2;
    if (z == 58 || z == 64 || z == 71) {
      p[d5] = -1; p[f4] = -(z - 57);
    } else {
      p[f4] = -(z - 56);
    }
  } else if (z >= 72 && z <= 80) {
    core_xe(p); p[f4] = 14; p[s6] = -2; p[d5] = -(z - 70);
  } else if (z >= 81 && z <= 86) {
    core_xe(p); p[f4] = 14; p[d5] = 10; p[s6] = -2; p[p6] = -(z - 80);
  } else if (z == 87 || z == 88) {
    core_rn(p); p[s7] = -(z - 86);
  } else if (z >= 89 && z <= 92) {
    core_rn(p); p[s7] = -2;
    p[f5] = -kActF[z - 89];
    p[d6] = -kActD[z - 89];
  } else {
    fail("GetSFT", "atomic number not implemented yet");
  }
  return p;
}

namespace {

void write_mas_banner(const Model& md, std::ostream& os) {
  layout::line(os, kBang);
  layout::line(os, "!                   CREATED BY PROGRAM << VORN >>");
  layout::line(os, kBang);
  layout::line(os, "TITLE " + std::string(md.model_name.trimmed()));
}

void write_mas_lsm_head(std::ostream& os) {
  layout::line(os, kBang);
  layout::line(os, "!");
  layout::line(os, "    MODULE *XDLSM");
  layout::line(os, "!");
  layout::line(os, "SELECT  *model 4 0 0 0 based_on F test verbose 3");
  layout::line(os, "SELECT  cycle 15 dampk 0.6 cmin 0.6 cmax 1. eigcut 1.d-09");
  layout::line(os, "SAVE  deriv lsqmat cormat");
  layout::line(os, "SOLVE  *inv diag *cond");
  layout::line(os, kRule);
}

void write_mas_scat(const Model& md, std::ostream& os) {
  layout::line(os, std::string("SCAT CORE SPHV DEFV   1S  2S  3S  4S  2P  3P") +
                       "  4P  3D  4D  4F  5S  5P  6S  6P  5D  7S  6D  5F  DELF'" + "   DELF''  NSCTL");
  for (const int z : md.scattering_types) {
    const Pops p = scattering_table_populations(z);
    std::string row = layout::fmt_a(two_letter_symbol(z), 2) + "   CHFW CHFW CSZD ";
    for (int v : p) row += layout::fmt_i(v, 4);
    const AnomalousTerms disp = anomalous_terms(z, md.wavelength, md.dispersion);
    row += layout::fmt_f(disp.fp, 8, 4) + layout::fmt_f(disp.fpp, 8, 4) + layout::fmt_f(0.0, 7, 3);
    layout::line(os, row);
  }
  layout::line(os, "END SCAT");
  layout::line(os, kRule);
}

}  // namespace

void write_master_head(const Model& md, std::ostream& os) {
  write_mas_banner(md, os);
  using Kind = ShelxCrystalHead::Kind;
  for (const ShelxCrystalHead::Instruction& h : md.shelx_head.instructions) {
    switch (h.kind) {
      case Kind::cell: {
        const auto& v = h.wave_cell;
        layout::write(os, "(a,6f12.4)", "CELL ", v[1], v[2], v[3], v[4], v[5], v[6]);
        layout::write(os, "(a,f12.6)", "WAVE ", v[0]);
        break;
      }
      case Kind::latt:
        layout::line(os, std::string(h.centrosymmetric ? "LATT C " : "LATT A ") + h.lattice);
        break;
      case Kind::symm:
        layout::line(os, h.text);
        break;
    }
  }
  write_mas_lsm_head(os);
  write_mas_scat(md, os);
}

namespace {

const char* const kAtomHeader = "ATOM     ATOM0    AX1 ATOM1    ATOM2   AX2 R/L TP TBL KAP LMX SITESYM  CHEMCON";
const char* const kKeyHeader = "KEY     XYZ --U2-- ----U3---- ------U4------- M- -D- --Q-- ---O--- ----H----";

// The atom table: one line per atom, then the dummy atoms.
void write_atom_table(const Model& model, const std::vector<AtomSetup>& setup, const Dummies& dummies,
                      const KappaSets& kset, std::ostream& mas) {
  layout::line(mas, kAtomHeader);
  for (int i = 0; i < model.natom; ++i) {
    const AtomSetup& s = setup[static_cast<std::size_t>(i)];
    const std::string ref_label = kset.of[i].constrained ? model.atoms[s.reference].label.str() : std::string();
    layout::line(mas, rtrim(atom_table_line(model.atoms[i], s.frame, s.kappa_set, ref_label, s.handedness)));
  }
  for (const DummyAtom& dummy : dummies.atoms) {
    const auto& p = dummy.pos;
    layout::write(mas, "(a6,2x,3f12.6)", dummy.label, p[0], p[1], p[2]);
  }
  layout::line(mas, "END ATOM");
}

void write_key_table(const Model& model, const Switches& sw, const std::vector<AtomSetup>& setup,
                     const KappaSets& kset, std::ostream& mas) {
  layout::line(mas, kKeyHeader);
  for (int i = 0; i < model.natom; ++i)
    layout::write(mas, "(a8,a68)", model.atoms[i].label,
                  key_text(sw, model.atoms[i], setup[static_cast<std::size_t>(i)].frame.multipoles));
  const int nsets = kset.last_set;
  // Sets that hold a non-hydrogen atom refine both kappas.
  std::vector<char> heavy(static_cast<std::size_t>(std::max(nsets, 0)) + 1, 0);
  for (int i = 0; i < model.natom; ++i) {
    const int k = kset.of[i].kappa_set;
    if (k >= 1 && k <= nsets && model.atoms[i].atomic_number != 1) heavy[static_cast<std::size_t>(k)] = 1;
  }
  for (int k = 1; k <= nsets; ++k) {
    if (sw.convert_to_xd_only || !sw.lkeys[kKappas]) {
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

void write_master_after_atoms(const Model& model, const Switches& sw, const std::vector<AtomSetup>& setup,
                              const KappaSets& kset, const OldMasterSections& old, std::ostream& mas) {
  const auto close_key_table = [&] {
    for (const char* l : {"EXTCN   0000000", "OVTHP   0", "SCALE   1", "END KEY"}) layout::line(mas, l);
  };
  switch (sw.format) {
    case InputFormat::shelx:
    case InputFormat::cif:
      write_refinement_controls(model, kset.last_set, mas);
      write_key_table(model, sw, setup, kset, mas);
      close_key_table();
      layout::line(mas, "!" + std::string(78, '-'));
      layout::line(mas, "!");
      layout::line(mas, "   END XDLSM");
      layout::line(mas, "!");
      layout::line(mas, std::string(79, '!'));
      write_property_modules(model.natom, mas);
      break;
    case InputFormat::xd:
      write_lines(mas, with_kappa_sets(old.controls, kset.last_set));
      write_key_table(model, sw, setup, kset, mas);
      write_lines(mas, old.trailer);
      break;
    case InputFormat::aim2tab:
    case InputFormat::platon:
      write_key_table(model, sw, setup, kset, mas);
      close_key_table();
      break;
    case InputFormat::none:
      break;
  }
}

}  // namespace

void write_master_tables(const Model& model, const Switches& sw, const std::vector<AtomSetup>& setup,
                         const Dummies& dummies, const KappaSets& kappa_sets, const OldMasterSections& old,
                         std::ostream& mas) {
  if (sw.format == InputFormat::xd) write_lines(mas, with_dispersion(old.head, model.wavelength));
  if (keeps_xd_model(sw, model)) {
    // The old model whole: its atom table and KEY table, and a KEEP kappa
    // instruction for the kappa sets of its parameter file.
    write_lines(mas, old.atom_table);
    write_lines(mas, with_kappa_sets(old.controls, static_cast<int>(model.xd_refined.kappa_sets.size())));
    write_lines(mas, old.key_table);
    write_lines(mas, old.trailer);
    return;
  }
  write_atom_table(model, setup, dummies, kappa_sets, mas);
  write_master_after_atoms(model, sw, setup, kappa_sets, old, mas);
}

void write_refinement_controls(const Model& model, int nkset, std::ostream& os) {
  layout::line(os, kRule);
  // Twenty kappa-set numbers per line; a full line ends in " \" and the list
  // goes on in the next line, as XD reads continued instructions.
  os << keep_kappa_instruction(nkset) << '\n';
  layout::line(os, "KEEP  charge group1");
  layout::line(os, "!KEEP  rigid group1");
  layout::line(os, "!RESET bond C(1) H(1) 1.09 ...");
  const auto& w = model.shelx_refinement.wght;
  layout::write(os, "(a,6f11.5)", "WEIGHT  ", w[0], w[1], w[2], w[3], w[4], w[5]);
  layout::line(os, "SKIP  obs 0. 1.d10 *sigobs 3. 1.d06 sinthl 0. 2.");
  layout::line(os, "PRINT sinthl .0 2. obs 0. 15. delta 0. 10. *del% 80 100 extcn 80. 100. *abssc");
  layout::line(os, "!EXTCN  *iso aniso *type_1 type_2 type_3 distr_g *distr_l msc_0  msc_1");
  layout::line(os, "!DMSDA  1.1  1.8");
  layout::line(os, "!FOUR  fmod1 4 2 0 0  fmod2 -1 2 0 0");
  layout::line(os, "!CON  num1 par1/iat1 num2 par2/iat2 ... = num0");
  layout::line(os, kRule);
}

void write_property_modules(int natom, std::ostream& os) {
  static constexpr const char* kHead[] = {
      "!",
      "   MODULE *XDPROP",
      "!",
      "MODEL  iam *multipole",
      "!APPLY  symm 1 translations 0 0 0 ato(1) ato(2) ...",
      "SELECT  *local  numdx  check  esd  nocore",
      "SELECT  cpcut 0.0001 lmax 4  nstep 20  rcut 4.0 ",
      "SELECT  scale 0.05  dx 0.001  ds 0.005 ",
      "SELECT  rad1 0.1  rad2 200.  rad3 10.  zone1 1  zone2 1",
      "SELECT  rEcrit 0.00001  rNcrit 0.00001",
      "QUADINT   iqt 2  Nrad 50  Nang 194  Becke  *Stock  Print",
      "!GROUP  ato(1) ato(2) ...",
      "MOLMOM  *cmass center ucell ccharge",
      "!D-POP",
      "!EXPORT *orient *min16 lmax 4 nmol 1 natmol ...",
      "PROPERTY  *rho gradrho d2rho nucpot elpot core valence defden sigrho siglap esp ef efg",
      "!QFIT  grid 11 length 7.0 width 1.0 constrain false",
      "!CONSTRAIN  ato(1) ato(2) ...",
      "!",
      "!STOCKMOM  defden lmin 0 lmax 4 *cmass center ucell debug",
      "!STOCKMOM *orient *min16 lmax 4 nmol 1 natmol ...",
      "!STOCKMOM  atoms *all select ato(1) ato(2) ...",
      "!",
      "!ATATPOT  *EXREP spack  wilcox lj *saptP  saptA ",
      "!ATATPOT  *DISPR spack  wilcox lj *saptP  saptA ",
      "!ATATPOT  *INDUC                  *saptP  saptA",
      "!",
      "!HBONDS   H(1) O(1) 1.75   H(2) O(2) 1.82",
      "!",
      "!HPOLAR   H(1) H(3) H(4)",
      "!",
      "!INTEREN  frag 1  nat1 -nat2  *neutral",
      "!INTEREN  frag 2  nat3 -nat4  *neutral",
      "!INTEREN  EP aMM  mMM *EPMM  rCrit1 4.5 rCrit2 20. debug",
      "!",
  };
  static constexpr const char* kTail[] = {
      "!LATEN  ncells 0 20  nappl 0  symms 1 2 3",
      "!LATEN  EP  aMM  mMM  *EPMM  rCrit1 4.5 rCrit2 20. lapf debug",
      "!",
      "!POINT  x y z",
      "!LINE  ato(1) ato(2)  npts 50",
      "!LINE  points x1 y1 z1 x2 y2 z2 npts 50",
      "!CUBE  centre x y z   npts 30  stepsize 0.1",
      "!CUBE  ato(1) ato(2)  npts 20  stepsize 0.1",
      "!MAP  atoms ato(1) ato(2) ato(3) npts 50 stepsize 0.1",
      "!MAP  bvect1 x1 y1 z1 bvect2 x2 y2 z2 cen x0 y0 z0 npts 50 stepsize 0.1",
      "!CPSEARCH  bond ato(1) ato(2)",
      "!CPSEARCH  bond rmin  1.2 rmax  1.6",
      "!CPSEARCH  ring ato(1) ato(2) ...",
      "!CPSEARCH  shell ato(1) rmin 0.3 rmax 0.5 nrad 5 nang 11 11 cutoff 16.0",
      "!CPSEARCH BUBBLE ato(1) rmin 0.3 rmax 0.5 curv -3 ncps 3",
      "!CPSEARCH  point x y z",
      "!CPSEARCH  start file.cps",
      "!BPATH  ato(1) ato(2) algrithm 2",
      "!",
      "   END XDPROP",
  };
  for (const char* l : kHead) layout::line(os, l);
  layout::write(os, "(a,i4,a)", "!LATEN  frag1 1 ", -natom, "  *neutral");
  for (const char* l : kTail) layout::line(os, l);
  layout::line(os, kBang);
  layout::line(os, "   MODULE XDGEOM");
  layout::line(os, "SELECT   rmin 0.8 rmax 1.8  tor *ato *bon *ang loc non");
  layout::line(os, "   END  XDGEOM");
  layout::line(os, kBang);
}

}  // namespace vorn
