// The MoPro files: the frame of mopro_vorn.par, con_mopro.inp and
// res_mopro.inp, the model section and the per-atom record groups.
#include "writers/mopro.hpp"

#include <algorithm>
#include <cmath>
#include <string>

#include "layout/text_edit.hpp"
#include "layout/layout.hpp"
#include "localframe/multipole_symmetry.hpp"
#include "structure/cell.hpp"
#include "writers/bond_restraints.hpp"
#include "writers/mopro_symmetry_code.hpp"

namespace vorn {

namespace {

// An integer in w columns; a number too wide for them is written in the
// narrowest width that holds it, so that MoPro can still read the record.
std::string grown_i(long long v, int w) {
  const std::string s = layout::fmt_i(v, w);
  if (s.find('*') == std::string::npos) return s;
  return std::to_string(v);
}

// An occupancy to the precision it needs: five decimals, six for a
// fraction such as 1/48 of a site on a special position (0.020833), whose
// five would lose a digit.  A value within 1e-5 of a fraction whose
// denominator divides a site order (48) is that fraction: SHELX files give
// 1/48 as 0.02083.
std::string occupancy_field(double occ) {
  double v = occ;
  for (const int q : {2, 3, 4, 6, 8, 12, 16, 24, 48}) {
    const double p = std::round(v * q);
    if (p > 0 && std::fabs(v - p / q) < 1e-5) {
      v = p / q;
      break;
    }
  }
  const bool five_hold = std::fabs(v - std::round(v * 1e5) / 1e5) <= 1e-7 * std::max(1.0, std::fabs(v));
  return layout::format(five_hold ? "(f9.5)" : "(f9.6)", v);
}

void lines(std::ostream& os, std::initializer_list<std::string_view> texts) {
  for (std::string_view t : texts) layout::line(os, t);
}

}  // namespace

void write_mopro_par_head(std::ostream& os) {
  const std::string bangs(80, '!');
  lines(os, {bangs, "!               CREATED BY PROGRAM << VORN >>", bangs, "!  "});
}

void write_mopro_crystal_head(const ShelxCrystalHead& head, std::ostream& os) {
  for (const ShelxCrystalHead::Instruction& h : head.instructions) {
    if (h.kind != ShelxCrystalHead::Kind::cell) continue;
    const auto& v = h.wave_cell;
    layout::write(os, "(a4,3f10.4,3f9.4,1x,f8.5)", "CELL", v[1], v[2], v[3], v[4], v[5], v[6], v[0]);
    os << "\n";
  }
  const int ncards = static_cast<int>(head.symm_cards.size()) + 1;
  const std::string letter(1, head.lattice);
  if (head.centrosymmetric)
    layout::write(os, "(A,I3,1X,A,A)", "SYMM ", ncards, letter, " CENTRO");
  else
    layout::write(os, "(A,I3,1X,A)", "SYMM ", ncards, letter);
  layout::line(os, "  X, Y, Z");
  for (const std::string& s : head.symm_cards) layout::line(os, s);
  for (const char* l : {"", "SCALE  1  1.0", "", "FMULT  1.0", "", "UOVER  0.0", "", "SOLVT  0.0  50.0", "",
                        "EXTIN  0.0  GAUSSIAN  ISOT  TYP1", ""})
    layout::line(os, l);
}

namespace {

// MoPro's code for a chemical label on a general position, in the atom's
// frame.  The mirror of "m" is the XY plane, as the KEY has it, for the
// program's frames (X and Y point at the axis atoms) and a MATTS entry's
// (whose "m" is normal to Z whatever its axis letters); the mirror of an
// AXES line's "m" holds both axis points.
std::string mopro_label_code(const SiteSym& s, char l1, char l2, bool set_by_user) {
  if (s == "m") {
    if (!set_by_user) return "mz";
    const bool x = l1 == 'X' || l2 == 'X', y = l1 == 'Y' || l2 == 'Y';
    return x && y ? "mz" : x ? "my" : "mx";
  }
  if (s == "mm2") return "mxmy";
  if (s == "3m") return "3m";
  if (s == "cyl") return "cy";
  return "";
}

std::string term_list(const MultipoleSet& terms) {
  std::string text;
  for (int k = 0; k < kMultipoleTerms; ++k)
    if (terms[static_cast<std::size_t>(k)]) text += ' ' + term_name(k);
  return text;
}

// The code of an atom whose site or label carries symmetry: the label's own
// code on a general position, else the code that allows the most of the
// terms the atom may refine and no other (the log names the terms it
// leaves fixed).  Where MoPro has no such code the line names the site's
// point group, with a warning.
std::string mopro_symmetry_code(const Atom& a, int atom, const Frame& f, Log& log) {
  const std::string label(a.sitesym.trimmed());
  if (f.site_group == "NO") {
    const std::string own = mopro_label_code(a.sitesym, f.letter[0], f.letter[1], f.set_by_user);
    if (!own.empty()) return own;
  }
  // On a site, the KEY refines what both the site and the atom's label
  // leave (a -4m2 perchlorate Cl on a two-fold axis): so must the code.
  const MultipoleSet own = f.set_by_user ? label_multipoles(label, f.letter[0], f.letter[1]) : label_multipoles(label);
  const MultipoleSet permitted = f.site_group == "NO" ? own : f.multipoles & own;
  const MoproChoice choice = choose_mopro_code(permitted);
  const std::string where = f.site_group == "NO" ? "label " + label : "site " + f.site_group;
  if (choice.code.empty()) {
    // The atom's label: the site's point group, or a stricter chemical
    // label that the site frame kept.
    const std::string& group = label;
    warn(log, layout::format("(/9a)", " WARNING: MoPro has no symmetry code that allows only the multipoles of ",
                              a.label.trimmed(), " (", where, "); its SYMPLM line names the point group ", group,
                              ", check that MoPro knows it"),
         atom);
    return group;
  }
  if (choice.fixed.any())
    to_log(log, " MoPro code " + choice.code + " of " + std::string(a.label.trimmed()) + " (" + where +
                    ") leaves fixed the allowed terms :" + term_list(choice.fixed));
  return choice.code;
}

// The atom's SYMPLM line (none on a general position with label "NO").
void write_site_symmetry_line(const Model& model, int atom, const Frame& f, Log& log, std::ostream& con) {
  const Atom& a = model.atoms[atom];
  if (a.sitesym == "NO" && f.site_group == "NO") return;
  std::string code = mopro_symmetry_code(a, atom, f, log);
  code.resize(std::max<std::size_t>(code.size(), 4), ' ');
  if (model.has_residues)
    layout::write(con, "(a,1x,a6,1x,a)", "SYMPLM ", code, model.atoms[atom].residue_name);
  else
    layout::write(con, "(a,1x,a,1x,a,1x,a)", "SYMPLM ", code, label_without_brackets(a.label.view()), "1");
}

}  // namespace

void write_con_site_symmetry(const Model& model, const std::vector<AtomSetup>& setup, Log& log, std::ostream& os) {
  for (int i = 0; i < model.natom; ++i)
    write_site_symmetry_line(model, i, setup[static_cast<std::size_t>(i)].frame, log, os);
}

void write_con_head(std::ostream& os) { lines(os, {"!", "! local symmetry  ", "!"}); }

void write_res_head(std::ostream& os) { lines(os, {"!", "! X-H distances", "!"}); }

void write_mopro_model(const Model& model, const Dummies& dum, const Kappas& k, std::ostream& os) {
  layout::line(os, "DUMMY " + grown_i(dum.count(), 3));
  for (int d = 1; d <= dum.count(); ++d) {
    const auto& p = dum.numbered(d).pos;
    // The dummy's number is written in five columns, left-justified.
    std::string number = std::to_string(d);
    number.resize(std::max<std::size_t>(number.size(), 5), ' ');
    layout::write(os, "('DUMY ',3f12.6,'  D',a,' 0')", p[0], p[1], p[2], number);
  }
  layout::line(os, "");
  layout::line(os, "KAPPA " + grown_i(k.count(), 3));
  for (const KappaSet& s : k.sets) layout::write(os, "(2f10.6)", s.kappa, s.kappa_prime);
  layout::line(os, "");
  layout::line(os, "ATOMS " + grown_i(model.natom, 4));
  layout::line(os, "");
}

namespace {

// The atom's local axes, multipole level and kappa set, as the line after
// its ATOM line (90 columns).
Text<90> axes_line(const Atom& a, const AtomSetup& s) {
  const Frame& f = s.frame;
  const std::string ax1 = label_without_brackets(short_dummy_label(f.label[0].view()));
  const std::string ax2 = label_without_brackets(short_dummy_label(f.label[1].view()));
  const bool hydrogen = rtrim(label_before_bracket(a.label.view())) == "H";
  const std::string level = hydrogen ? " QUA " : " HEX ";
  const std::string kword = " K" + padded(std::to_string(s.kappa_set), 5);
  return layout::format("(a,a,3x,a,3x,a,3x,a,3x,a,3x,a)", std::string(1, f.letter[0]), std::string(1, f.letter[1]),
                        ax1, ax2, level, kword, "V0  M0  Q0");
}

// The commented-out valence-population constraint of an atom that is
// chemically constrained to another (90 columns).
Text<90> constraint_line(const Model& model, int atom, int ref) {
  if (model.has_residues)
    return layout::format("(a,1x,a,2x,a)", "! CONPVM ", model.atoms[atom].residue_name, model.atoms[ref].residue_name);
  return layout::format("(a,1x,a,2x,a,1x,a,1x,a)", "! CONPVM ", label_without_brackets(model.atoms[atom].label.view()), "1",
                        label_without_brackets(model.atoms[ref].label.view()), "1");
}

}  // namespace

void write_mopro_atom(const Model& model, const Populations& mp, int i, const AtomSetup& s, Log& log,
                      std::ostream& os) {
  const Atom& a = model.atoms[i];
  const std::string element = label_before_bracket(a.label);
  const std::string number = grown_i(i + 1, 3);   // MoPro numbers the atoms from 1

  const std::string occupancy = occupancy_field(a.occ);
  if (model.has_residues) {
    layout::write(os, "('ATOM ',a,1x,a,3f12.6,a,1x,' 1 ',a)", number, model.atoms[i].residue_text, a.fractional[0], a.fractional[1], a.fractional[2],
                  occupancy, element);
  } else {
    layout::write(os, "('ATOM ',a,1x,a,'MOL   1',3f12.6,a,1x,' 1 ',a)", number, label_without_brackets(a.label), a.fractional[0], a.fractional[1],
                  a.fractional[2], occupancy, element);
  }
  layout::line(os, axes_line(a, s).view());

  // Only a label whose element part is exactly "H" marks a hydrogen here,
  // as for the multipole level of the atom's axes line.
  const bool hydrogen = Text<10>(element) == "H";
  if (hydrogen) {
    // MoPro's hydrogen record holds one isotropic U: Ueq for an anisotropic
    // hydrogen (its U11 alone is no isotropic value).
    layout::write(os, "('UISO   ',f10.6)", equivalent_u(a, model.cell));
  } else {
    layout::write(os, "('UANI   ',6f10.6)", a.u[0], a.u[1], a.u[2], a.u[3], a.u[4], a.u[5]);
  }

  // The stored populations include the occupancy; MoPro carries it apart.
  // An atom of occupancy 0 has nothing to divide: its populations are 0.
  if (a.occ == 0.0) {
    warn(log, layout::format("(/3a)", " WARNING: atom ", a.label.trimmed(),
                              " has occupancy 0; its MoPro populations are written as 0"),
         i);
  }
  auto q = [&a](double v) { return a.occ != 0.0 ? v / a.occ : 0.0; };
  const Plm& p = mp.of[i].plm;
  // Each population in five columns, two blanks apart: F5.3, or fewer
  // decimals for a value that F5.3 cannot hold (-1 or less, 10 or more),
  // never asterisks.
  auto fields = [&](std::initializer_list<double> values) {
    std::string text;
    for (const double v : values) {
      std::string f = layout::format("(f5.3)", v);
      for (const char* wider : {"(f5.2)", "(f5.1)", "(f5.0)"})
        if (f.find('*') != std::string::npos) f = layout::format(wider, v);
      text += (text.empty() ? "" : "  ") + f;
    }
    return text;
  };
  os << layout::format("(2f8.5)", q(mp.of[i].pv), q(p(0, 0))) << "  "
     << fields({q(p(1, 1)), q(p(1, -1)), q(p(1, 0)), q(p(2, 0)), q(p(2, 1)), q(p(2, -1)), q(p(2, 2)), q(p(2, -2))})
     << '\n';
  if (!hydrogen) {
    os << "  " << fields({q(p(3, 0)), q(p(3, 1)), q(p(3, -1)), q(p(3, 2)), q(p(3, -2)), q(p(3, 3)), q(p(3, -3))})
       << '\n';
    os << "  "
       << fields({q(p(4, 0)), q(p(4, 1)), q(p(4, -1)), q(p(4, 2)), q(p(4, -2)), q(p(4, 3)), q(p(4, -3)), q(p(4, 4)),
                  q(p(4, -4))})
       << '\n';
  }
  layout::line(os, "");
}

void write_mopro_par_tail(std::ostream& os) {
  lines(os, {"", "ANHAR    0    3         !  #atoms #order ", "! 1         ! atom number ",
                           "! 0. 0. 0. 0. 0. 0. 0. 0. ", "! 0. 0. ", "", "STOP "});
}

void write_con_tail(const Model& model, const KappaSets& kappa_sets, const std::vector<AtomSetup>& setup,
                    std::ostream& os) {
  lines(os, {"!", "! similarity (switched-off)", "!"});
  for (int i = 0; i < model.natom; ++i)
    if (kappa_sets.of[i].constrained)
      layout::line(os, constraint_line(model, i, setup[static_cast<std::size_t>(i)].reference).view());
  lines(os, {"!", "! end", "!"});
}

void write_res_tail(const Model& model, const std::vector<AtomSetup>& setup, std::ostream& os) {
  lines(os, {"!", "! isotropic H atoms ADPs", "!"});
  for (const AtomSetup& s : setup)
    if (s.frame.extended_bond) layout::line(os, uratio_line(model, *s.frame.extended_bond).view());
  lines(os, {"!", "! end", "!"});
}

}  // namespace vorn
