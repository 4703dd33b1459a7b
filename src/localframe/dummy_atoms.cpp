// Not built yet: every routine stops the run with a clear message.
#include "control/stop.hpp"
#include "driver/run_state.hpp"
#include "localframe/dummy_atoms.hpp"

namespace vorn {

int adddummyatom(RunState& rs, int, Vec3&, Vec3&) { err(rs, "AddDummyAtom", "not implemented yet"); }
int newdummy(RunState& rs, const Vec3&) { err(rs, "AddDummyAtom", "not implemented yet"); }
void dummylab(RunState& rs, int) { err(rs, "DummyLab", "not implemented yet"); }
Vec3 dummy_cart(RunState& rs, int) { err(rs, "DummyLab", "not implemented yet"); }
Vec3 midpoint(const Vec3&, const Vec3&) { return {0, 0, 0}; }
float calcang(const Vec3&, const Vec3&, const Vec3&) { return 0; }
void prtang(std::ostream&, std::string_view, std::string_view, std::string_view, float) {}
Vec3 vmult(const Vec3&, const Vec3&) { return {0, 0, 0}; }
void loc2plat(RunState& rs, int, const Vec3&, const Vec3&, char, char) { err(rs, "Loc2Plat", "not implemented yet"); }
void getdummy(const Vec3&, const Vec3&, const Vec3&, const Vec3&, Vec3&, Vec3&, Vec3&) {}
std::string getdummylabel(int) { return {}; }

}  // namespace vorn
