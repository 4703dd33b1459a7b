// From types to the transferred model: each typed atom takes its entry's
// parameters and the entry's frame built on its environment.
#include "databank/matts_transfer.hpp"

#include "databank/databank.hpp"

namespace vorn {

std::vector<TransferredAtom> transfer_entries(const MattsBank& bank, const MattsTyping& typing, const Model& model,
                                              Log& log) {
  std::vector<TransferredAtom> out(typing.types.size());
  for (std::size_t i = 0; i < out.size(); ++i) {
    TransferredAtom& t = out[i];
    const int z = typing.graph.z[i];
    t.pv = pval(z);
    const MattsType& type = typing.types[i];
    if (type.entry < 0) continue;
    const MattsEntry& e = bank.entries[static_cast<std::size_t>(type.entry)];
    t.frame = build_matts_frame(e, type, typing.graph, typing.descriptors, static_cast<int>(i));
    if (!t.frame) {
      std::string line(" ");
      line += model.atoms[i].label.trimmed();
      line += " : the frame of " + e.id + " spans no plane on this atom; it stays spherical";
      to_log(log, line);
      continue;
    }
    t.entry = type.entry;
    t.id = e.id;
    t.comment = e.comment;
    t.instances = e.instances;
    t.symmetry = e.symmetry;
    t.pv = e.pv;
    t.sigpv = e.sigpv;
    t.kappa = e.kappa;
    t.kprim = e.kprim;
    t.plm = e.plm;
  }
  return out;
}

}  // namespace vorn
