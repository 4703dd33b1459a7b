// Ring search over the reduced connectivity table.
#pragma once

namespace vorn {

struct RunState;

// Builds the reduced table by removing open atoms; writes reduced.ang and
// reduced_1.ang.
void connect4rings(RunState& rs);
// One elimination cycle; remaining receives the number of atoms kept.
void eliminate(RunState& rs, int cycle, int& remaining);
void writeconn(RunState& rs);
// Walks the reduced table and stores the rings.
void findrings(RunState& rs);

}  // namespace vorn
