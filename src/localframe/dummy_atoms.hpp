// Dummy atoms: named points that direct local axes, and the geometry
// helpers of the frame assignment.
#pragma once

#include <array>
#include <ostream>
#include <string>
#include <string_view>

#include "control/switches.hpp"
#include "localframe/frame_records.hpp"
#include "structure/cell.hpp"
#include "structure/model.hpp"

namespace vorn {

// A dummy atom made or reused: its number and its Cartesian position.
struct DummyPoint {
  int number = 0;
  Cartesian cart;
};
// Makes or reuses (within 0.1 Angstrom) the dummy at a Cartesian point.
DummyPoint add_dummy(Dummies& dummies, const Model& model, const Switches& sw, const Cartesian& p);
// ... at a point given in the frame dummies are stored in (fractional when
// the input had a cell, Cartesian otherwise).
DummyPoint add_dummy_stored(Dummies& dummies, const Model& model, const Switches& sw, const Vec3& stored);
// Appends a dummy without the reuse test (symmetry-generated axis atoms);
// p is in the stored frame.  Returns its number; stops above 999, the
// numbers XD's dummy labels hold.
int append_dummy(Dummies& dummies, const Vec3& p);
// Atom i's position in the frame dummies are stored in: fractional when
// the input had a cell, Cartesian otherwise.
Vec3 stored_position(const Model& model, const Switches& sw, int i);
// Cartesian position of dummy d (stored fractional when has_cell).
Vec3 dummy_cart(const Dummies& dummies, const Model& model, const Switches& sw, int d);
Vec3 midpoint(const Vec3& a, const Vec3& b);
// Angle a-b-c at b in degrees.
double angle_degrees(const Vec3& a, const Vec3& b, const Vec3& c);
void write_angle(std::ostream& os, std::string_view a, std::string_view b, std::string_view c, double angle);
Vec3 cross_product(const Vec3& u, const Vec3& v);
// Draws the local axes of the atom with entry index `atom` into vorn.spf;
// their labels carry its number, atom + 1.
void plot_local_axes(const Atom& a, int atom, const Vec3& p1, const Vec3& p2, char first, char second, std::ostream& os);
// origin + 0.2 e/|e| for e = ex, ey, ez.
void axis_end_points(const Vec3& origin, const Vec3& ex, const Vec3& ey, const Vec3& ez, Vec3& px, Vec3& py, Vec3& pz);
std::string dummy_number_text(int n);

}  // namespace vorn
