#include "writers/mopro_symmetry_code.hpp"

namespace vorn {

const std::vector<MoproCode>& mopro_codes() {
  static const std::vector<MoproCode> codes = [] {
    const gemmi::Mat33 mx(-1, 0, 0, 0, 1, 0, 0, 0, 1), my(1, 0, 0, 0, -1, 0, 0, 0, 1);
    const gemmi::Mat33 mz(1, 0, 0, 0, 1, 0, 0, 0, -1);
    return std::vector<MoproCode>{{"mx", invariant_terms({mx})},
                                  {"my", invariant_terms({my})},
                                  {"mz", invariant_terms({mz})},
                                  {"mxmy", label_multipoles("mm2")},
                                  {"3m", label_multipoles("3m")},
                                  {"cy", label_multipoles("cyl")}};
  }();
  return codes;
}

MoproChoice choose_mopro_code(const MultipoleSet& permitted) {
  MoproChoice best;
  std::size_t most = 0;
  for (const MoproCode& c : mopro_codes()) {
    if ((c.allowed & ~permitted).any()) continue;   // it would refine a forbidden term
    if (best.code.empty() || c.allowed.count() > most) {
      best.code = c.code;
      best.fixed = permitted & ~c.allowed;
      most = c.allowed.count();
    }
  }
  return best;
}

}  // namespace vorn
