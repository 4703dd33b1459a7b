// The user's corrections of the automatic setup (the BOND, NOBOND and AXES
// lines of the control file), resolved to atoms of the asymmetric unit.
#pragma once

#include <string>
#include <vector>

namespace vorn {

// A bond forced or forbidden between two atoms of the asymmetric unit (and
// so between their symmetry copies); `line` is the control-file line.
struct BondCorrection {
  int first = -1;
  int second = -1;
  int line = 0;
};

// An atom's local frame as the XD atom table gives it: the first axis
// (letter ax1) from the atom towards atom0, the second (ax2) along
// atom1 -> atom2, and the site-symmetry label.  The points are atoms of
// the asymmetric unit; the frame takes the entry of each (the atom or a
// symmetry copy of it) nearest the atom.
struct FrameCorrection {
  int atom = -1;
  int atom0 = -1, atom1 = -1, atom2 = -1;
  char ax1 = 'X', ax2 = 'Y';
  std::string label;
  int line = 0;
};

struct Corrections {
  std::vector<BondCorrection> forced;
  std::vector<BondCorrection> forbidden;
  std::vector<FrameCorrection> frames;
  bool forbids(int source_a, int source_b) const {
    for (const BondCorrection& c : forbidden)
      if ((c.first == source_a && c.second == source_b) || (c.first == source_b && c.second == source_a)) return true;
    return false;
  }
  const FrameCorrection* frame_of(int atom) const {
    for (const FrameCorrection& c : frames)
      if (c.atom == atom) return &c;
    return nullptr;
  }
};

}  // namespace vorn
