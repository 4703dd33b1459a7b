// The pseudoatom databank: the valence-electron count of the elements, the
// search of the databank for the first entry that fits an atom, and the
// transfer of the entry's parameters into the atom's records.
#include "databank/databank.hpp"

#include "control/stop.hpp"
#include "driver/run_state.hpp"

namespace vorn {

float pval(int z) {
  if (z <= 0) return 0.0f;
  if (z <= 2) return static_cast<float>(z);
  if (z <= 10) return static_cast<float>(z - 2);
  if (z <= 18) return static_cast<float>(z - 10);
  if (z <= 36) return static_cast<float>(z - 18);
  if (z <= 54) return static_cast<float>(z - 36);
  if (z <= 86) return static_cast<float>(z - 54);
  return static_cast<float>(z - 86);
}

void readdb(RunState& rs, int) { err(rs, "ReadDB", "not implemented yet"); }

void copy_databank_result(RunState& rs, int i) {
  const Atom& a = rs.atom(i);
  const Mpoles1& m1 = rs.mp1;
  rs.mp.pv[i] = m1.pv * a.occ;
  rs.mp.sigpv[i] = m1.sigpv;
  Plm& plm = rs.mp.plm[i];
  plm = Plm{};
  for (int l = 0; l <= 4; ++l)
    for (int m = -l; m <= l; ++m) plm(l, m) = m1.plm(l, m) * a.occ;
  // The kappa values of a set are those of the last atom transferred into
  // it; its scattering type is that of the atom that opened it.
  const int k = rs.kset.kappaset[i];
  rs.kappas.kappa1[k] = m1.kappa1;
  rs.kappas.kappa2[k] = m1.kappa2;
  if (k > rs.kappas.nkset) {
    rs.kappas.nkset = k;
    rs.kappas.ktbl[k] = a.tbl;
  }
}

void databank_defaults(RunState& rs, int i) {
  const Atom& a = rs.atom(i);
  rs.mp.pv[i] = pval(a.iz) * a.occ;
  rs.mp.sigpv[i] = 0.0f;
  rs.mp.plm[i] = Plm{};
  const int k = rs.kset.kappaset[i];
  rs.kappas.kappa1[k] = 1.0f;
  rs.kappas.kappa2[k] = 1.0f;
  rs.kappas.ktbl[k] = a.tbl;
  if (k > rs.kappas.nkset) rs.kappas.nkset = k;
}

}  // namespace vorn
