// An entry bonds to a missing image when an image of an asymmetric-unit
// atom lies within bonding distance of it and no entry lies at the image.
// The images are those of the complete-fragment search with a wider range
// of cells, so the check sees what lies just beyond the cells searched.
#include "topology/open_molecules.hpp"

#include <algorithm>
#include <array>
#include <string>

#include "layout/layout.hpp"
#include "structure/cell.hpp"
#include "topology/bond_rules.hpp"
#include "topology/cell_grid.hpp"
#include "topology/fragments.hpp"
#include "topology/image_search.hpp"

namespace vorn {

namespace {

// How far the NCELLS values offered in a warning go beyond the one asked.
constexpr int kNcellsProbed = 3;

std::string labels_of(const Model& md, const std::vector<int>& atoms) {
  std::string text;
  for (const int a : atoms) {
    text += ' ';
    text += md.atoms[a].label.trimmed();
  }
  return text;
}

Model asymmetric_unit(const Model& md) {
  Model unit = md;
  unit.entries = unit.natom;
  for (int i = 0; i < unit.natom; ++i) unit.atoms[i].copies = 0;
  return unit;
}

}  // namespace

std::vector<int> atoms_with_missing_bonds(const Model& md, const Switches& sw, int cells) {
  Switches wide = sw;
  wide.complete_fragment_cells = cells;
  ImageSearch images(md, wide);
  if (!images.prepare()) return {};
  const int n = md.entries;
  std::vector<Vec3> positions;
  for (int k = 0; k < n; ++k) positions.push_back(cart(md, k));
  CellGrid entries;
  entries.build(positions, 1.0);
  const double tol = sw.tols.bond;
  std::vector<char> open(static_cast<std::size_t>(md.natom), 0);
  std::vector<int> cand;
  for (int k = 0; k < n; ++k) {
    const int source = k >= md.natom ? md.atoms[k].copy_of : k;
    if (open[static_cast<std::size_t>(source)] != 0) continue;
    const Vec3 pk = cart(md, k);
    if (!finite3(pk)) continue;
    const double rk = covalent_radius(sw, md.atoms[k].atomic_number);
    images.near(frac(md, k), rk + images.largest_covalent_radius() + tol, [&](long long, int i, int op, const std::array<int, 3>& t) {
      if (open[static_cast<std::size_t>(source)] != 0) return;
      Vec3 xs{}, cartesian{};
      images.place(i, op, t, xs, cartesian);
      const double d = dist(cartesian, pk);
      if (!(d <= rk + covalent_radius(sw, md.atoms[i].atomic_number) + tol) || d < kMinBondLength) return;
      if (!parts_may_bond(md.atoms[i].part, md.atoms[k].part, k >= md.natom)) return;
      if (md.corrections.forbids(i, source)) return;
      entries.candidates(cartesian, 0.001, cand);
      for (const int e : cand)
        if (dist(cartesian, positions[static_cast<std::size_t>(e)]) < 0.001) return;
      open[static_cast<std::size_t>(source)] = 1;
    });
  }
  std::vector<int> atoms;
  for (int i = 0; i < md.natom; ++i)
    if (open[static_cast<std::size_t>(i)] != 0) atoms.push_back(i);
  return atoms;
}

namespace {

// The atoms left open by the complete-fragment search with NCELLS c over
// the unit, counted over every entry the search added (a copy may reach
// out where the atom itself does not); none when the table outgrows what
// a finite molecule holds.
std::optional<std::vector<int>> open_after_search(const Model& unit, const Switches& sw, int c) {
  Model grown = asymmetric_unit(unit);
  Switches probe = sw;
  probe.complete_fragment_cells = c;
  // A finite molecule holds at most one copy of an atom per operator;
  // a table that grows far beyond that is a chain or a network.
  // The trial gives up quietly there: the hint never stops the run.
  const long long capacity = 4LL * unit.natom * (unit.symm.count() + 1);
  if (!add_bonded_copies(grown, probe, false, capacity)) return std::nullopt;
  return atoms_with_missing_bonds(grown, sw, c + 2);
}

// The smallest NCELLS, 0 to kNcellsProbed, after whose search no entry
// bonds to a missing image; none for chains and networks.
std::optional<int> ncells_closing_every_molecule(const Model& unit, const Switches& sw) {
  for (int c = 0; c <= kNcellsProbed; ++c) {
    const std::optional<std::vector<int>> open = open_after_search(unit, sw, c);
    if (!open) break;
    if (open->empty()) return c;
  }
  return std::nullopt;
}

}  // namespace

std::vector<int> ncells_completing(const Model& unit, const Switches& sw, const std::vector<int>& atoms, int least, int most) {
  std::vector<int> value(atoms.size(), -1);
  for (int c = least; c <= most; ++c) {
    const std::optional<std::vector<int>> open = open_after_search(unit, sw, c);
    if (!open) break;
    bool all = true;
    for (std::size_t k = 0; k < atoms.size(); ++k) {
      if (value[k] < 0 && !std::binary_search(open->begin(), open->end(), atoms[k])) value[k] = c;
      all = all && value[k] >= 0;
    }
    if (all) break;
  }
  return value;
}

void warn_open_molecules(const Model& completed, const Switches& sw, Log& log) {
  const int c = sw.complete_fragment_cells;
  const std::vector<int> open = atoms_with_missing_bonds(completed, sw, c + 2);
  if (open.empty()) return;
  const std::vector<int> closing = ncells_completing(completed, sw, open, c + 1, c + kNcellsProbed);
  for (std::size_t k = 0; k < open.size(); ++k) {
    std::string text = " WARNING: atom ";
    text += completed.atoms[open[k]].label.trimmed();
    text += " is bonded to a symmetry copy beyond NCELLS ";
    text += std::to_string(c);
    text += ", which is not in the atom table; ";
    if (closing[k] > 0) {
      text += "NCELLS ";
      text += std::to_string(closing[k]);
      text += " completes its molecule";
    } else {
      text += "no NCELLS up to ";
      text += std::to_string(c + kNcellsProbed);
      text += " completes it (a chain or a network)";
    }
    warn(log, text);
  }
}

std::optional<int> ncells_for_whole_molecules(const Model& unit, const Switches& sw) {
  if (atoms_with_missing_bonds(unit, sw, 2).empty()) return std::nullopt;
  return ncells_closing_every_molecule(unit, sw);
}

void warn_bonds_through_symmetry(const Model& unit, const Switches& sw, Log& log) {
  const std::vector<int> open = atoms_with_missing_bonds(unit, sw, 2);
  if (open.empty()) return;
  const int needed = ncells_closing_every_molecule(unit, sw).value_or(-1);
  std::string text = " WARNING: without NCELLS these atoms miss bonds to symmetry copies, and their molecules are incomplete:";
  text += labels_of(unit, open);
  if (needed >= 0) {
    text += "; NCELLS ";
    text += std::to_string(needed);
    text += " completes them";
  } else {
    text += "; set NCELLS, though none up to ";
    text += std::to_string(kNcellsProbed);
    text += " completes them all (a chain or a network)";
  }
  warn(log, text);
}

}  // namespace vorn
