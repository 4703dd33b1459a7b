// An atom typed by a MATTS bank takes the frame of its entry: the entry's
// axis letters and points (atoms of the table, or dummy atoms where the
// point is a symmetry image, a ring centre or a direction) and its
// symmetry label.  Its populations, defined in that frame, are rotated
// exactly into the frame finally written (the site of a special position
// may rebuild it).
#pragma once

#include <string>

#include <gemmi/math.hpp>

#include "databank/databank_records.hpp"
#include "databank/matts_transfer.hpp"
#include "localframe/atom_loop.hpp"
#include "localframe/frame_records.hpp"

namespace vorn {

// The program's site-symmetry label for an entry's symmetry label ("no" is
// "NO", "-6m2" the program's "-62m", whose terms are the same in the
// entry's axes).
std::string program_label(const std::string& entry_symmetry);

// The atom's transferred model when an entry types it; null otherwise.
const TransferredAtom* typed_atom(const AtomLoop& loop, int atom);

// Sets the entry's frame and label on the atom (the dummies its own frame
// made, from number dummies_before + 1, are dropped).
void apply_entry_frame(const AtomLoop& loop, int atom, const TransferredAtom& t, Frame& frame, int dummies_before);

// The axes of a written frame as columns X, Y, Z (the Z negated for a
// left-handed frame).
gemmi::Mat33 written_axes(const AtomLoop& loop, int atom, const Frame& frame, bool left);

// The entry's Plm expressed in the frame whose axes are `written` (columns);
// unchanged when the written frame is the entry's own.
Plm entry_populations_in(const TransferredAtom& t, const gemmi::Mat33& written);

// The entry as the databank records hold one transferred entry.
DatabankMatch entry_record(const TransferredAtom& t, const Plm& plm);

}  // namespace vorn
