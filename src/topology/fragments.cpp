// Complete fragments: symmetry copies of asymmetric-unit atoms are appended
// to the atom table while they bond to an atom already there, so that every
// molecule cut by a symmetry element is whole for the later searches.
#include "topology/fragments.hpp"

#include <algorithm>
#include <array>
#include <limits>
#include <queue>
#include <string>
#include <unordered_set>
#include <vector>

#include "layout/run_error.hpp"
#include "layout/log.hpp"
#include "layout/layout.hpp"
#include "structure/cell.hpp"
#include "topology/bond_rules.hpp"
#include "topology/cell_grid.hpp"
#include "topology/image_search.hpp"
#include "topology/open_molecules.hpp"

namespace vorn {

namespace {

// A distance within the bond cutoff and no shorter than a bond can be.
bool is_bond_length(double d, double cutoff) { return d <= cutoff && d >= kMinBondLength; }

// Appends image (xs, cartesian) of asymmetric-unit atom i as the next entry;
// false, appending nothing, when the table already holds `capacity`
// entries (a trial search that gives up).
bool append_copy(Model& md, int i, const Vec3& xs, const Vec3& cartesian, long long capacity) {
  const int ncomp = md.entries;
  if (ncomp + 1 > capacity) return false;
  const int k = ncomp;   // the new entry's index
  md.hold_entries(ncomp + 1);
  md.entries = ncomp + 1;
  const Atom& src = md.atoms[i];
  Atom& cp = md.atoms[k];
  cp.label = src.label;
  cp.atomic_number = src.atomic_number;
  cp.occ = src.occ;
  cp.occupancy_kind = src.occupancy_kind;
  cp.part = src.part;
  cp.fractional = {{xs[0], xs[1], xs[2]}};
  cp.cartesian = {{cartesian[0], cartesian[1], cartesian[2]}};
  md.atoms[k].copy_of = i;
  ++md.atoms[i].copies;
  return true;
}

// Whether an image of asymmetric-unit atom i may bond to entry k by the
// NOBOND lines and their disorder parts: the image stands in another image than the asymmetric
// unit, and possibly in the one of a copy.
bool image_may_bond(const Model& md, int i, int k) {
  if (md.corrections.forbids(i, source_atom(md, k))) return false;
  return parts_may_bond(md.atoms[i].part, md.atoms[k].part, k >= md.natom);
}

// One scan over every image of every asymmetric-unit atom; returns true when
// it appended a copy (the caller then scans again from the start).
bool add_one_copy(Model& md, const Switches& sw, long long capacity) {
  const int c = sw.complete_fragment_cells;
  const double tol = sw.tols.bond;
  for (int i = 0; i < md.natom; ++i) {
    const Vec3 x = frac(md, i);
    const Vec3 xi = cart(md, i);
    const double ri = covalent_radius(sw, md.atoms[i].atomic_number);
    for (std::size_t n = 0; n < md.symm.ops.size(); ++n) {
      const SymOp& op = md.symm.ops[n];
      const TranslationRange r = translations_for(op, x, c);
      for (int t1 = r.lo[0]; t1 <= r.hi[0]; ++t1)
        for (int t2 = r.lo[1]; t2 <= r.hi[1]; ++t2)
          for (int t3 = r.lo[2]; t3 <= r.hi[2]; ++t3) {
            const std::array<int, 3> u{t1, t2, t3};
            if (n == 0 && u[0] == 0 && u[1] == 0 && u[2] == 0) continue;
            if (!r.holds(u)) continue;
            const Vec3 xs = image_of(op, x, u);
            const Vec3 cartesian = to_cartesian(md.transf, Fractional{xs});
            if (dist(cartesian, xi) < 0.001) continue;
            const int ncomp = md.entries;
            bool present = false;
            for (int k = 0; k < ncomp && !present; ++k) present = dist(cartesian, cart(md, k)) < 0.001;
            if (present) continue;
            bool bonded = false;
            for (int k = 0; k < ncomp && !bonded; ++k)
              bonded = image_may_bond(md, i, k) &&
                       is_bond_length(dist(cartesian, cart(md, k)), ri + covalent_radius(sw, md.atoms[k].atomic_number) + tol);
            if (!bonded) continue;
            return append_copy(md, i, xs, cartesian, capacity);
          }
    }
  }
  return false;
}

// The restart scan without the restarts.  An image is addable while it is
// bonded to some entry and lies within 0.001 A of none; entries are only
// ever added, so an image that coincides with one stays out for good and
// one that is bonded stays bonded.  The restart scan adds the first
// addable image in scan order and scans again; here the addable images
// wait in a queue ordered by their scan position, and each entry, when it
// joins, puts the images it bonds to in the queue.  The first image of the
// queue that no entry has come to coincide with is then exactly the one
// the next scan would add.
bool add_copies_indexed(Model& md, const Switches& sw, long long capacity) {
  ImageSearch images(md, sw);
  if (!images.prepare()) return false;
  const double tol = sw.tols.bond;
  const double largest_covalent_radius = images.largest_covalent_radius();
  std::priority_queue<long long, std::vector<long long>, std::greater<>> queue;
  std::unordered_set<long long> seen;   // queued, or coinciding with an entry
  std::vector<Vec3> start;
  for (int e = 0; e < md.natom; ++e) start.push_back(cart(md, e));
  // The entries' grid covers the box of the entries binned when it was
  // built; entries appended beyond it crowd its edge cells.  Copies spread
  // outwards, so the grid is built afresh whenever the table has doubled
  // (a network fills the whole block of cells).
  CellGrid entries;
  entries.build(start, 1.0);
  int count = md.natom;
  int binned_at_build = count;

  // Entry e (at fractional pf, Cartesian pc, radius re) has joined.
  auto joined = [&](int e, const Vec3& pf, const Vec3& pc, double re) {
    images.near(pf, re + largest_covalent_radius + tol, [&](long long m, int i, int n, const std::array<int, 3>& t) {
      if (seen.count(m) != 0) return;
      Vec3 xs{}, cartesian{};
      images.place(i, n, t, xs, cartesian);
      const double d = dist(cartesian, pc);
      if (d < 0.001) {
        seen.insert(m);
      } else if (image_may_bond(md, i, e) && is_bond_length(d, covalent_radius(sw, md.atoms[i].atomic_number) + re + tol)) {
        seen.insert(m);
        queue.push(m);
      }
    });
  };
  // Distances count from the entries' Cartesian positions.
  for (int e = 0; e < md.natom; ++e)
    joined(e, to_fractional(md.transf, cart(md, e)), cart(md, e), covalent_radius(sw, md.atoms[e].atomic_number));

  std::vector<int> cand;
  while (!queue.empty()) {
    const long long m = queue.top();
    queue.pop();
    int i = -1, n = 0;
    std::array<int, 3> t{};
    images.decode(m, i, n, t);
    Vec3 xs{}, cartesian{};
    images.place(i, n, t, xs, cartesian);
    // (Only images within a bond of an entry are queued, so this one has a
    // position; one without would never be added.)
    if (!finite3(cartesian)) continue;
    entries.candidates(cartesian, 0.001, cand);
    bool present = false;
    for (const int e : cand) present = present || dist(cartesian, cart(md, e)) < 0.001;
    if (present) continue;
    if (!append_copy(md, i, xs, cartesian, capacity)) break;
    const int added = count;   // the new entry's index
    if (++count >= 2 * binned_at_build) {
      std::vector<Vec3> all;
      all.reserve(static_cast<std::size_t>(count));
      for (int e = 0; e < count; ++e) all.push_back(cart(md, e));
      entries.build(all, 1.0);
      binned_at_build = count;
    } else {
      entries.insert(added, cartesian);
    }
    joined(added, xs, cartesian, covalent_radius(sw, md.atoms[i].atomic_number));
  }
  return true;
}

}  // namespace

bool add_bonded_copies(Model& md, const Switches& sw, bool direct, long long capacity) {
  md.entries = md.natom;
  if (direct || !add_copies_indexed(md, sw, capacity)) {
    // The restart scan (the direct form, also for images too many to hold).
    md.entries = md.natom;
    while (add_one_copy(md, sw, capacity)) {
    }
  }
  return md.entries < capacity;
}

namespace {

// The most entries the search can make: the atoms and one copy of each
// per operator and cell searched, the (2c+1)^3 cells around the unit cell
// and as many around the operator's own image.  A chain or a network fills
// the cells asked for and stops there; a table that grows beyond them is a
// fault of the search, which must stop rather than run on.
long long most_entries(const Model& md, int ncells) {
  const long long side = 2LL * std::max(ncells, 0) + 1;
  const long long images = md.natom * (1 + 2LL * md.symm.count() * side * side * side);
  // Entries are numbered by int.
  return std::min<long long>(images, std::numeric_limits<int>::max() - 1);
}

}  // namespace

Model complete_fragments(Model md, const Switches& sw, bool direct, Log& log) {
  const long long most = most_entries(md, sw.complete_fragment_cells);
  if (!add_bonded_copies(md, sw, direct, most)) {
    const int last = md.entries - 1;
    fail("GenCompleteFrags",
        "Internal error: the copies reach " + std::to_string(md.entries) + " entries, more than the atoms, operators and "
            "cells searched (NCELLS " + std::to_string(sw.complete_fragment_cells) + ") give; the last is a copy of atom " +
            std::to_string(md.atoms[last].copy_of + 1) + " " + std::string(md.atoms[last].label.trimmed()) +
            where_read(md, last));
  }
  if (md.entries == md.natom) {
    warn_open_molecules(md, sw, log);
    return md;
  }

  std::ostream& os = log.log();
  layout::write(os, "(/1x,a)", "List of atoms in complete fragment(s) :");
  layout::write(os, "(/7x,'ATOM',8x,'------ FRACTIONAL ------',4x,                      '----- CARTESIAN -----',5x,'ISQ NSQ')");
  for (int k = 0; k < md.entries; ++k) {
    const Atom& a = md.atoms[k];
    // Atom numbers as the user sees them; 0 (no atom) for an atom read.
    layout::write(os, "(i6,1x,a,1x,3f9.4,1x,3f8.3,i8,i4)", k + 1, a.label, a.fractional[0], a.fractional[1], a.fractional[2], a.cartesian[0], a.cartesian[1], a.cartesian[2],
                  md.atoms[k].copy_of + 1, md.atoms[k].copies);
  }
  warn_open_molecules(md, sw, log);
  return md;
}

}  // namespace vorn
