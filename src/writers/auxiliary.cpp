// The plot file vorn.spf (head and plotting instructions) and the atom
// lines of fixedH.ins.
#include "writers/auxiliary.hpp"

#include <algorithm>
#include <string>
#include <vector>

#include "layout/layout.hpp"
#include "localframe/dummy_atoms.hpp"
#include "structure/cell.hpp"
#include "structure/elements.hpp"

namespace vorn {

namespace {

// The fixed drawing instructions: colours, sizes, and no bonds drawn
// between the axis pseudo-atoms.
constexpr std::string_view kPlotLines[] = {
    "SOLID COLOR",          "COLOR TYPE X GREEN Y YELLOW Z BROWN D ORANGE",
    "RADII ATOMS ALL 0.06", "RADII ATOMS X 0.02",
    "RADII ATOMS Y 0.02",   "RADII ATOMS Z 0.02",
    "RADII BONDS ALL 0.01 1", "RADII BONDS TO X 0.01 1",
    "RADII BONDS TO Y 0.01 1", "RADII BONDS TO Z 0.01 1",
    "RADII BONDS TO D 0.00 0", "DETACH X Y",
    "DETACH X Z",           "DETACH Y Z",
    "DETACH X X",           "DETACH Y Y",
    "DETACH Z Z",           "LABEL ON",
    "LABEL H",              "UNLABEL X Y Z",
};

}  // namespace

void write_spf_head(std::ostream& os) {
  layout::line(os, "TITL X-green, Y-yellow, Z-brown, Dummy(D)-orange");
  layout::line(os, "ANGSTROM");
}

void write_reduced_ang(const Model& model, const std::vector<int>& reduced, std::ostream& os) {
  os << "ANGSTROM\n";
  for (const int atom : reduced) {
    const Atom& at = model.atoms[atom];
    layout::write(os, "('ATOM ',a8,3f12.4)", at.label, at.cartesian[0], at.cartesian[1], at.cartesian[2]);
  }
}

void write_reduced_numbered_ang(const Model& model, const std::vector<int>& reduced, std::ostream& os) {
  os << "ANGSTROM\n";
  int position = 0;
  for (const int atom : reduced) {
    const Atom& at = model.atoms[atom];
    std::string name = layout::format("(a2,i6)", two_letter_symbol(at.atomic_number), ++position);
    name.erase(std::remove(name.begin(), name.end(), ' '), name.end());
    layout::write(os, "('ATOM ',a8,3f12.4)", Label(name), at.cartesian[0], at.cartesian[1], at.cartesian[2]);
  }
}

void write_complete_ang(const Model& model, std::ostream& os) {
  for (int k = 0; k < model.entries; ++k) {
    const Atom& a = model.atoms[k];
    layout::write(os, "('ATOM ',a10,3x,3f12.4)", a.label, a.cartesian[0], a.cartesian[1], a.cartesian[2]);
  }
}

void write_spf_axes(const Model& model, const std::vector<AtomSetup>& setup, std::ostream& os) {
  for (int i = 0; i < model.natom; ++i) {
    const Frame& f = setup[static_cast<std::size_t>(i)].frame;
    plot_local_axes(model.atoms[i], i, f.pos[0], f.pos[1], f.letter[0], f.letter[1], os);
  }
}

void write_vorn_ang(const Model& model, const Switches& sw, const Dummies& dummies, std::ostream& os) {
  layout::line(os, "ANGSTROM");
  for (int i = 0; i < model.natom; ++i) {
    const Atom& a = model.atoms[i];
    layout::write(os, "('ATOM ',a8,3x,3f14.4)", a.label, a.cartesian[0], a.cartesian[1], a.cartesian[2]);
  }
  for (int d = 1; d <= dummies.count(); ++d) {
    const Vec3 c = dummy_cart(dummies, model, sw, d);
    // Dummies are drawn as lithium atoms, numbered in as many digits as
    // they need.
    layout::write(os, "('ATOM ',a,2x,3f14.4)", "Li(" + std::to_string(d) + ")", c[0], c[1], c[2]);
  }
}

void write_spf_tail(const Model& model, const Switches& sw, const Dummies& dummies, std::ostream& os) {
  const int ndum = dummies.count();
  for (int d = 1; d <= ndum; ++d) {
    const Vec3 p = dummy_cart(dummies, model, sw, d);
    layout::write(os, "('ATOM ',a,2x,3f14.4)", "D(" + std::to_string(d) + ")", p[0], p[1], p[2]);
  }

  // Bond radii: every element of the structure, then the axis and dummy
  // pseudo-atoms with a tiny radius so that they never join real atoms.
  const std::vector<int>& types = model.scattering_types;
  std::vector<layout::Item> items;
  items.emplace_back(std::string_view("JOIN RADII "));
  for (const int z : types) {
    items.emplace_back(two_letter_symbol(z));
    items.emplace_back(covalent_radius(sw, z));
  }
  for (const char* pseudo : {"X", "Y", "Z", "D"}) {
    if (pseudo[0] == 'D' && ndum == 0) break;
    items.emplace_back(std::string_view(pseudo));
    items.emplace_back(0.01);
  }
  os << layout::format_items("(a,100(1x,a2,f5.2))", items) << '\n';

  for (std::string_view t : kPlotLines) layout::line(os, t);
  if (ndum > 0) {
    for (std::string_view t : {"RADII ATOMS D 0.02", "DETACH D X", "DETACH D Y", "DETACH D Z", "LABEL D"})
      layout::line(os, t);
    for (const int z : types) layout::line(os, "DETACH D " + std::string(two_letter_symbol(z)));
  }
  layout::line(os, "PLOT");
}

}  // namespace vorn
