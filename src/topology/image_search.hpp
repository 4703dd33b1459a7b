// The images of the asymmetric unit under the symmetry operators and the
// lattice translations of the complete-fragment search, found near a point
// without a table of all of them.
#pragma once

#include <array>
#include <functional>
#include <vector>

#include "control/switches.hpp"
#include "structure/cell.hpp"
#include "structure/model.hpp"
#include "topology/cell_grid.hpp"

namespace vorn {

// The lattice translation that brings rot x + trans into the unit cell
// (each component of the sum in [0, 1)); zero for a coordinate that is
// not a number or lies further than a few cells out.
std::array<int, 3> into_cell(const SymOp& op, const Vec3& x);
// The fractional image rot x + trans + t of fractional position x.
Vec3 image_of(const SymOp& op, const Vec3& x, const std::array<int, 3>& t);
// The lattice translations of the complete-fragment search for the image
// of x under op: those within NCELLS of s = into_cell(op, x) in every
// component (the n cells around the unit cell) and those within NCELLS of
// zero in every component (the n cells around the operator's own image: a
// molecule on the inversion centre at the origin is whole with NCELLS 0).
// A translation near s in one component and near zero in another lies in
// neither block of cells and is not searched.  lo and hi bound both blocks
// (the scans run over that box and skip what holds() refuses).
struct TranslationRange {
  std::array<int, 3> lo{}, hi{};
  std::array<int, 3> into_cell{};
  int ncells = 0;
  bool holds(const std::array<int, 3>& t) const {
    bool near_cell = true, near_image = true;
    for (std::size_t k = 0; k < 3; ++k) {
      near_cell = near_cell && t[k] >= into_cell[k] - ncells && t[k] <= into_cell[k] + ncells;
      near_image = near_image && t[k] >= -ncells && t[k] <= ncells;
    }
    return near_cell || near_image;
  }
};
TranslationRange translations_for(const SymOp& op, const Vec3& x, int ncells);

// Image (i, n, t) of atom i under operator n (counted from 0, the identity)
// and lattice translation t (within translations_for) has the scan position
// (i nsym + n) per_op + code(t), code ordering the translations as
// the scan meets them (t1, then t2, then t3 innermost), and its position
// is formed exactly as the restart scan forms it.  The images near a
// point are found by mapping the point back through each operator and
// translation onto the asymmetric unit, where a cell list of the unit's
// atoms answers.
class ImageSearch {
public:
  using Visit = std::function<void(long long m, int i, int n, const std::array<int, 3>& t)>;

  ImageSearch(const Model& md, const Switches& sw) : md_(md), sw_(sw) {}

  // False when the images cannot be searched this way (a coordinate that is
  // not a number, a singular operator); the restart scan runs then.
  bool prepare();
  long long position(int i, int n, const std::array<int, 3>& t) const;
  // Atom, operator and translation of the image at scan position m.
  void decode(long long m, int& i, int& n, std::array<int, 3>& t) const;
  // The image's fractional and Cartesian positions, as the scan forms them.
  void place(int i, int n, const std::array<int, 3>& t, Vec3& xs, Vec3& cartesian) const;
  // The translations searched for atom i under operator n.
  const TranslationRange& range(int i, int n) const {
    return range_[static_cast<std::size_t>(i * nsym_ + n)];
  }
  // Calls visit(m, i, n, t) for every image (i, n, t) at scan position m
  // that can lie within r of the point at fractional pf, and for some
  // others: the caller tests the distance.  The identity without
  // translation is no image.  An image that falls on the site of an image
  // with a lower scan position (the two operators differ by an element of
  // the atom's site group) is not visited: the searches take the first
  // image at a site, and an atom on a site of order 48 would otherwise be
  // met 48 times at each place.
  void near(const Vec3& pf, double r, const Visit& visit);
  // Whether image (i, n, t) falls on the site of an image of atom i under
  // an earlier operator whose translation is searched.
  bool repeats_earlier_image(int i, int n, const std::array<int, 3>& t) const;
  // Largest covalent radius among the unit's atoms.
  double largest_covalent_radius() const { return largest_covalent_radius_; }

private:
  struct Op {
    std::array<std::array<double, 3>, 3> q{};   // image = q x + trans + t
    std::array<double, 3> trans{};
    std::array<std::array<double, 3>, 3> v{};   // inverse of q
    double stretch = 1;
  };

  double smin_unit(std::size_t k, double reach) const { return lo_[k] - reach * recip_[k] - 1.0e-4; }
  double smax_unit(std::size_t k, double reach) const { return hi_[k] + reach * recip_[k] + 1.0e-4; }

  const Model& md_;   // its asymmetric unit, symmetry and transform
  const Switches& sw_;
  int natom_ = 0, nsym_ = 0, c_ = 0;
  long long per_op_ = 1;
  std::array<double, 3> lo_{}, hi_{}, recip_{};   // the unit's fractional box; |a*|
  double largest_covalent_radius_ = 0;
  std::vector<Op> ops_;
  std::vector<TranslationRange> range_;   // of atom i, operator n at i nsym + n
  std::vector<TranslationRange> op_range_;   // their union, per operator
  // Atom i under operator n lands where it lands under an earlier operator
  // `op`, translated by `shift`.
  struct SameSite {
    int op = 0;
    std::array<int, 3> shift{};
  };
  std::vector<std::vector<SameSite>> same_site_;   // of atom i, operator n at i nsym + n
  void find_same_sites(const std::array<Vec3, 3>& to_cart);
  void set_translation_ranges();
  std::array<int, 3> tmin_{}, tside_{};      // the union over all, for the scan codes
  CellGrid unit_;
  std::vector<int> cand_;
};

}  // namespace vorn
