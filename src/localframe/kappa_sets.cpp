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
#include "layout/layout.hpp"
#include "localframe/dummy_atoms.hpp"
#include "localframe/atom_table_line.hpp"
#include "localframe/entry_frame.hpp"
#include "localframe/equivalence.hpp"
#include "localframe/frame_handedness.hpp"
#include "localframe/multipole_rotation.hpp"
#include "localframe/site_frame.hpp"
#include "localframe/user_frame.hpp"
#include "structure/cell.hpp"
#include "topology/cell_grid.hpp"
#include "topology/neighbour_shell.hpp"
#include "topology/planarity.hpp"

namespace vorn {

namespace {

int new_set(const AtomLoop& loop, int atom) {
  loop.tables.kappa_sets.last_set += 1;
  loop.tables.kappa_sets.of[atom].kappa_set = loop.tables.kappa_sets.last_set;
  loop.tables.kappa_sets.of[atom].constrained = false;
  layout::write(loop.log.log(), "(/a,i4)", " New kappa set = ", loop.tables.kappa_sets.last_set);
  return loop.tables.kappa_sets.last_set;
}

void add_key_part(std::string& key, int v) {
  key.append(reinterpret_cast<const char*>(&v), sizeof v);
}

// What a hydrogen must share with an earlier atom to join its kappa set:
// scattering type, parent element, the parent's bond count, hydrogen
// count and whether it lies in a ring, and functional group.
std::string hydrogen_key(const AtomLoop& loop, int j) {
  std::string key;
  add_key_part(key, loop.atom(j).scattering_type);
  add_key_part(key, loop.tables.hydrogen_parents.of[j].atomic_number);
  add_key_part(key, loop.tables.hydrogen_parents.of[j].neighbour_count);
  add_key_part(key, loop.tables.hydrogen_parents.of[j].hydrogens);
  add_key_part(key, loop.tables.hydrogen_parents.of[j].in_ring);
  key += loop.tables.groups.of[j].name.view();
  add_key_part(key, loop.atom(j).part);
  key += '|' + user_frame_key(loop.model, j);
  return key;
}

// What any other atom must share with an earlier one (the tests of
// chemically_equivalent with site symmetry, functional groups and ring size compared):
// element, neighbour count, neighbour types and their counts, ring size,
// the kinds of the neighbours (element, hydrogens, bonds), site symmetry
// and functional group.
std::string heavy_key(const AtomLoop& loop, int j) {
  std::string key;
  const AtomNeighbors& nb = loop.nb.of[j];
  add_key_part(key, loop.atom(j).atomic_number);
  add_key_part(key, nb.count());
  add_key_part(key, nb.type_count());
  for (const NeighborType& t : nb.types) {
    add_key_part(key, t.atomic_number);
    add_key_part(key, t.count());
  }
  add_key_part(key, ring_state(loop.rings, j).size);
  for (const NeighbourKind& k : neighbour_shell(loop.model, loop.nb, j))
    for (const int v : k) add_key_part(key, v);
  key += loop.atom(j).sitesym.view();
  key += '|';
  key += loop.tables.groups.of[j].name.view();
  add_key_part(key, loop.atom(j).part);
  key += '|' + user_frame_key(loop.model, j);
  return key;
}

// The first atom before `atom` that matches it, -1 when none does.  Every
// earlier atom is done by the time a later one asks, so its key is final:
// the first atom with the same key is the first that a scan of the
// earlier atoms would match.
int first_equivalent(const AtomLoop& loop, int atom) {
  KappaSets& ks = loop.tables.kappa_sets;
  for (int j = ks.keyed; j < atom; ++j) {
    ks.first_hydrogen.emplace(hydrogen_key(loop, j), j);
    ks.first_heavy.emplace(heavy_key(loop, j), j);
  }
  ks.keyed = std::max(ks.keyed, atom);
  const bool hydrogen = loop.atom(atom).atomic_number == 1;
  const auto& known = hydrogen ? ks.first_hydrogen : ks.first_heavy;
  const auto it = known.find(hydrogen ? hydrogen_key(loop, atom) : heavy_key(loop, atom));
  return it != known.end() && it->second < atom ? it->second : -1;
}

// Kappa set of an atom of a normal run; returns the reference atom of its
// chemical constraint, -1 when it has none.
int choose_kappa_set(const AtomLoop& loop, int atom, const Frame& f) {
  Atom& a = loop.atom(atom);
  loop.tables.kappa_sets.of[atom].constrained = false;
  if (f.ordered_with_disordered_neighbour) {
    // An independent-atom set of the same scattering type, if there is one.
    for (int k = 1; k <= loop.tables.kappas.count(); ++k) {
      const KappaSet& s = loop.tables.kappas.set(k);
      if (s.scattering_type == a.scattering_type && std::fabs(s.kappa - 1.0) <= 0.0001 &&
          std::fabs(s.kappa_prime - 1.0) <= 0.0001) {
        loop.tables.kappa_sets.of[atom].kappa_set = k;
        layout::write(loop.log.log(), "(/a,i4)", " Using old [IAM] kappa set = ", k);
        return -1;
      }
    }
    new_set(loop, atom);
    return -1;
  }
  to_log(loop.log, layout::format("(/a)", " Calling DetExcept..."));
  if (std::string g = detect_functional_group(loop.model, loop.sw, loop.nb, loop.rings, loop.tables.groups, loop.log, atom);
      !g.empty())
    loop.tables.group_listing = std::move(g);
  loop.tables.groups.of[atom].name = upcased(loop.tables.groups.of[atom].name.view());
  if (loop.tables.groups.of[atom].identified)
    layout::write(loop.log.log(), "(/' Exception identified for ',a,' : Functional group = [',a,']')", a.label.trimmed(),
                  loop.tables.groups.of[atom].name.trimmed());
  if (atom > 0) {
    to_log(loop.log, layout::format("(/a)", " Trying to determine the KAPPA SET :"));
    // Each comparison is logged at the highest verbosity: the earlier
    // atoms are then compared one by one.
    const bool listed = loop.log.shows(3) && a.atomic_number != 1;
    const bool allowed = loop.sw.chemical_constraints.for_element(a.atomic_number);
    if (!listed && allowed && !direct_forms(loop.index)) {
      const int j = first_equivalent(loop, atom);
      if (j >= 0) {
        loop.tables.kappa_sets.of[atom].kappa_set = loop.tables.kappa_sets.of[j].kappa_set;
        loop.tables.kappa_sets.of[atom].constrained = true;
        layout::write(loop.log.log(), "(/a,i4)", " Old kappa set = ", loop.tables.kappa_sets.of[atom].kappa_set);
        return j;
      }
      new_set(loop, atom);
      return -1;
    }
    for (int j = 0; j < atom; ++j) {
      bool match = false;
      if (a.atomic_number == 1) {
        if (!loop.sw.chemical_constraints.hydrogens) break;
        const Atom& b = loop.atom(j);
        match = b.scattering_type == a.scattering_type && loop.tables.hydrogen_parents.of[j].atomic_number == loop.tables.hydrogen_parents.of[atom].atomic_number && loop.tables.hydrogen_parents.of[j].neighbour_count == loop.tables.hydrogen_parents.of[atom].neighbour_count &&
                loop.tables.hydrogen_parents.of[j].hydrogens == loop.tables.hydrogen_parents.of[atom].hydrogens &&
                loop.tables.hydrogen_parents.of[j].in_ring == loop.tables.hydrogen_parents.of[atom].in_ring && loop.tables.groups.of[j].name == loop.tables.groups.of[atom].name && b.part == a.part;
      } else {
        if (!loop.sw.chemical_constraints.other_atoms) break;
        match = chemically_equivalent(loop.model, loop.nb, loop.rings, loop.tables.groups, loop.log, atom, j, {true, true, false, true});
      }
      // A frame the user set joins only one set alike.
      match = match && user_frame_key(loop.model, j) == user_frame_key(loop.model, atom);
      if (match) {
        loop.tables.kappa_sets.of[atom].kappa_set = loop.tables.kappa_sets.of[j].kappa_set;
        loop.tables.kappa_sets.of[atom].constrained = true;
        layout::write(loop.log.log(), "(/a,i4)", " Old kappa set = ", loop.tables.kappa_sets.of[atom].kappa_set);
        return j;
      }
    }
  }
  new_set(loop, atom);
  return -1;
}

// A databank entry belongs to a frame and label of its own kind; terms
// that this atom's symmetry forbids (its site, or a label whose entries
// carry them anyway) must not reach the parameter files.
MultipoleSet zero_forbidden_populations(const AtomLoop& loop, int atom, const MultipoleSet& allowed) {
  Plm& plm = loop.tables.populations.of[atom].plm;
  const Plm whole = plm;
  MultipoleSet zeroed;
  std::string names;
  for (int k = 0; k < kMultipoleTerms; ++k) {
    const HarmonicIndex h = harmonic_of_term(k);
    if (allowed[static_cast<std::size_t>(k)] || plm(h.l, h.m) == 0.0) continue;
    plm(h.l, h.m) = 0.0;
    zeroed.set(static_cast<std::size_t>(k));
    names += ' ' + term_name(k);
  }
  if (zeroed.any()) {
    layout::write(loop.log.log(), "(/4a)", " Populations that the symmetry of ", loop.atom(atom).label.trimmed(),
                  " forbids are set to zero :", names);
    to_log(loop.log, lost_power_line(loop.atom(atom).label.trimmed(), whole, plm));
  }
  return zeroed;
}

int letter_code(char c) { return c == 'X' ? 1 : c == 'Y' ? 2 : c == 'Z' ? 3 : 0; }

// The atom's bonds to its stored neighbours in its own frame; none when the
// frame spans no plane.
std::vector<LocalBond> bonds_seen_from(const AtomLoop& loop, int atom, const Frame& f) {
  const Vec3 origin = cart(loop.model, atom);
  const gemmi::Mat33 axes = frame_axes(origin, f);
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j)
      if (!std::isfinite(axes[i][j])) return {};
  std::vector<std::pair<int, Vec3>> neighbours;
  for (int b : loop.nb.of[atom].atom) neighbours.emplace_back(loop.atom(b).atomic_number, cart(loop.model, b));
  return bonds_in_frame(origin, axes, neighbours);
}

// The hand of the frame of an atom constrained to `ref` (frame `ref_frame`):
// left when its bonds are the mirror image of those of the reference; none
// when they match neither way, so that the constraint cannot be written.
std::optional<Handedness> constraint_hand(const AtomLoop& loop, int atom, const Frame& f, int ref, const Frame& ref_frame) {
  const std::vector<LocalBond> own = bonds_seen_from(loop, atom, f);
  const std::vector<LocalBond> theirs = bonds_seen_from(loop, ref, ref_frame);
  if (own.empty() || theirs.empty()) return Handedness::right;
  const MirrorCheck c = compare_environments(f, own, theirs);
  const std::string_view la = loop.atom(atom).label.trimmed(), lr = loop.atom(ref).label.trimmed();
  switch (c.verdict) {
    case MirrorVerdict::right: return Handedness::right;
    case MirrorVerdict::left:
      layout::write(loop.log.log(), "(/' Bonds of ',a,' are the mirror image of those of ',a,' in their local frames: ',a)",
                    la, lr, "left-handed frame (L)");
      return Handedness::left;
    case MirrorVerdict::unmatched: break;
  }
  warn(loop.log, layout::format("(/' WARNING: ',a,' is not constrained to ',a,': in their local frames their bonds differ by',"
                          "f6.1,' deg. as they are and by',f6.1,' deg. mirrored')",
                          la, lr, std::min(c.direct, 180.0), std::min(c.mirrored, 180.0)),
       atom);
  return std::nullopt;
}

// Kappa set of an atom typed by a MATTS bank: that of the first atom of
// the same entry and scattering type.  It is constrained to that atom when
// the switches allow, both keep the entry's frame and their hands agree;
// returns the reference, -1 for none.
int entry_kappa_set(const AtomLoop& loop, int atom, const Frame& f, const TransferredAtom& t,
                    const std::vector<AtomSetup>& earlier) {
  KappaSets& ks = loop.tables.kappa_sets;
  const Atom& a = loop.atom(atom);
  ks.of[atom].constrained = false;
  const auto [it, first] =
      ks.first_of_entry.emplace(t.id + '|' + std::to_string(a.scattering_type) + '|' + user_frame_key(loop.model, atom), atom);
  if (first) return new_set(loop, atom), -1;
  const int j = it->second;
  ks.of[atom].kappa_set = ks.of[j].kappa_set;
  layout::write(loop.log.log(), "(/a,i4)", " Old kappa set = ", ks.of[atom].kappa_set);
  const TransferredAtom* r = typed_atom(loop, j);
  const bool allowed = loop.sw.chemical_constraints.for_element(a.atomic_number);
  if (!allowed || r == nullptr || f.axes_from_site || earlier.at(static_cast<std::size_t>(j)).frame.axes_from_site ||
      r->frame->left != t.frame->left)
    return -1;
  ks.of[atom].constrained = true;
  return j;
}

// The entry just copied for the atom, defined in the frame `bank_axes`,
// expressed in the frame written.  The frame is taken as built: the L of a
// constrained atom mirrors its reference's frame so that their populations
// are the same numbers, and the entry knows no hand.
void turn_entry_into_frame(const AtomLoop& loop, int atom, const Frame& f, const gemmi::Mat33& bank_axes,
                           const DatabankMatch& entry) {
  const gemmi::Mat33 written = frame_axes(cart(loop.model, atom), f);
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j)
      if (!std::isfinite(written[i][j])) return;
  Plm& plm = loop.tables.populations.of[atom].plm;
  const Plm turned = populations_in_frame(plm, bank_axes, written);
  if (turned.v == plm.v) return;
  plm = turned;
  layout::write(loop.log.log(), "(/3a)", " Populations of ", loop.atom(atom).label.trimmed(),
                " turned from the frame of the bank's rules into the frame written");
  DatabankMatch shown = entry;
  const double occ = loop.atom(atom).occ;
  for (std::size_t k = 0; k < plm.v.size(); ++k) shown.plm.v[k] = occ != 0.0 ? plm.v[k] / occ : 0.0;
  to_log(loop.log, parameter_block(loop.atom(atom).label.trimmed(), shown));
}

}  // namespace

AtomSetup kappa_and_output(const AtomLoop& loop, int atom, Frame& f, const std::vector<AtomSetup>& earlier,
                           const std::optional<gemmi::Mat33>& bank_axes) {
  Atom& a = loop.atom(atom);
  const TransferredAtom* typed = typed_atom(loop, atom);
  int ref = -1;
  if (loop.sw.convert_to_xd_only) {
    // One kappa set per scattering type.
    loop.tables.kappa_sets.of[atom].kappa_set = a.scattering_type;
    loop.tables.kappa_sets.last_set = std::max(loop.tables.kappa_sets.last_set, a.scattering_type);
    loop.tables.kappa_sets.of[atom].constrained = false;
  } else if (typed) {
    ref = entry_kappa_set(loop, atom, f, *typed, earlier);
  } else {
    ref = choose_kappa_set(loop, atom, f);
  }
  // The constrained atom keeps the kappa set of its reference either way:
  // kappa does not depend on the hand of the frame.
  Handedness hand = Handedness::right;
  if (ref >= 0 && (earlier.at(static_cast<std::size_t>(ref)).frame.multipoles & ~f.multipoles).any()) {
    // A constraint copies the reference's multipoles term by term: it
    // cannot hold when the reference refines a term this atom's symmetry
    // forbids.
    warn(loop.log, layout::format("(/' WARNING: ',a,' is not constrained to ',a,': its symmetry forbids multipoles that ',"
                            "a,' refines')",
                            a.label.trimmed(), loop.atom(ref).label.trimmed(), loop.atom(ref).label.trimmed()),
         atom);
    ref = -1;
    loop.tables.kappa_sets.of[atom].constrained = false;
  }
  if (typed && !f.axes_from_site && typed->frame->left) hand = Handedness::left;
  if (ref >= 0 && !typed) {
    const std::optional<Handedness> h =
        constraint_hand(loop, atom, f, ref, earlier.at(static_cast<std::size_t>(ref)).frame);
    if (h) {
      hand = *h;
    } else {
      ref = -1;
      loop.tables.kappa_sets.of[atom].constrained = false;
    }
  }
  loop.tables.kappa_sets.of[atom].reference = ref;
  const int kset = loop.tables.kappa_sets.of[atom].kappa_set;
  layout::write(loop.log.log(), "(/3a)", " Symmetry = [", a.sitesym, "]");

  // The atom's line of the XD atom table.
  const std::string ref_label = loop.tables.kappa_sets.of[atom].constrained ? loop.atom(ref).label.str() : std::string();
  const std::string line(rtrim(atom_table_line(a, f, kset, ref_label, hand)));
  to_term(loop.log, " " + line);
  to_log(loop.log, layout::format("(/a/)", " Local coordinate system definition :"));
  to_log(loop.log, " " + line);


  // Pseudoatom parameters: from the databank where it applies, else the
  // neutral-atom defaults.
  const bool disordered = a.occupancy_kind == OccupancyKind::disordered;
  // The bank's populations belong to the frame the program builds for
  // their environment; in a frame the user set they would mean another
  // density (a MATTS entry's are turned into the frame written instead).
  const bool own_frame = !f.set_by_user;
  if (!own_frame && loop.databank != nullptr && loop.sw.use_databank)
    layout::write(loop.log.log(), "(/' Atom ',a,' :: frame set by AXES, the databank populations do not apply')", a.label);
  const bool read = own_frame && loop.databank != nullptr && loop.sw.use_databank &&
                    ((!disordered && !f.ordered_with_disordered_neighbour) || (disordered && loop.sw.disorder.use_databank));
  bool searched = false, found = false;
  MultipoleSet zeroed;
  std::string bank_type;
  const bool matts = loop.transferred != nullptr && loop.sw.use_databank &&
                     ((!disordered && !f.ordered_with_disordered_neighbour) || (disordered && loop.sw.disorder.use_databank));
  if (matts && typed) {
    // The entry's populations, rotated from the entry's frame into the
    // frame written.
    const Plm plm = entry_populations_in(*typed, written_axes(loop, atom, f, hand == Handedness::left));
    copy_databank_result(a, atom, kset, entry_record(*typed, plm), loop.tables.populations, loop.tables.kappas);
    layout::write(loop.log.log(), "(/' Atom ',a,' :: entry ',a,' of the MATTS bank')", a.label, typed->id);
    searched = found = true;
    bank_type = typed->id;
    zeroed = zero_forbidden_populations(loop, atom, f.multipoles);
  } else if (matts) {
    layout::write(loop.log.log(), "(/' Atom ',a,' :: no entry of the MATTS bank, spherical')", a.label);
    databank_defaults(a, atom, kset, loop.tables.populations, loop.tables.kappas);
    searched = true;
  } else if (read) {
    layout::write(loop.log.log(), "(/' Atom ',a,' :: will now read databank')", a.label);
    const DatabankMatch entry = search_databank(*loop.databank, loop.indexed(), loop.tables.hydrogen_parents, loop.tables.groups, loop.log, atom,
                                 f.ring, f.planar_group);
    copy_databank_result(a, atom, loop.tables.kappa_sets.of[atom].kappa_set, entry, loop.tables.populations,
                         loop.tables.kappas);
    searched = true;
    found = entry.found;
    if (found) bank_type = entry.comment.trimmed();
    if (found && bank_axes) turn_entry_into_frame(loop, atom, f, *bank_axes, entry);
    zeroed = zero_forbidden_populations(loop, atom, f.multipoles);
  } else {
    layout::write(loop.log.log(), "(/' Atom ',a,' :: will skip reading databank')", a.label);
    databank_defaults(a, atom, loop.tables.kappa_sets.of[atom].kappa_set, loop.tables.populations, loop.tables.kappas);
  }
  layout::write(loop.log.log(), "(/' CKS :: Atom=',i6,2x,'kset=',i4,2x,'nsft=',i4)", atom + 1, kset, loop.tables.kappas.set(kset).scattering_type);

  // The integers of the XD atom line number atoms and points from 1 (a
  // dummy point natom + d); no constraint is 0.
  auto& xd = loop.tables.populations.of[atom].xd_integers;
  xd = {letter_code(f.letter[0]), letter_code(f.letter[1]), f.point[0] + 1, atom + 1, f.point[1] + 1, a.adp_type, a.scattering_type, kset, a.max_multipole_level, 1, ref + 1};
  return AtomSetup{f, kset, ref, hand, searched, found, zeroed, bank_type};
}

}  // namespace vorn
