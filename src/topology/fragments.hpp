// Complete fragments: bonded symmetry copies appended to the atom table.
#pragma once

#include "control/switches.hpp"
#include "layout/log.hpp"
#include "structure/model.hpp"

namespace vorn {

// The model with the symmetry copies (within NCELLS cells) that bond to an
// atom already in the table appended after the asymmetric unit, until no
// more bond: entries natom .. entries - 1, each with its source atom.  The
// direct form scans every image again after each copy; the indexed form
// (direct false) finds the same copies in the same order.  The table grows
// with the copies: a chain or a network fills the cells searched, and a
// table beyond the images of those cells stops with "GenCompleteFrags".
// Then warns about every atom whose molecule is still cut at the edge of
// the searched cells.
Model complete_fragments(Model model, const Switches& sw, bool direct, Log& log);
// The search alone: appends the copies to md (entries natom ..).  It
// stops quietly at `capacity` entries (a trial search that gives up), and
// returns false then.
bool add_bonded_copies(Model& md, const Switches& sw, bool direct, long long capacity);

}  // namespace vorn
