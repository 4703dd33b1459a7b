#include "topology/cell_grid.hpp"

#include <algorithm>
#include <cmath>
#include <cstdlib>


namespace vorn {

namespace {

// Searches widen the box by this much, so that rounding in a distance
// never hides an entry at the edge of a cell.
double widened(double r) { return (r > 0.0 ? r : 0.0) * 1.0001 + 1.0e-3; }

}  // namespace

bool finite3(const Vec3& p) { return std::isfinite(p[0]) && std::isfinite(p[1]) && std::isfinite(p[2]); }

void CellGrid::build(const std::vector<Vec3>& points, double edge) {
  const int n = static_cast<int>(points.size());
  double lo[3] = {0, 0, 0}, hi[3] = {0, 0, 0};
  bool any = false;
  for (const Vec3& p : points) {
    if (!finite3(p)) continue;
    for (std::size_t k = 0; k < 3; ++k) {
      lo[k] = any ? std::min(lo[k], p[k]) : p[k];
      hi[k] = any ? std::max(hi[k], p[k]) : p[k];
    }
    any = true;
  }
  double h = std::isfinite(edge) && edge > 0.0 ? edge : 1.0;
  // Sparse points get larger cells: at most about two cells per entry.
  const double max_cells = 2.0 * n + 64.0;
  double dims[3];
  for (;;) {
    double total = 1;
    for (std::size_t k = 0; k < 3; ++k) {
      dims[k] = std::floor((hi[k] - lo[k]) / h) + 1.0;
      total *= dims[k];
    }
    if (total <= max_cells) break;
    h *= 1.25;
  }
  for (std::size_t k = 0; k < 3; ++k) {
    lo_[k] = lo[k];
    n_[k] = static_cast<int>(dims[k]);
  }
  inv_edge_ = 1.0 / h;
  cells_ = n_[0] * n_[1] * n_[2];

  start_.assign(static_cast<std::size_t>(cells_) + 1, 0);
  ids_.assign(static_cast<std::size_t>(n), 0);
  cpos_.assign(static_cast<std::size_t>(n), Vec3{});
  any_gone_ = false;
  gone_.assign(static_cast<std::size_t>(n), 0);
  extra_.assign(static_cast<std::size_t>(cells_), {});
  pos_ = points;
  anywhere_.clear();
  std::vector<int> cell(static_cast<std::size_t>(n), -1);
  for (int id = 0; id < n; ++id) {
    const Vec3& p = points[static_cast<std::size_t>(id)];
    if (!finite3(p)) {
      anywhere_.push_back(id);
      continue;
    }
    const int c = cell_of(p);
    cell[static_cast<std::size_t>(id)] = c;
    ++start_[static_cast<std::size_t>(c) + 1];
  }
  for (int c = 0; c < cells_; ++c) start_[static_cast<std::size_t>(c) + 1] += start_[static_cast<std::size_t>(c)];
  std::vector<int> fill(start_.begin(), start_.end() - 1);
  for (int id = 0; id < n; ++id) {
    const int c = cell[static_cast<std::size_t>(id)];
    if (c < 0) continue;
    const auto slot = static_cast<std::size_t>(fill[static_cast<std::size_t>(c)]++);
    ids_[slot] = id;
    cpos_[slot] = points[static_cast<std::size_t>(id)];
  }
}

int CellGrid::axis_cell(int k, double x) const {
  const double t = (x - lo_[k]) * inv_edge_;
  if (!(t > 0.0)) return 0;
  if (t >= static_cast<double>(n_[k])) return n_[k] - 1;
  return std::min(static_cast<int>(t), n_[k] - 1);
}

int CellGrid::cell_of(const Vec3& p) const {
  return (axis_cell(2, p[2]) * n_[1] + axis_cell(1, p[1])) * n_[0] + axis_cell(0, p[0]);
}

void CellGrid::insert(int id, const Vec3& p) {
  if (static_cast<int>(pos_.size()) <= id) pos_.resize(static_cast<std::size_t>(id) + 1);
  pos_[static_cast<std::size_t>(id)] = p;
  if (!finite3(p) || cells_ == 0) {
    anywhere_.push_back(id);
    return;
  }
  extra_[static_cast<std::size_t>(cell_of(p))].push_back(id);
}

void CellGrid::remove(int id, const Vec3& p) {
  if (!finite3(p) || cells_ == 0) {
    anywhere_.erase(std::remove(anywhere_.begin(), anywhere_.end(), id), anywhere_.end());
    return;
  }
  std::vector<int>& v = extra_[static_cast<std::size_t>(cell_of(p))];
  const auto pos = std::find(v.begin(), v.end(), id);
  if (pos != v.end()) {
    v.erase(pos);
    return;
  }
  if (id >= 0 && id < static_cast<int>(gone_.size())) {
    gone_[static_cast<std::size_t>(id)] = 1;
    any_gone_ = true;
  }
}

void CellGrid::candidates(const Vec3& p, double r, std::vector<int>& out) const {
  out.clear();
  out.insert(out.end(), anywhere_.begin(), anywhere_.end());
  if (cells_ == 0) return;
  // Entries of the box that lie farther than the widened radius are
  // dropped here already (a cheap test on the binned position).
  const bool sphere = finite3(p) && std::isfinite(r);
  const double w = widened(r);
  const double w2 = w * w;
  int lo[3], hi[3];
  for (int k = 0; k < 3; ++k) {
    // Without a box to speak of every entry is a candidate.
    lo[k] = sphere ? axis_cell(k, p[static_cast<std::size_t>(k)] - w) : 0;
    hi[k] = sphere ? axis_cell(k, p[static_cast<std::size_t>(k)] + w) : n_[k] - 1;
  }
  auto near = [&](const Vec3& q) {
    const double dx = q[0] - p[0], dy = q[1] - p[1], dz = q[2] - p[2];
    return !sphere || !(dx * dx + dy * dy + dz * dz > w2);
  };
  // Squared distance from p to the slab of cells number i along axis k
  // (0 inside it); cells wholly beyond the widened radius are passed over.
  // Clamped edge cells reach to infinity, so they are never passed over.
  const double edge = 1.0 / inv_edge_;
  auto gap2 = [&](int k, int i) -> double {
    if (!sphere) return 0.0;
    const double x = p[static_cast<std::size_t>(k)];
    const double a = lo_[k] + static_cast<double>(i) * edge;
    const double b = a + edge;
    double g = 0.0;
    if (i > 0 && x < a) g = a - x;
    if (i < n_[k] - 1 && x > b) g = x - b;
    // Rounding of the cell bounds: a little less than the true gap.
    g = g > 1.0e-3 * edge ? g * 0.999 - 1.0e-3 * edge : 0.0;
    return g * g;
  };
  for (int z = lo[2]; z <= hi[2]; ++z) {
    const double gz = gap2(2, z);
    if (gz > w2) continue;
    for (int y = lo[1]; y <= hi[1]; ++y) {
      const double gyz = gz + gap2(1, y);
      if (gyz > w2) continue;
      for (int x = lo[0]; x <= hi[0]; ++x) {
        if (gyz + gap2(0, x) > w2) continue;
        const int c = (z * n_[1] + y) * n_[0] + x;
        const int end = start_[static_cast<std::size_t>(c) + 1];
        for (int s = start_[static_cast<std::size_t>(c)]; s < end; ++s) {
          if (!near(cpos_[static_cast<std::size_t>(s)])) continue;
          const int id = ids_[static_cast<std::size_t>(s)];
          if (!any_gone_ || gone_[static_cast<std::size_t>(id)] == 0) out.push_back(id);
        }
        for (const int id : extra_[static_cast<std::size_t>(c)])
          if (near(pos_[static_cast<std::size_t>(id)])) out.push_back(id);
      }
    }
  }
  std::sort(out.begin(), out.end());
}

namespace {

// Entry `self`, binned at p: when another entry lies near it, both (and
// every other entry near p) are marked as possible duplicate sites.
void mark_twins(AtomIndex& x, int self, const Vec3& p) {
  x.twin[static_cast<std::size_t>(self)] = 1;
  if (!finite3(p)) return;
  x.grid.candidates(p, 0.01, x.near);
  const bool alone = std::all_of(x.near.begin(), x.near.end(), [&](int id) { return id == self; });
  if (alone) {
    x.twin[static_cast<std::size_t>(self)] = 0;
    return;
  }
  for (const int id : x.near) x.twin[static_cast<std::size_t>(id)] = 1;
}

}  // namespace

bool direct_forms(AtomIndex& x) {
  if (x.direct < 0) {
    const char* v = std::getenv("VORN_DIRECT");
    x.direct = v != nullptr && v[0] == '1' ? 1 : 0;
  }
  return x.direct == 1;
}

void index_atoms(const IndexedAtoms& t) {
  AtomIndex& x = t.index;
  const int n = t.entries();
  x.binned.resize(static_cast<std::size_t>(n));
  x.largest_covalent_radius = 0;
  for (int k = 0; k < n; ++k) {
    x.binned[static_cast<std::size_t>(k)] = cart(t.model, k);
    x.largest_covalent_radius = std::max(x.largest_covalent_radius, covalent_radius(t.sw, t.atom(k).atomic_number));
  }
  // Cells about one bond long: a covalent search looks at 27 of them.
  const double edge = std::max(1.0, 2.0 * x.largest_covalent_radius + std::max(0.0, t.sw.tols.bond));
  x.grid.build(x.binned, edge);
  x.count = n;
  x.built = true;
  x.stamp.assign(x.binned.size(), 0);
  x.search = 0;
  x.twin.assign(x.binned.size(), 0);
  for (int k = 0; k < n; ++k) {
    const Vec3& p = x.binned[static_cast<std::size_t>(k)];
    if (!finite3(p)) {
      x.twin[static_cast<std::size_t>(k)] = 1;
      continue;
    }
    x.grid.candidates(p, 0.01, x.near);
    if (x.near.size() > 1) x.twin[static_cast<std::size_t>(k)] = 1;
  }
}

AtomIndex& atom_index(const IndexedAtoms& t) {
  AtomIndex& x = t.index;
  const int n = t.entries();
  if (!x.built || x.count > n) {
    index_atoms(t);
    return x;
  }
  if (x.count < n) {
    x.stamp.resize(static_cast<std::size_t>(n), 0);
    x.twin.resize(static_cast<std::size_t>(n), 0);
  }
  for (int k = x.count; k < n; ++k) {
    const Vec3 p = cart(t.model, k);
    x.binned.push_back(p);
    x.grid.insert(k, p);
    mark_twins(x, k, p);
    x.largest_covalent_radius = std::max(x.largest_covalent_radius, covalent_radius(t.sw, t.atom(k).atomic_number));
  }
  x.count = std::max(x.count, n);
  return x;
}

void atom_moved(AtomIndex& x, const Model& model, int k) {
  if (!x.built || k < 0 || k >= x.count) return;
  Vec3& old = x.binned[static_cast<std::size_t>(k)];
  x.grid.remove(k, old);
  old = cart(model, k);
  x.grid.insert(k, old);
  mark_twins(x, k, old);
}

const std::vector<int>& entries_near(const IndexedAtoms& t, const Vec3& p, double r) {
  AtomIndex& x = atom_index(t);
  x.grid.candidates(p, r, x.scratch);
  return x.scratch;
}

std::vector<int> entries_closer(const IndexedAtoms& t, const Vec3& p, double r, int first, int end) {
  std::vector<int> out;
  // A distance that is not r or more (also one that is not a number)
  // counts as close, as in a scan that passes over the far entries.
  auto close = [&](int k) { return !(dist(p, cart(t.model, k)) >= r); };
  if (direct_forms(t.index) || !finite3(p)) {
    for (int k = first; k < end; ++k)
      if (close(k)) out.push_back(k);
    return out;
  }
  for (const int k : entries_near(t, p, r))
    if (k >= first && k < end && close(k)) out.push_back(k);
  return out;
}

}  // namespace vorn
