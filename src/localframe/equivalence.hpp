// Chemical equivalence of two atoms.
#pragma once

namespace vorn {

struct RunState;

bool sameatoms(RunState& rs, int a, int b, int compare_symmetry, int compare_groups, int simple,
               int compare_rings);

}  // namespace vorn
