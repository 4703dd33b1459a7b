// Least-squares plane through a set of atoms, and the ring-membership query.
#include "topology/planarity.hpp"

#include <cmath>
#include <string>

#include "layout/run_error.hpp"
#include "driver/run_state.hpp"
#include "layout/layout.hpp"
#include "topology/eigen3.hpp"

namespace vorn {

int planarity(RunState& rs, int print, const std::vector<int>& list, int kind) {
  const bool ring = kind == 2;
  const float tol = ring ? rs.sw.tols.tol2 : rs.sw.tols.tol3;
  const std::string_view word = ring ? "ring" : "group";
  const int n = static_cast<int>(list.size());
  std::ostream& os = rs.log();
  const bool detail = print == 1 && rs.sw.verbosity >= 2;

  if (print == 1) {
    std::vector<layout::Item> items{layout::to_item(n), layout::to_item(word)};
    for (const int a : list) items.emplace_back(rs.atom(a).label.view());
    os << layout::format_items("(/' Planarity test for ',i3,'-atom ',a,' : ',//,6(2x,a))", items) << '\n';
  }

  int planar = 1;
  float mean[3] = {0, 0, 0};
  for (const int a : list) {
    mean[0] += rs.atom(a).xc;
    mean[1] += rs.atom(a).yc;
    mean[2] += rs.atom(a).zc;
  }
  if (n > 0)
    for (float& m : mean) m /= static_cast<float>(n);

  Sym3 scatter{};
  for (const int a : list) {
    const float c[3] = {rs.atom(a).xc - mean[0], rs.atom(a).yc - mean[1], rs.atom(a).zc - mean[2]};
    for (std::size_t i = 0; i < 3; ++i)
      for (std::size_t j = 0; j < 3; ++j) scatter[i][j] += c[i] * c[j];
  }
  std::array<float, 3> eval{};
  Sym3 evec{};
  if (!eigen_symmetric3(scatter, eval, evec))
    fail("Planarity", "No convergence of the eigenvalues of the " + std::string(word) + " plane");
  // The normal is the direction of least scatter.
  const float p = evec[0][0], q = evec[1][0], r = evec[2][0];
  const float s = p * mean[0] + q * mean[1] + r * mean[2];
  if (detail) layout::write(os, "(/5x,'P Q R S = ',4f12.4/)", p, q, r, s);

  float sum = 0.0f;
  for (const int a : list) {
    const float d = p * rs.atom(a).xc + q * rs.atom(a).yc + r * rs.atom(a).zc - s;
    if (detail) layout::write(os, "(7x,'dist. from ',a,' to lsq plane =',f11.3,' Ang')", rs.atom(a).label, d);
    sum += d * d;
  }
  // Three or fewer atoms always lie in a plane; there is no degree of
  // freedom left to measure a deviation.
  const float sigpln = n > 3 ? std::sqrt(sum / static_cast<float>(n - 3)) : 0.0f;
  if (sigpln > tol) planar = 0;

  if (print == 1) {
    layout::write(os, "(/5x,'Esd atoms from the plane (sigpln) = ',f12.4,                     ' ( tol = ',f8.4,' )')",
                  sigpln, tol);
    layout::write(os, "(/5x,'This ',a,' is planar = .',l1,'.')", word, planar == 1);
  }
  return planar;
}

RingState isitcyclic(const RunState& rs, int atom) {
  RingState st;
  int count = 0;
  int first = 0, second = 0;
  for (int r = 1; r <= rs.rings.nor(); ++r) {
    const Ring& ring = rs.rings.ring(r);
    bool member = false;
    for (const int m : ring.members) member = member || m == atom;
    if (!member) continue;
    ++count;
    if (count == 1) first = r;
    if (count == 2) second = r;
  }
  if (count == 0) return st;
  st.cyclic = 1;
  if (count > 2) return st;
  const Ring& r1 = rs.rings.ring(first);
  if (count == 1) {
    if (r1.planar == 1) {
      st.inone = 1;
      st.ring = first;
      st.size = r1.size();
    }
    return st;
  }
  const Ring& r2 = rs.rings.ring(second);
  if (r1.planar == 1 && r2.planar == 1) {
    st.intwo = 1;
    st.size = r1.size() + r2.size();
    st.ring = first + second;
  } else if (r1.planar == 1) {
    st.inone = 1;
    st.ring = first;
    st.size = r1.size();
  } else if (r2.planar == 1) {
    st.inone = 1;
    st.ring = second;
    st.size = r2.size();
  }
  return st;
}

}  // namespace vorn
