// A pseudoatom bank in the MATTS format: SETTINGS thresholds and ENTRY
// records (atom-type descriptors, local coordinate system, symmetry label,
// Pv, kappa, kappa' and the Plm), read whole into plain structs so that the
// typing and the frame builder can index and use them.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "layout/log.hpp"
#include "layout/record_file.hpp"
#include "structure/model.hpp"

namespace vorn {

// The thresholds of the bank's SETTINGS block (its defaults without one).
struct MattsSettings {
  double bond_tolerance = 0.4;          // bonded if d <= r1 + r2 + this
  double ring_planarity = 0.1;          // rms deviation of a planar ring
  double atom_in_ring_planarity = 0.1;  // of an atom allowed in a planar ring
  int ring_atom_max_neighbours = 3;     // more neighbours: in no planar ring
};

// The planarity an atom must have.
enum class MattsPlanarity { any, planar, nonplanar };

// One ring pattern of PLANAR_RING_WITH_PLANAR_ATOMS: `6A`, `6`, `!6A`.
struct MattsRingSpec {
  int size = 0;
  std::string label;     // empty: an unlabelled ring
  bool forbidden = false;
};

// PLANAR_RING_WITH_PLANAR_ATOMS: no condition, in no planar ring, in at
// least one, or a list of ring patterns (with `*`: further rings allowed).
struct MattsRingCondition {
  enum class Kind { any, none, some, patterns } kind = Kind::any;
  std::vector<MattsRingSpec> patterns;
  bool more_allowed = false;
};

// IN_3_MEMBER_RING / IN_4_MEMBER_RING: count -1 no condition, -2 at least
// one, else exactly that many.
inline constexpr int kAnyRingCount = -1;
inline constexpr int kSomeRings = -2;

// A named atom of an entry and its CONNECTED_TO list.
struct MattsAtom {
  std::string label;
  int z = 0;                          // 0: any element (an X label) or an unknown symbol
  bool any_element = false;           // an X label
  std::vector<int> named;             // named atoms bonded to it (indices in the entry)
  std::vector<int> elements;          // anonymous neighbours of one element
  std::vector<int> not_elements;      // `!El` neighbours
  int count = 0;                      // neighbours listed (without `*`)
  bool at_least = false;              // `*`: count is a minimum
  MattsPlanarity planarity = MattsPlanarity::any;
  MattsRingCondition planar_rings;
  int in_3_rings = kAnyRingCount;
  int in_4_rings = kAnyRingCount;
};

// One reference point of the local coordinate system.
struct MattsAxisRef {
  enum class Kind { named, neighbour_of, ring, average_direction, any_orthogonal } kind = Kind::any_orthogonal;
  int atom = -1;                  // named: that atom; neighbour_of: the atom whose neighbour is meant
  int z = 0;                      // neighbour_of: element (0 any)
  bool not_z = false;             // neighbour_of: any element but z
  std::string ring;               // ring: its label (`6A`)
  std::vector<int> named;         // average_direction: named atoms
  std::vector<int> elements;      // average_direction: best neighbours of these elements
  std::string text;               // as written, for the log
};

struct MattsFrameDef {
  std::array<char, 2> axis{'X', 'Y'};
  std::array<MattsAxisRef, 2> ref;
  bool left = false;
};

// An entry: its atoms (the first is the central atom), frame, symmetry
// label, chirality atoms and parameters; Plm as plm[l][l + m].
struct MattsEntry {
  std::string id;
  std::string comment;
  int instances = 0;                 // NOI; 0 when the entry gives none
  std::vector<MattsAtom> atoms;
  MattsFrameDef frame;
  std::string symmetry;
  bool chiral = false;
  std::array<int, 3> chirality{};    // named atoms
  double pv = 0, sigpv = 0, kappa = 1, kprim = 1;
  std::array<std::array<double, 9>, 5> plm{};
  std::size_t line = 0;              // of its ENTRY line
};

struct MattsBank {
  std::string path;
  MattsSettings settings;
  std::vector<MattsEntry> entries;
};

// Whether the records look like a MATTS bank: a SETTINGS or ENTRY line.
bool looks_like_matts_bank(RecordFile& file);
// Whether they look like a bank of the program's own format: an ATOM line.
bool looks_like_own_bank(RecordFile& file);

// Whether the databank file is read as a MATTS bank (forced by `*matts`,
// else by its content) or as a bank of the program's own format; a file in
// neither format stops the run.
bool is_matts_bank(RecordFile& file, bool forced);

// Reads every entry of the bank; a malformed entry stops the run naming the
// file and the line.
MattsBank read_matts_bank(RecordFile& file);

// Logs the bank read (entries, thresholds) and warns about the elements
// of the structure for which the bank has no entry.
void report_matts_bank(const MattsBank& bank, const Model& model, Log& log);

// Atomic number of an element symbol as the bank writes it (`Cl`, `CL`);
// 0 for no element.
int matts_element(std::string_view symbol);

}  // namespace vorn
