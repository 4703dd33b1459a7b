// Functional-group exceptions: a fixed decision tree over element,
// neighbour counts, neighbour elements, ring membership and group planarity
// that names the group an atom belongs to where the databank keeps separate
// atom types for it.
#include "databank/functional_groups.hpp"

#include <algorithm>
#include <initializer_list>
#include <sstream>
#include <string>
#include <string_view>
#include <utility>

#include "layout/run_error.hpp"
#include "layout/layout.hpp"
#include "topology/neighbors.hpp"
#include "topology/planarity.hpp"

namespace vorn {

namespace {

// The group listing of group.ang holds this many atoms.
constexpr int kMaxGroupList = 100;

enum Z { kH = 1, kB = 5, kC = 6, kN = 7, kO = 8, kF = 9, kP = 15, kS = 16, kCl = 17, kZn = 30 };

// The identification of one atom.
class Detector {
public:
  Detector(const Model& model, const Switches& sw, const Neighbors& nb, const Rings& rings, FunctionalGroups& except,
           Log& log, int i)
      : model_(model), sw_(sw), nb_(nb), rings_(rings), except_(except), log_(log), i_(i) {}
  void run();
  const std::string& group_listing() const { return group_listing_; }

private:
  // Neighbourhood of any atom.
  const AtomNeighbors& nbr(int x) const { return nb_.of[x]; }
  int neighbour_count(int x) const { return nbr(x).count(); }
  int element_z(int x) const { return model_.atoms[x].atomic_number; }
  int type_count(int x) const { return nbr(x).type_count(); }
  // Type k (1 = lightest) of x: atomic number and count; 0 when absent.
  int type_z(int x, int k) const { return k <= type_count(x) ? nbr(x).types[static_cast<std::size_t>(k - 1)].atomic_number : 0; }
  int type_n(int x, int k) const {
    return k <= type_count(x) ? nbr(x).types[static_cast<std::size_t>(k - 1)].count() : 0;
  }
  int heaviest_z(int x) const { return type_z(x, type_count(x)); }
  int heaviest_n(int x) const { return type_n(x, type_count(x)); }
  // Number of neighbours of element z.
  int count_of(int x, int z) const {
    for (const auto& t : nbr(x).types)
      if (t.atomic_number == z) return t.count();
    return 0;
  }
  // Exactly these elements with these counts, nothing else.
  bool has_exactly(int x, std::initializer_list<std::pair<int, int>> want) const {
    if (type_count(x) != static_cast<int>(want.size())) return false;
    for (const auto& [z, n] : want)
      if (count_of(x, z) != n) return false;
    return true;
  }
  // The k-th neighbour of element z in stored (distance) order; -1 if none.
  int nth_of(int x, int z, int k = 1) const {
    for (int a : nbr(x).atom)
      if (element_z(a) == z && --k == 0) return a;
    return -1;
  }
  int first_nei(int x) const { return neighbour_count(x) > 0 ? nbr(x).atom.front() : -1; }
  bool all_h_or_c(int x, int upto) const {
    for (int k = 0; k < std::min(upto, neighbour_count(x)); ++k) {
      const int z = element_z(nbr(x).atom[static_cast<std::size_t>(k)]);
      if (z != kH && z != kC) return false;
    }
    return true;
  }
  RingState ring(int x) const { return ring_state(rings_, x); }
  bool group_planar(int x, bool listed) {
    return is_planar(model_, sw_.tols, log_, listed, neighbours_and_self(nb_, x), PlaneKind::group);
  }

  // Ends of a check.
  void check(std::string_view name) {
    except_.of[i_].identified = true;
    layout::write(log_.log(), "(/' DetExcept :: checking ',a,' group...')", name);
  }
  void named(std::string_view group) { except_.of[i_].name = group; }
  void cleared() {
    except_.of[i_].identified = false;
    except_.of[i_].name = "";
  }
  void unidentified(std::string_view name, bool with_file) {
    layout::write(log_.log(),
                  "(/' DetExcept :: Unknown ',a,' functional group',/,/,' See file group.ang for more info...',/)",
                  name);
    if (with_file) {
      group_listing_ = vorn::group_listing(model_, nb_, i_);
    }
    cleared();
  }
  // kept empty: the flag stays set with a blank name; nothing to do.

  void hydrogen();
  void carbon3();
  void carbon4();
  void nitrogen();
  void oxygen2();
  void oxygen1();
  void phosphorus();
  void sulfur();
  void fluorine();
  void chlorine_rule(int c);

  void rule15();
  void acid_form(bool carbamate);
  void c2cyc_n();
  void ccyc_o_x(const RingState& r0);
  void cn2cyc_o(const RingState& r0);
  void n_cn_n();
  void n_ccyc_n(const RingState& r0);
  void ccno(const RingState& r0);
  void ccyc_n(const RingState& r0);
  void csp3_ccyc(const RingState& r0);
  void carbonyl_o(int c);
  void carbonyl_acid(int c);
  void carbonyl_carbamate(int c);
  void carbonyl_general(int c);
  void phosphoryl_o(int p);

  const Model& model_;
  const Switches& sw_;
  const Neighbors& nb_;
  const Rings& rings_;
  FunctionalGroups& except_;
  Log& log_;
  int i_;
  std::string group_listing_;
};

void Detector::run() {
  except_.of[i_].identified = false;
  except_.of[i_].name = "";
  const int n = neighbour_count(i_);
  switch (element_z(i_)) {
    case kH: hydrogen(); break;
    case kC:
      if (n == 3) carbon3();
      if (n == 4) carbon4();
      break;
    case kN: nitrogen(); break;
    case kO:
      if (n == 2) oxygen2();
      if (n == 1) oxygen1();
      break;
    case kF: fluorine(); break;
    case kP:
      if (n == 4) phosphorus();
      break;
    case kS:
      // A sulfur without neighbours has no group to look at.
      if (n > 0) sulfur();
      break;
    case kCl:
      if (n == 1 && element_z(first_nei(i_)) == kC) chlorine_rule(first_nei(i_));
      break;
    default: break;
  }
}

// ---- Hydrogen --------------------------------------------------------------

void Detector::hydrogen() {
  const int p = first_nei(i_);
  if (p < 0) return;
  if (element_z(p) == kN && neighbour_count(p) == 3) {
    check("x2-n-H");
    if (!group_planar(p, log_.shows(3))) {
      named("pyramidal amine");
    } else if (ring(p).in_one_planar) {
      named("aromatic");
    } else {
      named("planar amine");
    }
    return;
  }
  if (element_z(p) == kO && neighbour_count(p) == 2) {
    check("x-o-H");
    if (type_count(p) != 2) return unidentified("x-o-H [1]", false);
    const int x = nbr(p).types[1].members.front();
    switch (element_z(x)) {
      case kC:
        if (neighbour_count(x) == 4) return named("alcohol");
        if (neighbour_count(x) == 3) {
          const RingState rx = ring(x);
          if (!rx.in_ring) {
            if (heaviest_z(x) == kO && heaviest_n(x) == 2) return named("carboxylic");
            return unidentified("c-o-H", false);
          }
          if (rx.in_one_planar) return named("phenol");
          return unidentified("c-o-H", false);
        }
        return unidentified("c-o-H", false);
      case kB: return named("b-o-H");
      case kP:
        if (neighbour_count(x) == 4) return named("phosp... acid");
        return unidentified("p-o-H", false);
      default: return unidentified("x-o-H [2]", false);
    }
  }
}

// ---- Carbon ----------------------------------------------------------------

void Detector::carbon3() {
  const RingState r0 = ring(i_);
  const bool planar_ring = r0.in_one_planar;
  if (!planar_ring && has_exactly(i_, {{kC, 2}, {kO, 1}})) {
    check("c2Co");
    const int o = nth_of(i_, kO);
    if (neighbour_count(o) == 1) return named("ketone");
    return unidentified("c2--C--o-", true);
  }
  if (has_exactly(i_, {{kC, 1}, {kO, 2}})) {
    check("Coo(?)");
    return acid_form(false);
  }
  if (has_exactly(i_, {{kN, 1}, {kO, 2}})) {
    check("Coo(?)");
    return acid_form(true);
  }
  if (!r0.in_ring) return rule15();
  if (!planar_ring) {
    if (r0.in_two_planar && heaviest_z(i_) == kN && heaviest_n(i_) == 1) {
      check("C(2cyc)-n=");
      return c2cyc_n();
    }
    return rule15();
  }
  if (has_exactly(i_, {{kC, 2}, {kO, 1}})) {
    check("C(cyc)-o-x");
    return ccyc_o_x(r0);
  }
  if (has_exactly(i_, {{kN, 2}, {kO, 1}})) {
    check("Cn2(cyc)=o/Cno(cyc)-n(?)");
    return cn2cyc_o(r0);
  }
  if (heaviest_z(i_) == kN && heaviest_n(i_) == 3) {
    check("n-Cn-n");
    return n_cn_n();
  }
  if (heaviest_z(i_) == kN && heaviest_n(i_) == 2) {
    check("n-C(cyc)-n");
    return n_ccyc_n(r0);
  }
  if (type_count(i_) == 3 && type_z(i_, 1) == kC && type_z(i_, 2) == kN && type_z(i_, 3) == kO) {
    check("Ccno(?)");
    return ccno(r0);
  }
  if (heaviest_z(i_) == kN && heaviest_n(i_) == 1) {
    check("C(cyc)-n=");
    return ccyc_n(r0);
  }
  if (heaviest_z(i_) == kC && heaviest_n(i_) == 2) {
    check("c(sp3,cyc)-C(cyc)=x");
    return csp3_ccyc(r0);
  }
  rule15();
}

void Detector::rule15() {
  if (type_count(i_) >= 3 && type_z(i_, 1) == kC && type_n(i_, 1) == 1 && type_z(i_, 2) == kN && type_n(i_, 2) == 1 &&
      type_z(i_, 3) == kS) {
    check("c-C(=s)-n(?)");
    const int s = nth_of(i_, kS);
    if (neighbour_count(s) == 1) return named("THIO");
    if (neighbour_count(s) == 2) return named("THIO-X");
    unidentified("c-C(=s)-n(?)", true);
  }
}

void Detector::acid_form(bool carbamate) {
  const int o1 = nth_of(i_, kO, 1);
  const int o2 = nth_of(i_, kO, 2);
  if (std::max(neighbour_count(o1), neighbour_count(o2)) == 1) return named(carbamate ? "carbamate" : "carboxylate");
  const int x = neighbour_count(o2) == 2 ? o2 : neighbour_count(o1) == 2 ? o1 : -1;
  if (x < 0) return unidentified("cOO(?)", true);
  if (type_z(x, 1) == kH) return named(carbamate ? "carbamic acid" : "carboxylic");
  if (type_count(x) == 1 && type_z(x, 1) == kC) {
    int y = -1;
    for (int a : nbr(x).atom)
      if (a != i_) {
        y = a;
        break;
      }
    if (y >= 0) {
      if (!carbamate && neighbour_count(y) == 3) return named("anhydride");
      if (neighbour_count(y) == 4) return named(carbamate ? "carbamate ester" : "ester");
    }
  }
  unidentified("cOO(?)", true);
}

void Detector::c2cyc_n() {
  const RingState rn = ring(nth_of(i_, kN));
  if (rn.in_ring && rn.in_one_planar && rn.size == 5) return named("C(2cyc)-n5");
  cleared();
}

void Detector::ccyc_o_x(const RingState& r0) {
  const int o = nth_of(i_, kO);
  const RingState ro = ring(o);
  const bool same = ro.in_one_planar && ro.ring == r0.ring;
  if (!same) {
    if (neighbour_count(o) == 1) return named("phenolate");
    if (neighbour_count(o) == 2 && (type_z(o, 1) == kH || type_count(o) == 1)) return named("phenolic");
  } else if (neighbour_count(o) == 2 && type_z(o, 1) == kC) {
    if (type_count(o) == 1) return named("furano");
    if (type_z(o, 2) == kN) return named("furanoN");
  }
  cleared();
}

void Detector::cn2cyc_o(const RingState& r0) {
  const int o = nth_of(i_, kO);
  const RingState ro = ring(o);
  const bool same = ro.in_one_planar && ro.ring == r0.ring;
  if (!same && neighbour_count(o) == 1) return named("aromaturea");
  if (same && neighbour_count(o) == 2) return named("pirofurano");
  cleared();
}

void Detector::n_cn_n() {
  int s = 0, mx = 0, mn = 1 << 30;
  for (int a : nbr(i_).atom) {
    s += neighbour_count(a);
    mx = std::max(mx, neighbour_count(a));
    mn = std::min(mn, neighbour_count(a));
  }
  if (mx == 3 && s == 7) return named("3N-sp2(232)");
  if (mn == 3) return named("3N-sp2(333)");
  if (mx == 3 && s == 8) return named("3N-sp2(233)");
  // kept empty: an exception without a name
}

void Detector::n_ccyc_n(const RingState& r0) {
  const auto& nb = nbr(i_).atom;
  const int a1 = nb[0], a2 = nb[1], a3 = nb[2];
  const int m1 = neighbour_count(a1), m2 = neighbour_count(a2), m3 = neighbour_count(a3);
  const int s = m1 + m2 + m3, mx = std::max({m1, m2, m3}), mn = std::min({m1, m2, m3});
  int i1n = -1, i2n = -1;
  for (int a : nb) {
    const RingState ra = ring(a);
    to_log(log_, layout::listed(" iatr, iCr = ", ra.ring, r0.ring));
    if (element_z(a) != kN) continue;
    if (!ra.in_one_planar) {
      check(" n-=Cn=-c (?) ");
      const bool nitro = heaviest_z(a1) == kO || heaviest_z(a2) == kO || heaviest_z(a3) == kO;
      to_log(log_, layout::listed(nitro ? " ia1, ia2, ia3 = " : " ia4, ia5, ia6 = ", a1 + 1, a2 + 1, a3 + 1));
      if (mx == 3 && mn == 2 && s == 8) return named(nitro ? "nitro-n2n3c3" : "n2n3c3");
      if (mx == 3 && mn == 3 && s == 9) return named(nitro ? "nitro-n3n3c3" : "n3n3c3");
      return cleared();
    }
    if (i1n < 0) {
      i1n = a;
    } else if (i2n < 0) {
      i2n = a;
    }
    if (ra.ring != r0.ring) return named(s == 8 ? "NNring1" : "NNring2");
  }
  // The log shows atom numbers, 0 for none.
  to_log(log_, layout::listed(" i1N, i2N = ", i1n + 1, i2n + 1));
  if (i1n < 0 || i2n < 0) return cleared();
  const int n1 = neighbour_count(i1n), n2 = neighbour_count(i2n);
  to_log(log_, layout::listed(" i1Nn, i2Nn = ", n1, n2));
  const int big = std::max(n1, n2), small = std::min(n1, n2);
  if (big == 2) return named("non-substituted nitrogens");
  if (small == 3) return named(heaviest_z(i1n) == kZn || heaviest_z(i2n) == kZn ? "ZNnCn" : "substituted nitrogens");
  if (small == 2 && big == 3) return named("mixed nitrogens");
  cleared();
}

void Detector::ccno(const RingState& r0) {
  const int b1 = nbr(i_).atom[0], b2 = nbr(i_).atom[1];
  const bool no = (element_z(b1) == kN && element_z(b2) == kO) || (element_z(b1) == kO && element_z(b2) == kN);
  if (!no) {
    to_log(log_, layout::listed(":("));
    return unidentified("C(cyc)-n=", false);
  }
  const int o = element_z(b1) == kO ? b1 : b2;
  if (ring(o).ring == r0.ring) return named("o-Cc-n");
  if (neighbour_count(o) == 1) return named("amido");
  if (neighbour_count(o) == 2) return named("amidoH");
  // kept empty
}

void Detector::ccyc_n(const RingState& r0) {
  const int n = nth_of(i_, kN);
  const RingState rn = ring(n);
  const bool same = rn.in_one_planar && rn.ring == r0.ring;
  const int cn = neighbour_count(n);
  if (!same) {
    if (cn == 3) {
      if (heaviest_z(n) == kO && heaviest_n(n) == 2) return named("nitrophenyl");
      if (all_h_or_c(n, 3)) return named("aminophenyl");
      return unidentified("C(cyc)-n=", false);
    }
    if (cn == 2) {
      if (heaviest_z(n) == kO && heaviest_n(n) == 1) return named("ph-noh");
      return cleared();
    }
    if (cn == 4) {
      if (all_h_or_c(n, 4)) return named("protonated aminophenyl");
      return unidentified("C(cyc)-n=", false);
    }
    return cleared();
  }
  if (cn == 3 && all_h_or_c(n, 3)) return named("substituted nitrogen");
  if (cn == 2) return named("non-substituted nitrogen");
  unidentified("C(cyc)-n=", false);
}

void Detector::csp3_ccyc(const RingState& r0) {
  const int c = nth_of(i_, kC);
  if (c < 0) return unidentified("c(sp3,cyc)-C(cyc)=x", false);
  if (neighbour_count(c) == 4 && ring(c).ring == r0.ring) return named("cycloene");
  cleared();
}

void Detector::carbon4() {
  if (heaviest_z(i_) == kN && heaviest_n(i_) == 1) {
    check("n-C-(c/h)3");
    for (int k = 1; k < type_count(i_); ++k)
      if (type_z(i_, k) != kH && type_z(i_, k) != kC) return unidentified("n-C-(x/y/z)", false);
    const int n = nth_of(i_, kN);
    to_log(log_, "");
    to_log(log_, " Checking connected N-atom = " + model_.atoms[n].label.str());
    if (neighbour_count(n) == 4) return named("ammonium");
    if (neighbour_count(n) == 3) return named(group_planar(n, false) ? "planar amine" : "pyramidal amine");
    return unidentified("n-C-(c/h)3", false);
  }
  const bool methyl_s = type_count(i_) == 2 && type_z(i_, 1) == kH && type_n(i_, 1) == 3 && type_z(i_, 2) == kS &&
                        type_n(i_, 2) == 1;
  const bool methylene_s = type_count(i_) == 3 && type_z(i_, 1) == kH && type_n(i_, 1) == 2 && type_z(i_, 2) == kC &&
                           type_n(i_, 2) == 1 && type_z(i_, 3) == kS;
  if (methyl_s || methylene_s) {
    check("C-s(?)");
    const int s = nth_of(i_, kS);
    if (type_z(s, 1) == kZn || type_z(s, 2) == kZn) return named("C-s-Zn");
    unidentified("c-s-(?)", true);
  }
}

// ---- Nitrogen --------------------------------------------------------------

void Detector::nitrogen() {
  const int n = neighbour_count(i_);
  // Only the three-neighbour case reads the planarity; a group of three
  // atoms is planar anyway.
  if (n == 3 && group_planar(i_, false)) {
    if (type_count(i_) == 1 && type_z(i_, 1) == kC) {
      check("c-Nc1-c1 N-planar c1=?");
      int s = 0, mx = 0, mn = 1 << 30;
      for (int a : nbr(i_).atom) {
        s += neighbour_count(a);
        mx = std::max(mx, neighbour_count(a));
        mn = std::min(mn, neighbour_count(a));
      }
      if (s == 11 && mn == 3 && mx == 4) return named("csp2sp3sp3");
      if (s == 10 && mn == 3 && mx == 4) return named("csp3sp2sp2");
      return unidentified("c-Nc1-c1 planar", true);
    }
    return;
  }
  if (has_exactly(i_, {{kC, 1}, {kO, 1}})) {
    check("c--N--o(?)");
    const int o = nth_of(i_, kO);
    if (neighbour_count(o) == 2 && type_count(o) == 2 && type_z(o, 1) == kH && type_z(o, 2) == kN) return named("N-OH");
    if (neighbour_count(o) == 1 && first_nei(o) == i_) return named("N=O");
    unidentified("c--N--c?", true);
  }
}

// ---- Oxygen ----------------------------------------------------------------

void Detector::oxygen2() {
  if (has_exactly(i_, {{kH, 1}, {kC, 1}})) {
    check("c-O-h");
    const int c = nth_of(i_, kC);
    const RingState rc = ring(c);
    const int k = count_of(c, kO);
    if (k == 1) {
      if (neighbour_count(c) == 3) return named(rc.in_one_planar ? "phenol" : "alcohol");
      if (neighbour_count(c) == 4) return named("alcohol");
      return unidentified("c-O-h", true);
    }
    if (k == 2) {
      int other = -1;
      for (int a : nbr(c).atom)
        if (element_z(a) == kO && a != i_) {
          other = a;
          break;
        }
      if (other < 0) fail("DetExcept", "Could not identify \"other\" O-atom");
      return named(neighbour_count(other) == 1 ? "carboxylic" : "alcohol");
    }
    return unidentified("x-O-h", true);
  }
  if (has_exactly(i_, {{kC, 2}})) {
    check("c-O-c");
    const int c1 = nbr(i_).atom[0], c2 = nbr(i_).atom[1];
    const int m1 = neighbour_count(c1), m2 = neighbour_count(c2);
    const int lo = std::min(m1, m2), hi = std::max(m1, m2);
    if (!(lo == 3 && (hi == 3 || hi == 4))) return unidentified("c-O-c", true);
    auto acid_c = [&](int c) { return neighbour_count(c) == 3 && has_exactly(c, {{kC, 1}, {kO, 2}}); };
    auto carbamate_c = [&](int c) { return neighbour_count(c) == 3 && has_exactly(c, {{kN, 1}, {kO, 2}}); };
    if (m1 == 3 && m2 == 3 && has_exactly(c1, {{kC, 1}, {kO, 2}}) && has_exactly(c2, {{kC, 1}, {kO, 2}}))
      return named("anhydride");
    if (acid_c(c1) || acid_c(c2)) return named("ester");
    if (carbamate_c(c1) || carbamate_c(c2)) return named("carbamate ester");
    unidentified("c-O-c", true);
  }
}

void Detector::oxygen1() {
  const int x = first_nei(i_);
  switch (element_z(x)) {
    case kC:
      check("(?)c=O");
      return carbonyl_o(x);
    case kN:
      check("(?)N-O");
      if (neighbour_count(x) != 2 && neighbour_count(x) != 3) return unidentified("(?)N-O [1]", true);
      if (neighbour_count(x) == 2 && has_exactly(x, {{kC, 1}, {kO, 1}})) return named("NO");
      if (neighbour_count(x) == 3 && has_exactly(x, {{kC, 1}, {kO, 2}})) return named("NO2");
      return;  // kept empty
    case kP:
      check("(?)p=O");
      return phosphoryl_o(x);
    default: return;
  }
}

void Detector::phosphoryl_o(int p) {
  if (neighbour_count(p) != 4) return unidentified("(?)p=O [1]", true);
  if (has_exactly(p, {{kC, 3}, {kO, 1}})) return named("C3PO");
  if (has_exactly(p, {{kC, 1}, {kO, 3}})) {
    check("cpOoo(?)");
    except_.of[p].identified = true;
    int s = 0;
    for (int a : nbr(p).atom)
      if (element_z(a) == kO) s += neighbour_count(a);
    if (s == 4) return named("CPO2(O-X)");
    if (s == 5) return named("CPO(O-X)2");
    if (s == 3) return named("CPO3");
    return unidentified("cpOoo(?)", true);
  }
  check("pOooo(?)");
  except_.of[p].identified = true;
  int s = 0;
  for (int a : nbr(p).atom) s += neighbour_count(a);
  if (s == 4) return named("pO4");
  if (s == 7) return named("O-p(ox)3");
  if (s == 5) return named("O3-p(ox)");
  unidentified("pOooo(?)", true);
}

void Detector::carbonyl_o(int c) {
  if (neighbour_count(c) != 3) return unidentified("(?)c=O [1]", true);
  const int l = type_z(c, 1), nl = type_n(c, 1);
  if (ring(c).in_one_planar) {
    if (l == kN) {
      if (nl == 2) return named("aromaturea");
      return carbonyl_carbamate(c);
    }
    if (l == kC) {
      if (nl == 2) return named("aromatketone");
      if (nl == 1 && type_z(c, 2) == kO && type_n(c, 2) == 2) return named("aromatester");
      if (type_z(c, 2) == kN && type_z(c, 3) == kO) return named("aromatamide");
      return carbonyl_general(c);
    }
  }
  switch (l) {
    case kH:
      if (type_z(c, 2) == kC) return named("aldehyde");
      return carbonyl_general(c);
    case kC:
      if (nl == 2) return named("ketone");
      if (nl == 1) return carbonyl_acid(c);
      return carbonyl_general(c);
    case kN:
      if (nl == 2) return named("urea");
      return carbonyl_carbamate(c);
    default: return carbonyl_general(c);
  }
}

namespace {

// The other O of carbon c, and the last neighbour of that O other than c;
// -1 when there is none.
int other_o(const Model& model, const Neighbors& nb, int c, int o) {
  for (int a : nb.of[c].atom)
    if (model.atoms[a].atomic_number == kO && a != o) return a;
  return -1;
}

int last_other(const Neighbors& nb, int q, int c) {
  int x = -1;
  for (int a : nb.of[q].atom)
    if (a != c) x = a;
  return x;
}

}  // namespace

void Detector::carbonyl_acid(int c) {
  if (!(type_z(c, 2) == kO && type_n(c, 2) == 2)) return carbonyl_general(c);
  const int q = other_o(model_, nb_, c, i_);
  if (neighbour_count(q) == 1) return named("carboxylate");
  if (neighbour_count(q) == 2 && type_z(q, 1) == kH) return named("carboxylic");
  const int x = last_other(nb_, q, c);
  if (x >= 0 && neighbour_count(x) == 3) {
    if (count_of(x, kO) == 2) return named("anhydride");
    return cleared();
  }
  if (x >= 0 && neighbour_count(x) == 4) return named("ester");
  unidentified("(?)c=O [2]", true);
}

void Detector::carbonyl_carbamate(int c) {
  if (!(type_n(c, 1) == 1 && type_z(c, 2) == kO && type_n(c, 2) == 2)) return carbonyl_general(c);
  const int q = other_o(model_, nb_, c, i_);
  if (neighbour_count(q) == 1) return named("carbamate");
  if (neighbour_count(q) == 2 && type_z(q, 1) == kH) return named("carbamic acid");
  const int x = last_other(nb_, q, c);
  if (x >= 0 && neighbour_count(x) == 4) return named("carbamate ester");
  unidentified("(?)c=O [2]", true);
}

void Detector::carbonyl_general(int c) {
  if (heaviest_z(c) == kS && heaviest_n(c) == 1) return named("thioester");
  if (type_z(c, 1) == kC && type_z(c, 2) == kN && type_z(c, 3) == kO && neighbour_count(nth_of(c, kN)) > 2)
    return named("amide");
  unidentified("(?)c=O [3]", true);
}

// ---- Halogens, phosphorus, sulfur ------------------------------------------

void Detector::fluorine() {
  if (neighbour_count(i_) != 1 || element_z(first_nei(i_)) != kC) return;
  const int c = first_nei(i_);
  check("(?)c-F");
  if (ring(c).in_one_planar) return named("PH-F");
  chlorine_rule(c);
}

void Detector::chlorine_rule(int c) {
  check("(?)c-Cl");
  if (ring(c).in_one_planar) return named("PH-Cl");
  cleared();
}

void Detector::phosphorus() {
  const bool cooo = has_exactly(i_, {{kC, 1}, {kO, 3}});
  const bool oooo = has_exactly(i_, {{kO, 4}});
  if (!cooo && !oooo) return;
  check(cooo ? "cPooo(?)" : "Poooo(?)");
  int s = 0;
  for (int a : nbr(i_).atom)
    if (element_z(a) == kO) s += neighbour_count(a);
  if (cooo) {
    if (s == 4) return named("CPO2(O-X)");
    if (s == 5) return named("CPO(O-X)2");
    if (s == 3) return named("CPO3");
    return unidentified("cPooo(?)", true);
  }
  if (s == 5) return named("o3-P(ox)");
  unidentified("Poooo(?)", true);
}

void Detector::sulfur() {
  check("(?)c=S");
  const int c = first_nei(i_);
  if (neighbour_count(c) != 3) return unidentified("(?)c=S [1]", true);
  if (!ring(c).in_one_planar) return cleared();
  if (type_z(c, 1) == kN && type_n(c, 1) == 2) return named("PHthiourea");
  if (type_z(c, 1) == kC && type_n(c, 1) == 2) return named("PH=S");
  if (type_z(c, 1) == kC && type_z(c, 2) == kN && type_z(c, 3) == kS) return named("aromathioamide");
  cleared();
}

}  // namespace

std::string detect_functional_group(const Model& model, const Switches& sw, const Neighbors& nb, const Rings& rings,
                      FunctionalGroups& except, Log& log, int i) {
  Detector d(model, sw, nb, rings, except, log, i);
  d.run();
  return d.group_listing();
}

int append_if_absent(std::vector<int>& list, int j) {
  if (std::find(list.begin(), list.end(), j) != list.end()) return 1;
  list.push_back(j);
  return 0;
}

std::string group_listing(const Model& model, const Neighbors& nb, int i) {
  std::vector<int> list{i};
  // The listing holds a fixed number of atoms; a larger neighbourhood is
  // cut there rather than overrun.
  auto add = [&](int j) {
    if (static_cast<int>(list.size()) < kMaxGroupList) {
      append_if_absent(list, j);
    }
  };
  for (int a : nb.of[i].atom) {
    for (int b : nb.of[a].atom) {
      for (int c : nb.of[b].atom) add(c);
      add(b);
    }
    add(a);
  }
  std::ostringstream os;
  layout::line(os, "ANGSTROM");
  for (int k : list) {
    const Atom& at = model.atoms[k];
    layout::write(os, "('ATOM ',a8,2x,3f12.4)", at.label, at.cartesian[0], at.cartesian[1], at.cartesian[2]);
  }
  return os.str();
}

}  // namespace vorn
