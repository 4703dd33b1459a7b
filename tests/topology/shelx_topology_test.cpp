// The topology steps on every shared SHELX structure that reads: complete
// fragments, the ring search and the neighbour table, with the printed table
// checked against the sort rules and the rings against known chemistry.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <iomanip>
#include <map>
#include <sstream>

#include "layout/run_error.hpp"
#include "structure/readers/readers.hpp"
#include "support/test_support.hpp"
#include "topology/fragments.hpp"
#include "topology/molecules.hpp"
#include "topology/neighbors.hpp"
#include "topology/rings.hpp"

namespace vorn::test {
namespace {

struct Outcome {
  bool read = false;
  int natom = 0;
  int entries = 0;
  std::vector<int> ring_sizes;
  std::vector<int> planar;
};

// One printed row of the sorted table: atomic number, neighbour count,
// distance, atom number (as printed, from 1).
struct Row {
  int atomic_number = 0, nnei = 0, atom = 0;
  double d = 0;
};

// Reads the structure and runs the topology steps as the run does (NCELLS 0,
// RINGS 3 8); checks the printed neighbour table on the way.
Outcome run_topology(const std::string& file) {
  Outcome out;
  MemoryRun run;
  test::TestRun& rs = *run.rs;
  rs.sw.format = InputFormat::shelx;
  try {
    rs.model = read_shelx(file, ShelxLabels::as_named, rs.log_sink());
  } catch (const RunError&) {
    return out;
  }
  out.read = true;
  out.natom = rs.natom();
  rs.sw.complete_fragment_cells = 0;
  rs.sw.ring_options.min_size = 3;
  rs.sw.ring_options.max_size = 8;
  rs.sw.args.search_rings = true;
  ScratchDir dir;
  {
    InDirectory in(dir.path());
    run_complete_fragments(rs);
    find_rings(rs);
  }
  run_neighbour_search(rs);
  out.entries = rs.entries();
  for (const Ring& r : rs.rings.list) {
    out.ring_sizes.push_back(r.size());
    out.planar.push_back(r.planar);
  }

  // Every ring closes over bonded atoms.
  for (const Ring& r : rs.rings.list) {
    for (int k = 0; k < r.size(); ++k) {
      const int a = r.members[static_cast<std::size_t>(k)];
      const int b = r.members[static_cast<std::size_t>((k + 1) % r.size())];
      const auto& nb = rs.nb.of[a].atom;
      EXPECT_NE(std::find(nb.begin(), nb.end(), b), nb.end()) << file << " ring atoms " << a << " " << b;
    }
  }

  // The printed table: one block per entry, rows in the sort order.
  const std::vector<std::string> lines = lines_of(run.log());
  int at = find_line(lines, " Printout of neighbors of all atoms sorted by ");
  EXPECT_GE(at, 0) << file;
  if (at < 0) return out;
  EXPECT_EQ(lines[static_cast<std::size_t>(at + 1)], "    1) atomic number (descending)");
  for (int i = 0; i < rs.entries(); ++i) {
    const Atom& a = rs.atom(i);
    std::ostringstream head;
    head << " Atom #" << std::setw(6) << i + 1 << " = " << a.label.view() << " :";
    at = find_line(lines, head.str(), at);
    EXPECT_GE(at, 0) << file << " " << head.str();
    if (at < 0) return out;
    std::vector<Row> rows;
    for (int k = 1; k <= rs.nb.of[i].count(); ++k) {
      std::istringstream in(lines[static_cast<std::size_t>(at + k)]);
      Row r;
      in >> r.atomic_number >> r.nnei >> r.d >> r.atom;
      EXPECT_FALSE(in.fail()) << file << " atom " << i;
      rows.push_back(r);
    }
    for (std::size_t k = 1; k < rows.size(); ++k) {
      const Row& p = rows[k - 1];
      const Row& q = rows[k];
      const bool ordered = p.atomic_number > q.atomic_number || (p.atomic_number == q.atomic_number && (p.nnei < q.nnei || (p.nnei == q.nnei && p.d <= q.d)));
      EXPECT_TRUE(ordered) << file << " atom " << i << " rows " << k << ", " << k + 1;
    }
    // isn is exactly the printed order.
    const std::vector<int> sorted = neighbours_by_type(rs, i);
    EXPECT_EQ(sorted.size(), rows.size());
    if (sorted.size() != rows.size()) return out;
    for (std::size_t k = 0; k < rows.size(); ++k) {
      EXPECT_EQ(sorted[k] + 1, rows[k].atom) << file << " atom " << i;
      EXPECT_EQ(rows[k].nnei, rs.nb.of[rows[k].atom - 1].count());
    }
  }
  return out;
}

std::vector<int> sorted(std::vector<int> v) {
  std::sort(v.begin(), v.end());
  return v;
}

TEST(ShelxTopology, EverySharedStructure) {
  std::map<std::string, Outcome> res;
  for (const auto& e : std::filesystem::directory_iterator(test_data("shelx"))) {
    const std::string name = e.path().filename().string();
    res[name] = run_topology(e.path().string());
  }
  int read = 0;
  for (const auto& [name, o] : res) read += o.read ? 1 : 0;
  EXPECT_GE(read, 12);

  auto rings = [&](const std::string& name) { return sorted(res.at(name).ring_sizes); };
  // Naphthalene is half a molecule on an inversion centre: NCELLS 0 makes
  // it whole, with its two planar six-membered rings.
  ASSERT_TRUE(res.at("naphthalene_P21a_half_molecule.res").read);
  EXPECT_EQ(res.at("naphthalene_P21a_half_molecule.res").entries, 18);
  EXPECT_EQ(rings("naphthalene_P21a_half_molecule.res"), (std::vector<int>{6, 6}));
  for (const int p : res.at("naphthalene_P21a_half_molecule.res").planar) EXPECT_EQ(p, 1);
  // Indole of tryptophan: a five- and a six-membered planar ring.
  EXPECT_EQ(rings("DL-tryptophan_P21c.res"), (std::vector<int>{5, 6}));
  for (const int p : res.at("DL-tryptophan_P21c.res").planar) EXPECT_EQ(p, 1);
  // Paracetamol: one benzene ring.
  EXPECT_EQ(rings("paracetamol_P21n.res"), (std::vector<int>{6}));
  // Sucrose: a pyranose and a furanose ring, neither planar.
  EXPECT_EQ(rings("sucrose_P21.res"), (std::vector<int>{5, 6}));
  for (const int p : res.at("sucrose_P21.res").planar) EXPECT_EQ(p, 0);
  // No rings in alanine and urea.
  EXPECT_TRUE(rings("L-alanine_P212121_freeH.res").empty());
  EXPECT_TRUE(rings("urea_P-421m_special_positions.res").empty());
}

}  // namespace
}  // namespace vorn::test

namespace vorn::test {
namespace {

// The program itself on the half naphthalene molecule: with NCELLS the
// molecule is completed before the ring and neighbour searches; without it
// the half molecule is a chain without rings.  Without an NCELLS line the
// program completes it by default; NCELLS -1 keeps it as it is.
TEST(ShelxTopology, ProgramCompletesHalfMoleculeBeforeSearches) {
  for (const char* line : {"NCELLS 0\n", "", "NCELLS -1\n"}) {
    // Without an NCELLS line the molecule is completed by default.
    const bool ncells = std::string(line) != "NCELLS -1\n";
    ScratchDir dir;
    dir.copy_in(test_data("shelx/naphthalene_P21a_half_molecule.res"), "naph.res");
    dir.write("vorn.inp", std::string("FORMAT *shelx\nINPUT naph.res\n") + line +
                              "RINGS 3 8\n");
    const RunResult r = run_vorn(dir);
    EXPECT_EQ(r.status, 0) << r.out;
    const std::string log = dir.read("vorn.out");
    EXPECT_NE(r.out.find(" IDENTIFYING COVALENTLY-BONDED NEIGHBORS FOR EACH ATOM"), std::string::npos);
    EXPECT_NE(log.find(" Printout of neighbors of all atoms sorted by "), std::string::npos);
    EXPECT_EQ(log.find(" No NCELLS line: molecules completed as with NCELLS") != std::string::npos, std::string(line).empty());
    if (ncells) {
      EXPECT_EQ(lines_of(dir.read("complete.ang")).size(), 18u);
      EXPECT_EQ(lines_of(dir.read("reduced.ang")).size(), 11u);
      EXPECT_NE(r.out.find(" TOTAL RINGS FOUND (nor)  =      2"), std::string::npos) << r.out;
      EXPECT_NE(log.find("List of atoms in complete fragment(s) :"), std::string::npos);
      // The copies are in the sorted table; H(4)'s copy is the last entry.
      const std::vector<std::string> lines = lines_of(log);
      const int at = find_line(lines, " Atom #    18 = H(4)     :");
      ASSERT_GE(at, 0);
      const std::string row = lines[static_cast<std::size_t>(at + 1)];
      EXPECT_EQ(row.substr(0, 13), "        6   3");
      EXPECT_EQ(row.substr(24), "      14   C(5)    ");
    } else {
      EXPECT_FALSE(dir.exists("complete.ang"));
      EXPECT_EQ(lines_of(dir.read("reduced.ang")), (std::vector<std::string>{"ANGSTROM"}));
      EXPECT_NE(r.out.find(" THERE ARE NO ATOMS IN THE REDUCED CONNECTIVITY TABLE"), std::string::npos);
      EXPECT_NE(log.find(" Atom #     9 = H(4)     :"), std::string::npos);
      EXPECT_EQ(log.find(" Atom #    10 ="), std::string::npos);
    }
  }
}

}  // namespace
}  // namespace vorn::test
