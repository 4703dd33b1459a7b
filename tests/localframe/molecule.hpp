// Small molecules built in memory with Cartesian coordinates (no cell), for
// the tests of the local-frame assignment.
#pragma once

#include <array>
#include <cmath>
#include <string>
#include <vector>

#include "support/test_run.hpp"
#include "localframe/frame_records.hpp"
#include "localframe/local_frame.hpp"
#include "structure/cell.hpp"
#include "support/test_support.hpp"
#include "topology/neighbors.hpp"

namespace vorn::test {

inline Vec3 add(const Vec3& a, const Vec3& b) { return {a[0] + b[0], a[1] + b[1], a[2] + b[2]}; }
inline Vec3 sub(const Vec3& a, const Vec3& b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }
inline Vec3 scale(const Vec3& a, double s) { return {a[0] * s, a[1] * s, a[2] * s}; }
inline Vec3 unit(const Vec3& a) { return scale(a, 1.0 / rlength(a)); }
inline Vec3 cross(const Vec3& a, const Vec3& b) {
  return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}
// Point at distance len from c in direction dir.
inline Vec3 at_dist(const Vec3& c, const Vec3& dir, double len) { return add(c, scale(unit(dir), len)); }
// Direction in the xy plane at the given angle (degrees).
inline Vec3 dir_xy(double deg) {
  const double r = deg * 3.14159265 / 180.0;
  return {std::cos(r), std::sin(r), 0.0};
}

// The three directions that complete a tetrahedron around a centre whose
// fourth bond points along u.
inline std::array<Vec3, 3> tetra_others(const Vec3& u_in) {
  const Vec3 u = unit(u_in);
  const Vec3 helper = std::fabs(u[0]) < 0.9 ? Vec3{1, 0, 0} : Vec3{0, 1, 0};
  const Vec3 v = unit(cross(u, helper));
  const Vec3 w = cross(u, v);
  std::array<Vec3, 3> out{};
  for (int k = 0; k < 3; ++k) {
    const double phi = 2.0943951 * static_cast<double>(k);
    const Vec3 side = add(scale(v, std::cos(phi)), scale(w, std::sin(phi)));
    out[static_cast<std::size_t>(k)] = add(scale(u, -1.0 / 3.0), scale(side, 0.9428090));
  }
  return out;
}

// The four directions of a regular tetrahedron.
inline std::array<Vec3, 4> tetra4() {
  return {Vec3{1, 1, 1}, Vec3{1, -1, -1}, Vec3{-1, 1, -1}, Vec3{-1, -1, 1}};
}

struct Molecule {
  MemoryRun mr;
  TestRun& rs = *mr.rs;

  Molecule() {
    rs.sw.has_cell = false;
    rs.sw.format = InputFormat::aim2tab;
  }
  int add_atom(const std::string& label, int z, const Vec3& p) {
    const int i = rs.add_atom();
    Atom& a = rs.atom(i);
    a.label = label;
    a.atomic_number = z;
    a.cartesian = {{p[0], p[1], p[2]}};
    a.fractional = {{p[0], p[1], p[2]}};
    a.adp_type = 2;
    a.scattering_type = z == 1 ? 2 : 1;
    a.max_multipole_level = z == 1 ? 2 : 4;
    return i;
  }
  Vec3 pos(int i) const { return cart(rs, i); }
  // Adds hydrogens on the three free tetrahedral places of an sp3 atom
  // whose one heavy bond points along u, with slightly different lengths so
  // that their order is fixed.
  std::array<int, 3> methyl_h(int c, const Vec3& u, const std::string& prefix) {
    const auto d = tetra_others(u);
    std::array<int, 3> h{};
    for (int k = 0; k < 3; ++k)
      h[static_cast<std::size_t>(k)] = add_atom(prefix + std::to_string(k + 1), 1,
                                                at_dist(pos(c), d[static_cast<std::size_t>(k)], 1.08 + 0.01 * k));
    return h;
  }
  void add_ring(const std::vector<int>& members, bool planar) {
    Ring r;
    r.members = members;
    r.planar = planar;
    rs.rings.list.push_back(r);
  }
  // Neighbour tables of every atom.
  void finish() {
    rs.model.entries = rs.model.natom;
    run_neighbour_search(rs);
  }
  Frame frame(int atom) {
    return assign_frame(rs.loop(), atom);
  }
  int index(const std::string& label) const {
    for (int i = 0; i < rs.model.natom; ++i)
      if (rs.atom(i).label == label) return i;
    return -1;
  }
};

}  // namespace vorn::test
