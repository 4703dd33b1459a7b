// The local frame an entry of a MATTS bank defines for a typed atom: its
// two reference points resolved on the atom's environment, the map whose
// references are heaviest and nearest, and the handedness from the entry's
// R/L and its chirality atoms.
#pragma once

#include <array>
#include <optional>
#include <string>

#include <gemmi/math.hpp>

#include "databank/matts_bank.hpp"
#include "databank/matts_graph.hpp"
#include "databank/matts_typing.hpp"

namespace vorn {

// Where an axis points: an atom of the table at its own position (atom >= 0,
// its entry index), or a point of no atom (a symmetry image, a ring centre, a
// direction), which the atom table gets as a dummy atom.
struct MattsAxisPoint {
  int atom = -1;
  gemmi::Position pos;   // the atom, or 1 Angstrom from the centre along the direction
  std::string text;      // resolved, for the log: `C(2)`, `C(2)[image]`, `ring(C(1),...)`
  // any_orthogonal: the entry lets the axis point anywhere off the other
  // one, so an atom off that axis serves as well as a dummy.
  bool arbitrary = false;
};

struct MattsFrame {
  std::array<char, 2> axis{'X', 'Y'};
  std::array<MattsAxisPoint, 2> point;
  gemmi::Position centre;   // the typed atom
  gemmi::Mat33 axes;     // rows: the local X, Y and Z axes (Cartesian unit vectors)
  bool left = false;     // the third axis negated: an L entry, or the mirror image of its chirality
  bool chiral = false;
  bool same_chirality = true;
};

// The entry's frame on the atom (entry index); none when its references span
// no plane.
std::optional<MattsFrame> build_matts_frame(const MattsEntry& entry, const MattsType& type, const BankGraph& graph,
                                            const std::vector<AtomDescriptors>& descriptors, int atom);

}  // namespace vorn
