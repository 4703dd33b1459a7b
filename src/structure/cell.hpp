// Cell metric, coordinate transforms, distances, Ueq and the occupancy check.
// All arithmetic is single precision.
#pragma once

#include <array>

#include "structure/model.hpp"

namespace vorn {

struct RunState;
using Vec3 = std::array<float, 3>;

float cosd(float deg);
float sind(float deg);
float asind(float s);

// Fills transf.m and transf.minv from the cell and prints both to the log.
void tranmat(RunState& rs);
// Inverse of a 3x3 matrix; stops with "Inverse" / "Determinant = 0".
Mat3 inverse(const Mat3& a);
// flag 0: fractional -> Cartesian (m x); flag 1: Cartesian -> fractional.
Vec3 rabs(const Transform& t, int flag, const Vec3& p);
float dist(const Vec3& a, const Vec3& b);
float dist(float x1, float y1, float z1, float x2, float y2, float z2);
float rlength(const Vec3& v);
Vec3 r_cell(const UnitCell& c);
float calcueq(const RunState& rs, int i);
// Sets the flag of every atom: 1 special position, -1 disordered, 0 normal.
void checkocc(RunState& rs);

// Cartesian position of atom i / its fractional position.
Vec3 cart(const RunState& rs, int i);
Vec3 frac(const RunState& rs, int i);

}  // namespace vorn
