// Cell metric, coordinate transforms, distances, Ueq and the occupancy check.
// All arithmetic is single precision.
#pragma once

#include <array>

#include "layout/log.hpp"
#include "structure/model.hpp"

namespace vorn {

using Vec3 = std::array<float, 3>;

float cosd(float deg);
float sind(float deg);
float asind(float s);

// The fractional-to-Cartesian transform of the cell and its inverse, both
// printed to the log.  An impossible cell stops with "TranMat".
Transform cell_transform(const UnitCell& c, Log& log);
// Inverse of a 3x3 matrix; stops with "Inverse" / "Determinant = 0".
Mat3 inverse(const Mat3& a);
// flag 0: fractional -> Cartesian (m x); flag 1: Cartesian -> fractional.
Vec3 rabs(const Transform& t, int flag, const Vec3& p);
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
Vec3 cart(const Model& m, int i);
Vec3 frac(const Model& m, int i);

}  // namespace vorn
