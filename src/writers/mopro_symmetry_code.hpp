// MoPro's local-symmetry code (the SYMPLM line of con_mopro.inp) for an
// atom: MoPro refines the multipoles its code allows, so the code must
// allow no term that the atom's site or label forbids.
#pragma once

#include <string>
#include <vector>

#include "localframe/multipole_symmetry.hpp"

namespace vorn {

// One of MoPro's codes with the terms it allows, in the atom's frame.
struct MoproCode {
  std::string code;
  MultipoleSet allowed;
};

// The codes MoPro knows: mirrors normal to X, Y or Z ("mx", "my", "mz"),
// "mxmy" (mm2 about Z), "3m" (three-fold axis along Z, a mirror holding X)
// and "cy" (cylindrical about Z).
const std::vector<MoproCode>& mopro_codes();

// The choice for an atom that may refine the terms `permitted`: the code
// that allows the most of them and no other term.  `fixed` are the
// permitted terms that code leaves out (none when the code is exact).
// Without any such code, `code` is empty.
struct MoproChoice {
  std::string code;
  MultipoleSet fixed;
};
MoproChoice choose_mopro_code(const MultipoleSet& permitted);

}  // namespace vorn
