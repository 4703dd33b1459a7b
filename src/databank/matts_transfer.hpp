// The model a MATTS bank gives each atom: its entry, the entry's frame on
// the atom, Pv, kappa, kappa' and the Plm as the entry defines them (in
// that frame).  A plain struct per atom, for the per-atom loop and for any
// later stage (form factors) that takes the transferred model.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "databank/matts_frame.hpp"
#include "databank/matts_typing.hpp"
#include "layout/log.hpp"

namespace vorn {

struct TransferredAtom {
  int entry = -1;                    // -1: no entry fits; a spherical neutral atom
  std::string id = "-";
  std::string comment;
  int instances = 0;
  std::string symmetry;              // the entry's label ("no", "m", "mm2", "3m", "cyl", ...)
  std::optional<MattsFrame> frame;   // the entry's frame on the atom
  double pv = 0, sigpv = 0, kappa = 1, kprim = 1;
  std::array<std::array<double, 9>, 5> plm{};   // plm[l][l + m], in the entry's frame
};

// Every atom of the table (atom i at [i]); an atom whose entry's frame
// cannot be built (its references on one line) stays spherical and the log
// says why.
std::vector<TransferredAtom> transfer_entries(const MattsBank& bank, const MattsTyping& typing, const Model& model,
                                              Log& log);

}  // namespace vorn
