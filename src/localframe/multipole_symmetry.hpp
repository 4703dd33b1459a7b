// Which multipoles a symmetry allows.  The 24 terms from the dipoles to the
// hexadecapoles are the real spherical harmonics in the order of the XD KEY
// table (D11+ D11- D10, then for l = 2, 3, 4: m = 0, +1, -1, +2, -2, ...);
// a term may be refined when the harmonic is unchanged by every operation
// of the atom's symmetry, expressed in its local frame.
#pragma once

#include <bitset>
#include <string>
#include <string_view>
#include <vector>

#include <gemmi/math.hpp>

namespace vorn {

constexpr int kMultipoleTerms = 24;
using MultipoleSet = std::bitset<kMultipoleTerms>;

// Order l and index m (+m the cosine, -m the sine term) of term k.
struct HarmonicIndex {
  int l = 0;
  int m = 0;
};
HarmonicIndex harmonic_of_term(int term);
// Real harmonic (l, m) at the unit vector u: P_l^|m|(cos theta) times
// cos(m phi) for +m, sin(|m| phi) for -m, up to a factor that the cosine
// and sine terms of one (l, |m|) share (x, y, z, 3z^2 - 1, xz, yz,
// x^2 - y^2, 2xy, ...), so that one normalisation serves both, as in XD;
// 0 outside l = 1 .. 4.
double harmonic(int l, int m, const gemmi::Vec3& u);
// The name XD gives term k ("D11+", "Q20", "H44-").
std::string term_name(int term);

// The terms whose harmonic each operation (a rotation matrix in the local
// frame) leaves unchanged.
MultipoleSet invariant_terms(const std::vector<gemmi::Mat33>& operations);
// The number of independent combinations of order-l harmonics that a whole
// point group (every element listed) leaves unchanged.
int invariant_combinations(const std::vector<gemmi::Mat33>& group, int l);
// Whether every combination the group allows is a single term in this
// frame, so that the KEY table can refine all it allows and nothing else.
bool frame_resolves_symmetry(const std::vector<gemmi::Mat33>& group);

// The generating operations of a site-symmetry label in the frame that the
// label's axis convention describes; empty for "NO" and unknown labels.
std::vector<gemmi::Mat33> label_operations(std::string_view label);
// The terms those operations leave unchanged (every term for "NO").
MultipoleSet label_multipoles(std::string_view label);
// The same for a frame whose axis points lie along axes l1 and l2: the
// mirror of "m" holds both points (normal to Z for X and Y, as the frames
// the program builds have it; normal to Y for X and Z, say).
std::vector<gemmi::Mat33> label_operations(std::string_view label, char l1, char l2);
MultipoleSet label_multipoles(std::string_view label, char l1, char l2);

// The 30-character multipole part of a KEY line: Pv on, P00 off, then the
// allowed terms.
std::string multipole_key(const MultipoleSet& refined);

}  // namespace vorn
