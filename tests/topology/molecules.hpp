// Small molecules built in memory for the topology tests: atoms placed by
// Cartesian or fractional coordinates, cells and symmetry operators.
#pragma once

#include <unistd.h>

#include <cmath>
#include <string>
#include <vector>

#include "support/test_run.hpp"
#include "support/test_support.hpp"
#include "structure/cell.hpp"

namespace vorn::test {

// Appends an atom with Cartesian coordinates; the expanded list follows.
inline int add_cart(TestRun& rs, const std::string& label, int iz, double x, double y, double z, double occ = 1.0,
                    OccupancyKind flag = OccupancyKind::normal) {
  const int i = rs.add_atom();
  Atom& a = rs.atom(i);
  a.label = label;
  a.atomic_number = iz;
  a.cartesian[0] = x;
  a.cartesian[1] = y;
  a.cartesian[2] = z;
  a.occ = occ;
  a.occupancy_kind = flag;
  rs.model.entries = rs.model.natom;
  return i;
}

inline void set_cell(TestRun& rs, double a, double b, double c, double al, double be, double ga) {
  rs.model.cell = UnitCell{a, b, c, al, be, ga};
  rs.model.transf = cell_transform(rs.model.cell, rs.log_sink());
}

// Appends an atom with fractional coordinates (Cartesian ones from the cell).
inline int add_frac(TestRun& rs, const std::string& label, int iz, double xf, double yf, double zf) {
  const Vec3 c = to_cartesian(rs.model.transf, Fractional{{xf, yf, zf}});
  const int i = add_cart(rs, label, iz, c[0], c[1], c[2]);
  rs.atom(i).fractional[0] = xf;
  rs.atom(i).fractional[1] = yf;
  rs.atom(i).fractional[2] = zf;
  return i;
}

// Appends an operator whose rotation part is diagonal (signs sx, sy, sz).
inline void add_diag_op(TestRun& rs, double sx, double sy, double sz, double tx, double ty, double tz) {
  SymOp op;
  op.rot = {{{sx, 0, 0}, {0, sy, 0}, {0, 0, sz}}};
  op.trans = {tx, ty, tz};
  rs.model.symm.ops.push_back(op);
}

constexpr double kPi = 3.14159265;


// Benzene in the xy plane around (cx, cy, cz): C1..C6 then H1..H6 (H on the
// carbon of the same number).  dz alternates above and below the plane.
inline void benzene(TestRun& rs, double cx, double cy, double cz, double dz = 0.0) {
  for (int k = 0; k < 6; ++k) {
    const double t = static_cast<double>(k) * kPi / 3.0;
    add_cart(rs, numbered("C", k + 1), 6, cx + 1.39 * std::cos(t), cy + 1.39 * std::sin(t),
             cz + (k % 2 == 0 ? dz : -dz));
  }
  for (int k = 0; k < 6; ++k) {
    const double t = static_cast<double>(k) * kPi / 3.0;
    add_cart(rs, numbered("H", k + 1), 1, cx + 2.47 * std::cos(t), cy + 2.47 * std::sin(t), cz);
  }
}

// Chair cyclohexane: carbons alternately 0.25 A above and below the mean
// plane, C-C 1.53 A.
inline void chair_cyclohexane(TestRun& rs, double cx, double cy, double cz) {
  const double r = std::sqrt(1.53 * 1.53 - 0.25);
  for (int k = 0; k < 6; ++k) {
    const double t = static_cast<double>(k) * kPi / 3.0;
    add_cart(rs, numbered("C", k + 1), 6, cx + r * std::cos(t), cy + r * std::sin(t),
             cz + (k % 2 == 0 ? 0.25 : -0.25));
  }
}

// Naphthalene in the xy plane: junction carbons C1 (0, 0.7) and C2 (0, -0.7),
// then the carbons of the right ring C3..C6 and of the left ring C7..C10,
// then one hydrogen on each outer carbon.
inline void naphthalene(TestRun& rs, double cx, double cy, double cz) {
  const double h = 1.2124;  // 1.4 cos 30
  const double pts[10][2] = {{0, 0.7},      {0, -0.7},     {h, 1.4},  {2 * h, 0.7},  {2 * h, -0.7},
                            {h, -1.4},     {-h, 1.4},     {-2 * h, 0.7}, {-2 * h, -0.7}, {-h, -1.4}};
  for (int k = 0; k < 10; ++k) add_cart(rs, numbered("C", k + 1), 6, cx + pts[k][0], cy + pts[k][1], cz);
  // Hydrogens 1.08 A out along the direction from the ring centre.
  const double centre[10] = {0, 0, h, h, h, h, -h, -h, -h, -h};
  for (int k = 2; k < 10; ++k) {
    const double dx = pts[k][0] - centre[k], dy = pts[k][1];
    const double len = std::sqrt(dx * dx + dy * dy);
    add_cart(rs, numbered("H", k - 1), 1, cx + pts[k][0] + 1.08 * dx / len,
             cy + pts[k][1] + 1.08 * dy / len, cz);
  }
}

// Runs a routine while the working directory is `dir` (the run's files are
// written to the working directory), restoring the old one afterwards.
class InDirectory {
public:
  explicit InDirectory(const std::string& dir) {
    char buf[4096];
    if (getcwd(buf, sizeof buf) != nullptr) old_ = buf;
    if (chdir(dir.c_str()) != 0) old_.clear();
  }
  ~InDirectory() {
    if (!old_.empty() && chdir(old_.c_str()) != 0) {
    }
  }
  InDirectory(const InDirectory&) = delete;
  InDirectory& operator=(const InDirectory&) = delete;

private:
  std::string old_;
};

// The lines of a text.
inline std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> out;
  std::string cur;
  for (const char c : text) {
    if (c == '\n') {
      out.push_back(cur);
      cur.clear();
    } else {
      cur += c;
    }
  }
  if (!cur.empty()) out.push_back(cur);
  return out;
}

// Index of the first line equal to `line`, or -1.
inline int find_line(const std::vector<std::string>& lines, const std::string& line, int from = 0) {
  for (int i = from; i < static_cast<int>(lines.size()); ++i)
    if (lines[static_cast<std::size_t>(i)] == line) return i;
  return -1;
}

}  // namespace vorn::test
