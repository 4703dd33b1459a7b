// Multipole populations refined in one local frame, expressed in another.
// The populations belong to XD's density-normalised real harmonics, so a
// change of frame mixes the terms of each order l in the ratios of their
// normalisations.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include <gemmi/math.hpp>

#include "databank/databank_records.hpp"

namespace vorn {

// Density normalisation of harmonic (l, m): the factor that makes the
// integral of its magnitude over the sphere 2 (l >= 1); the cosine (+m)
// and sine (-m) terms share it.
double density_normalisation(int l, int m);

// The populations of the old frame in the new one.  `old_from_new` maps a
// direction's coordinates in the new frame to those in the old (the
// transposed old axes times the new axes; improper when the hand changes).
// The monopole terms do not change.
Plm rotate_multipoles(const Plm& populations, const gemmi::Mat33& old_from_new);

// The power of each order l = 1 .. 4 (element l; element 0 unused): the
// sum over m of the squared populations, each times the integral over the
// sphere of its density-normalised function squared, so that it is the
// sum of squares in an orthonormal normalisation and no turn changes it.
std::array<double, 5> power_by_order(const Plm& populations);

// Populations defined in the frame whose axes (columns) are `defined`,
// expressed in the frame `written`.  Frames that agree to the rounding of
// stored positions (1e-4 in every element) leave the numbers as they are.
Plm populations_in_frame(const Plm& populations, const gemmi::Mat33& defined, const gemmi::Mat33& written);

// The log line that gives, per order l = 1 .. 4, the per cent of the power
// of `before` that `after` lost (a zeroed term's share).
std::string lost_power_line(std::string_view label, const Plm& before, const Plm& after);

}  // namespace vorn
