// Kappa sets, chemical constraints and the atom's output lines: the second
// half of the per-atom work, after its frame is fixed.
#include "localframe/kappa_sets.hpp"

#include <algorithm>
#include <cmath>
#include <optional>
#include <string>
#include <vector>

#include "layout/text_edit.hpp"
#include "databank/databank.hpp"
#include "databank/functional_groups.hpp"
#include "driver/run_state.hpp"
#include "layout/layout.hpp"
#include "localframe/dummy_atoms.hpp"
#include "localframe/atom_table_line.hpp"
#include "localframe/equivalence.hpp"
#include "localframe/frame_handedness.hpp"
#include "localframe/site_frame.hpp"
#include "structure/cell.hpp"
#include "topology/cell_grid.hpp"
#include "topology/planarity.hpp"

namespace vorn {

namespace {

int new_set(RunState& rs, int atom) {
  rs.kset.lastkset += 1;
  rs.kset.kappaset[atom] = rs.kset.lastkset;
  rs.kset.chemcon[atom] = 0;
  layout::write(rs.log(), "(/a,i4)", " New kappa set = ", rs.kset.lastkset);
  return rs.kset.lastkset;
}

void add_key_part(std::string& key, int v) {
  key.append(reinterpret_cast<const char*>(&v), sizeof v);
}

// What a hydrogen must share with an earlier atom to join its kappa set:
// scattering type, parent element, the parent's bond count and hydrogen
// count, and functional group.
std::string hydrogen_key(const RunState& rs, int j) {
  std::string key;
  add_key_part(key, rs.atom(j).tbl);
  add_key_part(key, rs.forh.hp[j]);
  add_key_part(key, rs.forh.sp[j]);
  add_key_part(key, rs.forh.hnei[j]);
  key += rs.except.exgroup[j].view();
  return key;
}

// What any other atom must share with an earlier one (the tests of
// sameatoms with site symmetry, functional groups and ring size compared):
// element, neighbour count, neighbour types and their counts, ring size,
// site symmetry and functional group.
std::string heavy_key(const RunState& rs, int j) {
  std::string key;
  const AtomNeighbors& nb = rs.nb.of[j];
  add_key_part(key, rs.atom(j).iz);
  add_key_part(key, nb.nnei());
  add_key_part(key, nb.ntypes());
  for (const NeighborType& t : nb.types) {
    add_key_part(key, t.iz);
    add_key_part(key, t.count());
  }
  add_key_part(key, isitcyclic(rs, j).size);
  key += rs.atom(j).sitesym.view();
  key += '|';
  key += rs.except.exgroup[j].view();
  return key;
}

// The first atom before `atom` that matches it, 0 when none does.  Every
// earlier atom is done by the time a later one asks, so its key is final:
// the first atom with the same key is the first that a scan of the
// earlier atoms would match.
int first_equivalent(RunState& rs, int atom) {
  KappaSets& ks = rs.kset;
  for (int j = ks.keyed + 1; j < atom; ++j) {
    ks.first_hydrogen.emplace(hydrogen_key(rs, j), j);
    ks.first_heavy.emplace(heavy_key(rs, j), j);
  }
  ks.keyed = std::max(ks.keyed, atom - 1);
  const bool hydrogen = rs.atom(atom).iz == 1;
  const auto& known = hydrogen ? ks.first_hydrogen : ks.first_heavy;
  const auto it = known.find(hydrogen ? hydrogen_key(rs, atom) : heavy_key(rs, atom));
  return it != known.end() && it->second < atom ? it->second : 0;
}

// Kappa set of an atom of a normal run; returns the reference atom of its
// chemical constraint, 0 when it has none.
int choose_kappa_set(RunState& rs, int atom, const Frame& f) {
  Atom& a = rs.atom(atom);
  rs.kset.chemcon[atom] = 0;
  if (f.ordered_with_disordered_neighbour) {
    // An independent-atom set of the same scattering type, if there is one.
    for (int k = 1; k <= rs.kappas.nkset; ++k) {
      if (rs.kappas.ktbl[k] == a.tbl && std::fabs(rs.kappas.kappa1[k] - 1.0f) <= 0.0001f &&
          std::fabs(rs.kappas.kappa2[k] - 1.0f) <= 0.0001f) {
        rs.kset.kappaset[atom] = k;
        layout::write(rs.log(), "(/a,i4)", " Using old [IAM] kappa set = ", k);
        return 0;
      }
    }
    new_set(rs, atom);
    return 0;
  }
  to_log(rs, layout::format("(/a)", " Calling DetExcept..."));
  detexcept(rs, atom);
  rs.except.exgroup[atom] = upcased(rs.except.exgroup[atom].view());
  if (rs.except.exflag[atom] == 1)
    layout::write(rs.log(), "(/' Exception identified for ',a,' : Functional group = [',a,']')", a.label.trimmed(),
                  rs.except.exgroup[atom].trimmed());
  if (atom > 1) {
    to_log(rs, layout::format("(/a)", " Trying to determine the KAPPA SET :"));
    // Each comparison is logged at the highest verbosity: the earlier
    // atoms are then compared one by one.
    const bool listed = rs.sw.verbosity > 2 && a.iz != 1;
    const bool allowed = rs.sw.lchem[a.iz == 1 ? 0 : 1] != 0;
    if (!listed && allowed && !direct_forms(rs)) {
      const int j = first_equivalent(rs, atom);
      if (j != 0) {
        rs.kset.kappaset[atom] = rs.kset.kappaset[j];
        rs.kset.chemcon[atom] = 1;
        layout::write(rs.log(), "(/a,i4)", " Old kappa set = ", rs.kset.kappaset[atom]);
        return j;
      }
      new_set(rs, atom);
      return 0;
    }
    for (int j = 1; j < atom; ++j) {
      bool match = false;
      if (a.iz == 1) {
        if (rs.sw.lchem[0] == 0) break;
        const Atom& b = rs.atom(j);
        match = b.tbl == a.tbl && rs.forh.hp[j] == rs.forh.hp[atom] && rs.forh.sp[j] == rs.forh.sp[atom] &&
                rs.forh.hnei[j] == rs.forh.hnei[atom] && rs.except.exgroup[j] == rs.except.exgroup[atom];
      } else {
        if (rs.sw.lchem[1] == 0) break;
        match = sameatoms(rs, atom, j, 1, 1, 0, 1);
      }
      if (match) {
        rs.kset.kappaset[atom] = rs.kset.kappaset[j];
        rs.kset.chemcon[atom] = 1;
        layout::write(rs.log(), "(/a,i4)", " Old kappa set = ", rs.kset.kappaset[atom]);
        return j;
      }
    }
  }
  new_set(rs, atom);
  return 0;
}

// A databank entry belongs to a frame and label of its own kind; terms
// that this atom's symmetry forbids (its site, or a label whose entries
// carry them anyway) must not reach the parameter files.
MultipoleSet zero_forbidden_populations(RunState& rs, int atom, const MultipoleSet& allowed) {
  Plm& plm = rs.mp.plm[atom];
  MultipoleSet zeroed;
  std::string names;
  for (int k = 0; k < kMultipoleTerms; ++k) {
    const HarmonicIndex h = harmonic_of_term(k);
    if (allowed[static_cast<std::size_t>(k)] || plm(h.l, h.m) == 0.0f) continue;
    plm(h.l, h.m) = 0.0f;
    zeroed.set(static_cast<std::size_t>(k));
    names += ' ' + term_name(k);
  }
  if (zeroed.any())
    layout::write(rs.log(), "(/4a)", " Populations that the symmetry of ", rs.atom(atom).label.trimmed(),
                  " forbids are set to zero :", names);
  return zeroed;
}

int letter_code(char c) { return c == 'X' ? 1 : c == 'Y' ? 2 : c == 'Z' ? 3 : 0; }

// The atom's bonds to its stored neighbours in its own frame; none when the
// frame spans no plane.
std::vector<LocalBond> bonds_seen_from(const RunState& rs, int atom, const Frame& f) {
  const Vec3 origin = cart(rs, atom);
  const gemmi::Mat33 axes = frame_axes(origin, f);
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j)
      if (!std::isfinite(axes[i][j])) return {};
  std::vector<std::pair<int, Vec3>> neighbours;
  for (int b : rs.nb.of[atom].atom) neighbours.emplace_back(rs.atom(b).iz, cart(rs, b));
  return bonds_in_frame(origin, axes, neighbours);
}

// The hand of the frame of an atom constrained to `ref` (frame `ref_frame`):
// left when its bonds are the mirror image of those of the reference; none
// when they match neither way, so that the constraint cannot be written.
std::optional<Handedness> constraint_hand(RunState& rs, int atom, const Frame& f, int ref, const Frame& ref_frame) {
  const std::vector<LocalBond> own = bonds_seen_from(rs, atom, f);
  const std::vector<LocalBond> theirs = bonds_seen_from(rs, ref, ref_frame);
  if (own.empty() || theirs.empty()) return Handedness::right;
  const MirrorCheck c = compare_environments(f, own, theirs);
  const std::string_view la = rs.atom(atom).label.trimmed(), lr = rs.atom(ref).label.trimmed();
  switch (c.verdict) {
    case MirrorVerdict::right: return Handedness::right;
    case MirrorVerdict::left:
      layout::write(rs.log(), "(/' Bonds of ',a,' are the mirror image of those of ',a,' in their local frames: ',a)",
                    la, lr, "left-handed frame (L)");
      return Handedness::left;
    case MirrorVerdict::unmatched: break;
  }
  warn(rs, layout::format("(/' WARNING: ',a,' is not constrained to ',a,': in their local frames their bonds differ by',"
                          "f6.1,' deg. as they are and by',f6.1,' deg. mirrored')",
                          la, lr, std::min(c.direct, 180.0f), std::min(c.mirrored, 180.0f)));
  return std::nullopt;
}

}  // namespace

AtomSetup kappa_and_output(RunState& rs, int atom, Frame& f, const std::vector<AtomSetup>& earlier) {
  Atom& a = rs.atom(atom);
  int ref = 0;
  if (rs.sw.lsx == 1) {
    // One kappa set per scattering type.
    rs.kset.kappaset[atom] = a.tbl;
    rs.kset.lastkset = std::max(rs.kset.lastkset, a.tbl);
    rs.kset.chemcon[atom] = 0;
  } else {
    ref = choose_kappa_set(rs, atom, f);
  }
  // The constrained atom keeps the kappa set of its reference either way:
  // kappa does not depend on the hand of the frame.
  Handedness hand = Handedness::right;
  if (ref != 0 && (earlier.at(static_cast<std::size_t>(ref - 1)).frame.multipoles & ~f.multipoles).any()) {
    // A constraint copies the reference's multipoles term by term: it
    // cannot hold when the reference refines a term this atom's symmetry
    // forbids.
    warn(rs, layout::format("(/' WARNING: ',a,' is not constrained to ',a,': its symmetry forbids multipoles that ',"
                            "a,' refines')",
                            a.label.trimmed(), rs.atom(ref).label.trimmed(), rs.atom(ref).label.trimmed()));
    ref = 0;
    rs.kset.chemcon[atom] = 0;
  }
  if (ref != 0) {
    const std::optional<Handedness> h =
        constraint_hand(rs, atom, f, ref, earlier.at(static_cast<std::size_t>(ref - 1)).frame);
    if (h) {
      hand = *h;
    } else {
      ref = 0;
      rs.kset.chemcon[atom] = 0;
    }
  }
  rs.kset.reference[atom] = ref;
  const int kset = rs.kset.kappaset[atom];
  layout::write(rs.log(), "(/3a)", " Symmetry = [", a.sitesym, "]");

  // The atom's line of the XD atom table.
  const std::string ref_label = rs.kset.chemcon[atom] == 1 ? rs.atom(ref).label.str() : std::string();
  const std::string line(rtrim(atom_table_line(a, f, kset, ref_label, hand)));
  to_term(rs, " " + line);
  to_log(rs, layout::format("(/a/)", " Local coordinate system definition :"));
  to_log(rs, " " + line);


  // Pseudoatom parameters: from the databank where it applies, else the
  // neutral-atom defaults.
  const bool disordered = a.flag == -1;
  const bool read = rs.sw.usedb == 1 && ((!disordered && !f.ordered_with_disordered_neighbour) ||
                                         (disordered && rs.sw.disorder.disdb == 1));
  bool searched = false, found = false;
  MultipoleSet zeroed;
  if (read) {
    layout::write(rs.log(), "(/' Atom ',a,' :: will now read databank')", a.label);
    const Mpoles1 entry = readdb(rs, atom, f.ring, f.planar_group);
    copy_databank_result(rs, atom, entry);
    searched = true;
    found = entry.ifind == 1;
    zeroed = zero_forbidden_populations(rs, atom, f.multipoles);
  } else {
    layout::write(rs.log(), "(/' Atom ',a,' :: will skip reading databank')", a.label);
    databank_defaults(rs, atom);
  }
  layout::write(rs.log(), "(/' CKS :: Atom=',i6,2x,'kset=',i4,2x,'nsft=',i4)", atom, kset, rs.kappas.ktbl[kset]);

  auto& xd = rs.mp.xdint[atom];
  xd = {letter_code(f.letter[0]), letter_code(f.letter[1]), f.point[0], atom, f.point[1], a.tp, a.tbl, kset, 4, 1, ref};
  return AtomSetup{f, kset, ref, hand, searched, found, zeroed};
}

}  // namespace vorn
