// Functional-group exceptions.
#pragma once

#include <vector>

namespace vorn {

struct RunState;

void detexcept(RunState& rs, int i);
// Writes atom i and its neighbourhood up to three bonds to group.ang.
void printgroup(RunState& rs, int i);
// 1 when j is among the first n entries of list; otherwise appends it.
int checkat(std::vector<int>& list, int j);

}  // namespace vorn
