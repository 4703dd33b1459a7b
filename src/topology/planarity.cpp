// Least-squares plane through a set of atoms, and the ring-membership query.
#include "topology/planarity.hpp"

#include <cmath>
#include <string>

#include "layout/run_error.hpp"
#include "layout/layout.hpp"
#include "topology/eigen3.hpp"

namespace vorn {

bool is_planar(const Model& md, const Tols& tols, Log& log, bool listed, const std::vector<int>& list,
               PlaneKind kind) {
  const bool ring = kind == PlaneKind::ring;
  const double tol = ring ? tols.ring_planarity : tols.group_planarity;
  const std::string_view word = ring ? "ring" : "group";
  const int n = static_cast<int>(list.size());
  std::ostream& os = log.log();
  const bool detail = listed && log.shows(2);
  auto atom = [&](int a) -> const Atom& { return md.atoms[a]; };

  if (listed) {
    std::vector<layout::Item> items{layout::to_item(n), layout::to_item(word)};
    for (const int a : list) items.emplace_back(atom(a).label.view());
    os << layout::format_items("(/' Planarity test for ',i3,'-atom ',a,' : ',//,6(2x,a))", items) << '\n';
  }

  bool planar = true;
  double mean[3] = {0, 0, 0};
  for (const int a : list) {
    mean[0] += atom(a).cartesian[0];
    mean[1] += atom(a).cartesian[1];
    mean[2] += atom(a).cartesian[2];
  }
  if (n > 0)
    for (double& m : mean) m /= static_cast<double>(n);

  Sym3 scatter{};
  for (const int a : list) {
    const double c[3] = {atom(a).cartesian[0] - mean[0], atom(a).cartesian[1] - mean[1], atom(a).cartesian[2] - mean[2]};
    for (std::size_t i = 0; i < 3; ++i)
      for (std::size_t j = 0; j < 3; ++j) scatter[i][j] += c[i] * c[j];
  }
  std::array<double, 3> eval{};
  Sym3 evec{};
  if (!eigen_symmetric3(scatter, eval, evec))
    fail("Planarity", "No convergence of the eigenvalues of the " + std::string(word) + " plane");
  // The normal is the direction of least scatter.
  const double p = evec[0][0], q = evec[1][0], r = evec[2][0];
  const double s = p * mean[0] + q * mean[1] + r * mean[2];
  if (detail) layout::write(os, "(/5x,'P Q R S = ',4f12.4/)", p, q, r, s);

  double sum = 0.0;
  for (const int a : list) {
    const double d = p * atom(a).cartesian[0] + q * atom(a).cartesian[1] + r * atom(a).cartesian[2] - s;
    if (detail) layout::write(os, "(7x,'dist. from ',a,' to lsq plane =',f11.3,' Ang')", atom(a).label, d);
    sum += d * d;
  }
  // Three or fewer atoms always lie in a plane; there is no degree of
  // freedom left to measure a deviation.
  const double sigpln = n > 3 ? std::sqrt(sum / static_cast<double>(n - 3)) : 0.0;
  if (sigpln > tol) planar = false;

  if (listed) {
    layout::write(os, "(/5x,'Esd atoms from the plane (sigpln) = ',f12.4,                     ' ( tol = ',f8.4,' )')",
                  sigpln, tol);
    layout::write(os, "(/5x,'This ',a,' is planar = .',l1,'.')", word, planar);
  }
  return planar;
}

RingState ring_state(const Rings& rings, int atom) {
  RingState st;
  int count = 0;
  int first = 0, second = 0;
  for (int r = 1; r <= rings.count(); ++r) {
    const Ring& ring = rings.ring(r);
    bool member = false;
    for (const int m : ring.members) member = member || m == atom;
    if (!member) continue;
    ++count;
    if (count == 1) first = r;
    if (count == 2) second = r;
  }
  if (count == 0) return st;
  st.in_ring = true;
  if (count > 2) return st;
  const Ring& r1 = rings.ring(first);
  if (count == 1) {
    if (r1.planar) {
      st.in_one_planar = true;
      st.ring = first;
      st.size = r1.size();
    }
    return st;
  }
  const Ring& r2 = rings.ring(second);
  if (r1.planar && r2.planar) {
    st.in_two_planar = true;
    st.size = r1.size() + r2.size();
    st.ring = first + second;
  } else if (r1.planar) {
    st.in_one_planar = true;
    st.ring = first;
    st.size = r1.size();
  } else if (r2.planar) {
    st.in_one_planar = true;
    st.ring = second;
    st.size = r2.size();
  }
  return st;
}

}  // namespace vorn
