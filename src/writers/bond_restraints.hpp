// What keeps each extended X-H bond fixed in the later refinements: the
// RESET BOND lines of reset.bond and the coordinate constraints of
// const.bond for XD, the DISTAN and URATIO restraints of res_mopro.inp for
// MoPro.
#pragma once

#include <ostream>
#include <vector>

#include "localframe/frame_records.hpp"
#include "structure/model.hpp"

namespace vorn {

// The RESET BOND, DISTAN and constraint lines of every extended bond, in
// atom order.
void write_bond_restraints(const Model& model, const std::vector<AtomSetup>& setup, std::ostream& reset,
                           std::ostream& res, std::ostream& cnst);

// The URATIO restraint of an extended bond (100 columns).
Text<100> uratio_line(const Model& model, const ExtendedBond& bond);

}  // namespace vorn
