// The smallest set of smallest rings (a minimum cycle basis) of a bond
// graph, found from Horton's candidate cycles: for every atom v and bond
// x-y, the shortest path v..x, the bond, and the shortest path y..v, when
// the two paths meet only at v.  Taken shortest first, each candidate
// that is no sum (over the bonds, modulo 2) of shorter rings joins the
// set: every ring of some smallest set of smallest rings (the relevant
// rings), so that equally small rings that symmetry makes equivalent are
// all found, not an arbitrary choice among them.
#pragma once

#include <vector>

namespace vorn {

// graph[v] lists the vertices bonded to v (vertices 0 .. n-1, each bond in
// both lists).  Only rings of at most max_size members are looked for:
// every ring of the smallest set up to that size is returned, in ring
// order (the smallest vertex first, then its smaller ring neighbour),
// shortest first.
std::vector<std::vector<int>> smallest_set_of_smallest_rings(const std::vector<std::vector<int>>& graph, int max_size);

}  // namespace vorn
