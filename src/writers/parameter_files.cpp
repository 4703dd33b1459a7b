// The XD parameter file xd_vorn.inp.  Its per-atom pass also writes each
// atom's fixedH.ins line and its MoPro records, so that the three files
// list the atoms in the same order from the same populations.
#include "writers/parameter_files.hpp"

#include <algorithm>
#include <array>

#include <string>
#include <vector>

#include "layout/layout.hpp"
#include "writers/auxiliary.hpp"
#include "writers/mopro.hpp"

namespace vorn {

namespace {

// Records 1 to 9: banner, version, model, limits, usage, the fourteen
// zeros and the dummy atoms.
// Number of scattering-factor tables: the highest table index of an atom, at
// least one.
int scattering_table_count(const Model& model) {
  int n = 1;
  for (int i = 0; i < model.natom; ++i) n = std::max(n, model.atoms[i].scattering_type);
  return n;
}

void write_head(const Model& model, const Dummies& dummies, const Kappas& kappas, std::ostream& os) {
  const std::string bangs(80, '!');
  layout::line(os, bangs);
  layout::line(os, "!                   CREATED BY PROGRAM << VORN >>");
  layout::line(os, bangs);
  layout::line(os, "XDPARFILE VERSION  2");
  layout::line(os, "  " + std::string(model.model_name.trimmed()) + "   MODEL  4  2  1  0");
  layout::line(os, "LIMITS nat 300 ntx 31 lmx 4 nzz 30 nto 0 nsc 20 ntb 20 nov 2500");
  layout::write(os, "('USAGE ',i4,' 2 4 ',i4,' 0 1 0 0 ',i4,' 0 0 0 0 ',i4)", model.natom, kappas.count(), scattering_table_count(model),
                dummies.count());
  const double zero = 0.0;
  layout::write(os, "(8f10.6)", zero, zero, zero, zero, zero, zero, zero, zero, zero, zero, zero, zero, zero, zero);
  for (const DummyAtom& dummy : dummies.atoms) {
    const auto& p = dummy.pos;
    layout::write(os, "(3f13.6)", p[0], p[1], p[2]);
  }
}

// Record 10 for entry i of the atom table: atom line, displacement line, population lines.
void write_atom(const Atom& a, const Populations& mp, int i, int decimals, std::ostream& os) {
  const auto& x = mp.of[i].xd_integers;
  // Built piece by piece: g++ 12 warns falsely (-Wrestrict) on a literal
  // plus a string here.
  std::string atom_layout = "(a8,2i3,3i5,2x,6i5,3f";
  atom_layout += std::to_string(decimals + 4);
  atom_layout += '.';
  atom_layout += std::to_string(decimals);
  atom_layout += ",f8.4)";
  layout::write(os, atom_layout, a.label, x[0], x[1], x[2], x[3], x[4], x[5], x[6],
                x[7], x[8], x[9], x[10], a.fractional[0], a.fractional[1], a.fractional[2], a.occ);
  layout::write(os, "(6f10.6)", a.u[0], a.u[1], a.u[2], a.u[3], a.u[4], a.u[5]);
  // Pv, then the multipoles in XD's order: the dipoles as +1, -1, 0; from
  // the quadrupoles on m = 0, then +1, -1, +2, -2, ...
  const Plm& p = mp.of[i].plm;
  std::vector<layout::Item> items{layout::to_item(mp.of[i].pv), layout::to_item(p(0, 0)),
                                  layout::to_item(p(1, 1)), layout::to_item(p(1, -1)), layout::to_item(p(1, 0))};
  for (int l = 2; l <= 4; ++l) {
    items.push_back(layout::to_item(p(l, 0)));
    for (int m = 1; m <= l; ++m) {
      items.push_back(layout::to_item(p(l, m)));
      items.push_back(layout::to_item(p(l, -m)));
    }
  }
  os << layout::format_items("(10f8.4)", items) << '\n';
}

// Records 11 to 13: kappa sets, extinction and overall thermal
// parameters, scale factor.
void write_tail(const Model& model, const Kappas& k, std::ostream& os) {
  for (const KappaSet& s : k.sets)
    layout::write(os, "(i3,6f10.6)", s.scattering_type, s.kappa, s.kappa_prime, s.kappa_prime, s.kappa_prime,
                  s.kappa_prime, s.kappa_prime);
  // Values 1 to 9 of the free-variable list (scale, extinction, overall
  // thermal parameter); those the input does not give are 1 for the scale
  // and 0.
  const std::vector<double>& given = model.shelx_refinement.fvar;
  auto fv = [&](std::size_t k) { return k <= given.size() ? given[k - 1] : (k == 1 ? 1.0 : 0.0); };
  layout::write(os, "(7e11.4)", fv(2), fv(3), fv(4), fv(5), fv(6), fv(7), fv(8), fv(9));
  layout::write(os, "(e13.6)", fv(1));
}

}  // namespace

void write_parameter_files(const Model& model, const std::vector<AtomSetup>& setup, const Dummies& dummies,
                           const Populations& populations, const Kappas& kappas, const KappaSets& kappa_sets, Log& log,
                           const ParameterStreams& out, int coordinate_decimals) {
  if (out.par) write_head(model, dummies, kappas, *out.par);
  write_mopro_model(model, dummies, kappas, out.mopro);
  for (int i = 0; i < model.natom; ++i) {
    if (out.par) write_atom(model.atoms[i], populations, i, coordinate_decimals, *out.par);
    write_mopro_atom(model, populations, i, setup[static_cast<std::size_t>(i)], log, out.mopro);
  }
  write_con_tail(model, kappa_sets, setup, out.con);
  write_mopro_par_tail(out.mopro);
  if (out.par) write_tail(model, kappas, *out.par);
}

namespace {

// The atom line with its coordinates (words 13 to 15) replaced, each right
// aligned where the old word ended, with as many decimals.
std::string with_position(const std::string& line, const std::array<double, 3>& xyz) {
  std::string out;
  std::size_t previous_end = 0;
  for (int w = 1; w <= 15; ++w) {
    const std::size_t begin = line.find_first_not_of(' ', previous_end);
    if (begin == std::string::npos) return line;
    const std::size_t end = std::min(line.find(' ', begin), line.size());
    if (w < 13) {
      out += line.substr(previous_end, end - previous_end);
    } else {
      const std::string old = line.substr(begin, end - begin);
      const std::size_t point = old.find('.');
      const int decimals = point == std::string::npos ? 0 : static_cast<int>(old.size() - point - 1);
      const int width = std::max(static_cast<int>(end - previous_end) - 1, decimals + 3);
      out += ' ' + layout::format("(f" + std::to_string(width) + "." + std::to_string(decimals) + ")",
                                  xyz[static_cast<std::size_t>(w - 13)]);
    }
    previous_end = end;
  }
  return out + line.substr(previous_end);
}

}  // namespace

void write_kept_parameter_file(const Model& model, std::ostream& par) {
  std::vector<std::string> records = model.xd_refined.parameter_records;
  for (int i = 0; i < model.natom && static_cast<std::size_t>(i) < model.xd_refined.atoms.size(); ++i) {
    const XdRefinedAtom& kept = model.xd_refined.atoms[static_cast<std::size_t>(i)];
    const Atom& a = model.atoms[i];
    const std::array<double, 3> now{a.fractional[0], a.fractional[1], a.fractional[2]};
    if (now != kept.position && kept.atom_record < records.size())
      records[kept.atom_record] = with_position(records[kept.atom_record], now);
  }
  for (const std::string& r : records) par << r << '\n';
}

}  // namespace vorn
