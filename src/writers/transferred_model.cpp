// vorn_types.csv and the rhoCIF vorn_model.cif.
#include "writers/transferred_model.hpp"

#include <cmath>
#include <cstdio>
#include <string>

#include <gemmi/symmetry.hpp>

#include "localframe/dummy_atoms.hpp"
#include "structure/cell.hpp"
#include "structure/elements.hpp"

namespace vorn {

namespace {

std::string trimmed_label(std::string_view s) {
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  return std::string(s);
}

// A CIF value: quoted when it holds characters CIF reserves.
std::string cif_value(const std::string& s) {
  if (s.empty()) return ".";
  if (s.find_first_of(" '\"#$_[];") == std::string::npos && s[0] != '(') return s;
  std::string q(1, '\'');
  q += s;
  q += '\'';
  return q;
}

std::string number(double v, int decimals) {
  char b[40];
  if (!std::isfinite(v)) v = 0;
  std::snprintf(b, sizeof b, "%.*f", decimals, v);
  std::string s = b;
  if (s.find_first_not_of("-0.") == std::string::npos) s.erase(0, s[0] == '-' ? 1 : 0);   // no "-0.000"
  return s;
}

std::string xyz_of(const SymOp& s) {
  gemmi::Op op;
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j)
      op.rot[j][i] = static_cast<int>(std::lround(s.rot[static_cast<std::size_t>(i)][static_cast<std::size_t>(j)] * gemmi::Op::DEN));
    op.tran[i] = static_cast<int>(std::lround(s.trans[static_cast<std::size_t>(i)] * gemmi::Op::DEN));
  }
  return op.wrap().triplet();
}

const char* hand_text(Handedness h) { return h == Handedness::left ? "L" : "R"; }

// rhoCIF's names of the populations: P00, then P1 1 P1 -1 P1 0 written
// P11 P1-1 P10, and so on to l = 4.
std::string plm_name(int l, int m) {
  std::string name(1, 'P');
  name += std::to_string(l);
  name += std::to_string(m);
  return name;
}

}  // namespace

void write_types_csv(const Model& model, const std::vector<AtomSetup>& setup,
                     const std::vector<TransferredAtom>& transferred, std::ostream& os) {
  for (std::size_t i = 0; i < transferred.size() && i < setup.size(); ++i) {
    const Atom& a = model.atoms[i];
    const Frame& f = setup[i].frame;
    const std::string label = trimmed_label(a.label.view());
    os << label << ';' << transferred[i].id << ';' << trimmed_label(f.label[0].view()) << ' ' << f.letter[0] << ' '
       << label << ' ' << trimmed_label(f.label[1].view()) << ' ' << f.letter[1] << ' ' << hand_text(setup[i].handedness)
       << ';' << trimmed_label(a.sitesym.view()) << '\n';
  }
}

void write_rho_cif(const Model& model, const Switches& sw, const std::vector<AtomSetup>& setup, const Dummies& dummies,
                   const Populations& populations, const Kappas& kappas, std::ostream& os) {
  os << "# The multipole model transferred from a MATTS-format bank; populations\n"
        "# in each atom's local frame as given by _atom_local_axes.\n";
  os << "data_vorn_model\n";
  const bool cell = sw.has_cell;
  if (cell) {
    const UnitCell& c = model.cell;
    os << "_cell_length_a " << number(c.a, 4) << "\n_cell_length_b " << number(c.b, 4) << "\n_cell_length_c "
       << number(c.c, 4) << "\n_cell_angle_alpha " << number(c.alpha, 3) << "\n_cell_angle_beta " << number(c.beta, 3)
       << "\n_cell_angle_gamma " << number(c.gamma, 3) << "\n\nloop_\n_space_group_symop_operation_xyz\n";
    for (const SymOp& op : model.symm.ops) os << "'" << xyz_of(op) << "'\n";
  }
  // Input without a cell (AIM2TAB, PLATON) has no fractional coordinates:
  // the sites are given by the Cartesian coordinates of the input, in A,
  // which is what the atom table and the frames were built from.
  const char* const kind = cell ? "fract" : "Cartn";
  if (!cell) os << "\n_atom_sites_Cartn_transform_axes 'Cartesian axes of the input file; it has no cell'\n";
  os << "\nloop_\n_atom_site_label\n_atom_site_type_symbol\n_atom_site_" << kind << "_x\n_atom_site_" << kind
     << "_y\n_atom_site_" << kind << "_z\n_atom_site_occupancy\n_atom_site_calc_flag\n";
  const int n = static_cast<int>(setup.size());
  for (int i = 0; i < n; ++i) {
    const Atom& a = model.atoms[i];
    const Vec3 p = cell ? Vec3{a.fractional[0], a.fractional[1], a.fractional[2]} : Vec3(cart(model, i));
    os << cif_value(trimmed_label(a.label.view())) << ' ' << trimmed_label(two_letter_symbol(a.atomic_number)) << ' ' << number(p[0], 6) << ' '
       << number(p[1], 6) << ' ' << number(p[2], 6) << ' ' << number(a.occ, 4) << " .\n";
  }
  // Dummy atoms as sites of no element, flagged as such.
  for (int d = 1; d <= dummies.count(); ++d) {
    const Vec3 p = cell ? dummies.numbered(d).pos : dummy_cart(dummies, model, sw, d);
    os << cif_value(trimmed_label(dummies.numbered(d).label.view())) << " . " << number(p[0], 6) << ' ' << number(p[1], 6) << ' '
       << number(p[2], 6) << " 0.0000 dum\n";
  }
  os << "\nloop_\n_atom_local_axes_atom_label\n_atom_local_axes_atom0\n_atom_local_axes_ax1\n"
        "_atom_local_axes_atom1\n_atom_local_axes_atom2\n_atom_local_axes_ax2\n_atom_local_axes_handedness\n";
  for (int i = 0; i < n; ++i) {
    const Frame& f = setup[static_cast<std::size_t>(i)].frame;
    const std::string label = cif_value(trimmed_label(model.atoms[i].label.view()));
    os << label << ' ' << cif_value(trimmed_label(f.label[0].view())) << ' ' << f.letter[0] << ' ' << label << ' '
       << cif_value(trimmed_label(f.label[1].view())) << ' ' << f.letter[1] << ' '
       << hand_text(setup[static_cast<std::size_t>(i)].handedness) << '\n';
  }
  os << "\nloop_\n_atom_rho_multipole_atom_label\n_atom_rho_multipole_coeff_Pv\n";
  for (int l = 0; l <= 4; ++l)
    for (int m : {0, 1, -1, 2, -2, 3, -3, 4, -4})
      if (std::abs(m) <= l) os << "_atom_rho_multipole_coeff_" << plm_name(l, m) << '\n';
  os << "_atom_rho_multipole_kappa\n_atom_rho_multipole_kappa_prime\n";
  for (int i = 0; i < n; ++i) {
    const Atom& a = model.atoms[i];
    const double occ = a.occ > 0 ? a.occ : 1;
    const int k = setup[static_cast<std::size_t>(i)].kappa_set;
    os << cif_value(trimmed_label(a.label.view())) << ' ' << number(populations.of[i].pv / occ, 5);
    for (int l = 0; l <= 4; ++l)
      for (int m : {0, 1, -1, 2, -2, 3, -3, 4, -4})
        if (std::abs(m) <= l) os << ' ' << number(populations.of[i].plm(l, m) / occ, 5);
    os << ' ' << number(kappas.set(k).kappa, 5) << ' ' << number(kappas.set(k).kappa_prime, 5) << '\n';
  }
}

}  // namespace vorn
