// The frame and site-symmetry label that an AXES line of the control file
// gives an atom, in place of the one the program chose.
#pragma once

#include <string>

#include "localframe/atom_loop.hpp"
#include "localframe/frame_records.hpp"

namespace vorn {

// Sets the AXES line's frame on the atom when there is one (the dummies
// its own frame made, from number dummies_before + 1, are dropped) and
// returns whether it did.  Each named point is the entry of that name
// nearest the atom; a second axis along ATOM1 -> ATOM2 with ATOM1 another
// atom than this one runs from the atom to a dummy at the atom plus that
// vector.  Axes that span no plane stop with "ReadInp", naming the line.
bool apply_user_frame(const AtomLoop& loop, int atom, Frame& frame, int dummies_before);

// What must agree for two atoms to share a kappa set or a constraint: the
// axis letters and label of an atom's AXES line, empty for an atom whose
// frame the program chose.
std::string user_frame_key(const Model& md, int atom);

}  // namespace vorn
