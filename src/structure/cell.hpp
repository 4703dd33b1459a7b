// Cell metric, coordinate transforms, distances, Ueq and the occupancy check.
// All arithmetic is single precision.
#pragma once

#include <array>

#include "layout/log.hpp"
#include "structure/model.hpp"

namespace vorn {

float cosd(float deg);
float sind(float deg);
float asind(float s);

// The fractional-to-Cartesian transform of the cell and its inverse, both
// printed to the log.  An impossible cell stops with "TranMat".
Transform cell_transform(const UnitCell& c, Log& log);
// Inverse of a 3x3 matrix; stops with "Inverse" / "Determinant = 0".
Mat3 inverse(const Mat3& a);
// The cell's fractional -> Cartesian transform and its inverse.
Cartesian to_cartesian(const Transform& t, const Fractional& p);
Fractional to_fractional(const Transform& t, const Cartesian& p);
float dist(const Vec3& a, const Vec3& b);
float dist(float x1, float y1, float z1, float x2, float y2, float z2);
float rlength(const Vec3& v);
Vec3 r_cell(const UnitCell& c);
// Ueq of an anisotropic atom; the isotropic U of any other.
float equivalent_u(const Atom& at, const UnitCell& c);
// Sets the flag of every atom of the asymmetric unit: 0 at full
// occupancy; otherwise 1 on a special position, -1 disordered.
void flag_partial_sites(Model& m);

// Cartesian position of atom i / its fractional position.
Cartesian cart(const Model& m, int i);
Fractional frac(const Model& m, int i);

}  // namespace vorn
