#include "writers/fixed_hydrogens.hpp"

#include <algorithm>
#include <cmath>
#include <map>

#include "layout/layout.hpp"
#include "layout/text_edit.hpp"
#include "structure/elements.hpp"
#include "structure/unique_labels.hpp"

namespace vorn {

namespace {

// The translation as a fraction of twelfths (every crystallographic one),
// else as a decimal.
std::string translation_text(double t) {
  const double twelfths = t * 12;
  if (std::fabs(twelfths - std::round(twelfths)) > 1e-4) return layout::format("(f9.6)", t);
  int num = static_cast<int>(std::lround(twelfths)), den = 12;
  for (int d : {2, 2, 3})
    if (num % d == 0 && den % d == 0) num /= d, den /= d;
  std::string text = std::to_string(num);
  if (den != 1) {
    text += '/';
    text += std::to_string(den);
  }
  return text;
}

int lattice_number(char letter) {
  static const std::map<char, int> numbers{{'P', 1}, {'I', 2}, {'R', 3}, {'F', 4}, {'A', 5}, {'B', 6}, {'C', 7}};
  const auto it = numbers.find(letter);
  return it == numbers.end() ? 1 : it->second;
}

bool is_identity(const SymOp& op) {
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j)
      if (op.rot[static_cast<std::size_t>(i)][static_cast<std::size_t>(j)] != (i == j ? 1.0 : 0.0)) return false;
  return op.trans == std::array<double, 3>{0, 0, 0};
}

// The atom's scattering type: its own, or the type of its element for input
// that has none (Cartesian input).
int type_of(const Model& model, const Atom& a) {
  if (a.scattering_type > 0) return a.scattering_type;
  const std::vector<int>& types = model.scattering_types;
  const auto it = std::find(types.begin(), types.end(), a.atomic_number);
  return it == types.end() ? 0 : static_cast<int>(it - types.begin()) + 1;
}

// SHELX takes at most 80 columns; a longer atom record goes on with "=".
// Input without a cell keeps its Cartesian coordinates in a cubic cell of
// one Angstrom.
void atom_record(const Model& model, const Atom& a, const std::string& name, std::ostream& os) {
  const bool cell = model.cell.a > 0;
  const std::string head =
      layout::format("(a,1x,i3,3f11.6,f12.5)", padded(name, 6), type_of(model, a),
                     cell ? a.fractional[0] : a.cartesian[0], cell ? a.fractional[1] : a.cartesian[1], cell ? a.fractional[2] : a.cartesian[2], 10.0 + a.occ);
  if (a.adp_type < 2) {
    layout::line(os, head + layout::format("(f11.5)", a.u[0]));
    return;
  }
  // SHELX's order: U11 U22 U33 U23 U13 U12.
  layout::line(os, head + layout::format("(2f11.5,a)", a.u[0], a.u[1], " ="));
  layout::line(os, layout::format("(4x,4f11.5)", a.u[2], a.u[5], a.u[4], a.u[3]));
}

}  // namespace

std::string symm_card(const SymOp& op) {
  std::string card;
  for (std::size_t j = 0; j < 3; ++j) {
    std::string term;
    for (std::size_t i = 0; i < 3; ++i) {
      const double c = op.rot[i][j];
      if (c == 0) continue;
      term += c < 0 ? "-" : term.empty() ? "" : "+";
      if (std::fabs(std::fabs(c) - 1) > 1e-6) term += layout::format("(f4.1)", std::fabs(c)) + "*";
      term += "XYZ"[i];
    }
    const double t = op.trans[j];
    if (t != 0) {
      term += t < 0 ? '-' : '+';
      term += translation_text(std::fabs(t));
    }
    if (j > 0) card += ", ";
    card += term.empty() ? std::string("0") : term;
  }
  return card;
}

void write_fixedh_file(const Model& model, std::ostream& os) {
  layout::line(os, "TITL " + std::string(model.model_name.trimmed()) + " with X-H bonds extended to standard lengths");
  const UnitCell c = model.cell.a > 0 ? model.cell : UnitCell{1, 1, 1, 90, 90, 90};
  const double wave = model.wavelength > 0 ? model.wavelength : 0.71073;
  layout::write(os, "('CELL ',f8.5,3f11.5,3f10.4)", wave, c.a, c.b, c.c, c.alpha, c.beta, c.gamma);
  const ShelxCrystalHead& head = model.shelx_head;
  int operators = model.symm.count();
  if (!head.instructions.empty()) {
    layout::write(os, "('LATT ',i2)", (head.centrosymmetric ? 1 : -1) * lattice_number(head.lattice));
    for (const std::string& s : head.symm_cards) layout::line(os, "SYMM " + std::string(rtrim(s.substr(std::min(s.find_first_not_of(' '), s.size())))));
  } else {
    // Every operator of the model, the inversion and centring included.
    layout::line(os, "LATT -1");
    for (const SymOp& op : model.symm.ops)
      if (!is_identity(op)) layout::line(os, "SYMM " + symm_card(op));
  }
  std::string sfac = "SFAC", unit = "UNIT";
  for (int k = 1; k <= static_cast<int>(model.scattering_types.size()); ++k) {
    double count = 0;
    for (int i = 0; i < model.natom; ++i)
      if (type_of(model, model.atoms[i]) == k) count += model.atoms[i].occ;
    sfac += ' ';
    sfac += rtrim(two_letter_symbol(model.scattering_types[static_cast<std::size_t>(k - 1)]));
    unit += ' ';
    unit += std::to_string(std::lround(count * std::max(operators, 1)));
  }
  layout::line(os, sfac);
  layout::line(os, unit);
  layout::line(os, "FVAR 1.00000");
  const std::vector<std::string> names = refinement_names(model);
  for (int i = 0; i < model.natom; ++i) atom_record(model, model.atoms[i], names[static_cast<std::size_t>(i)], os);
  layout::line(os, "HKLF 4");
  layout::line(os, "END");
}

}  // namespace vorn
