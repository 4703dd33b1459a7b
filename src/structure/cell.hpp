// Cell metric, coordinate transforms, distances, Ueq and the occupancy check.
// All arithmetic is single precision.
#pragma once

#include <array>

#include "layout/log.hpp"
#include "structure/model.hpp"

namespace vorn {

double cosd(double deg);
double sind(double deg);
double asind(double s);

// The fractional-to-Cartesian transform of the cell and its inverse, both
// printed to the log.  An impossible cell stops with "TranMat".
Transform cell_transform(const UnitCell& c, Log& log);
// Inverse of a 3x3 matrix; stops with "Inverse" / "Determinant = 0".
Mat3 inverse(const Mat3& a);
// The cell's fractional -> Cartesian transform and its inverse.
Cartesian to_cartesian(const Transform& t, const Fractional& p);
Fractional to_fractional(const Transform& t, const Cartesian& p);
double dist(const Vec3& a, const Vec3& b);
double dist(double x1, double y1, double z1, double x2, double y2, double z2);
double rlength(const Vec3& v);
Vec3 r_cell(const UnitCell& c);
// Ueq of an anisotropic atom; the isotropic U of any other.
double equivalent_u(const Atom& at, const UnitCell& c);
// Sets the flag of every atom of the asymmetric unit: 0 at full
// occupancy; otherwise 1 on a special position, -1 disordered.
void flag_partial_sites(Model& m);

// Cartesian position of atom i / its fractional position.
Cartesian cart(const Model& m, int i);
Fractional frac(const Model& m, int i);

}  // namespace vorn
