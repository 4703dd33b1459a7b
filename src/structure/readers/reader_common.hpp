// Small steps that the XD, AIM2TAB and PLATON readers share when they fill
// the structure model.
#pragma once

#include "structure/model.hpp"

namespace vorn {

// Before a reader appends atoms: every label and site-symmetry label blank,
// no scattering types.
inline void start_model(Model& m) {
  for (Atom& a : m.atoms.raw()) {
    a.label = "";
    a.sitesym = "";
  }
  m.types.ntypes = 0;
}

// Appends atomic number z to the scattering types unless it is listed.
inline void add_scattering_type(AtomTypes& t, int z) {
  for (int k = 1; k <= t.ntypes; ++k)
    if (t.typez[k] == z) return;
  ++t.ntypes;
  t.typez[t.ntypes] = z;
}

// Highest multipole level of an atom: 4, or 2 for hydrogen.
inline int default_lmx(int z) { return z == 1 ? 2 : 4; }

}  // namespace vorn
