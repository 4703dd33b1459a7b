// The program on a CIF and on the SHELX file of the same structure: the
// same atom table, frames, keys, rings and drawings; only the spelling of
// the SYMM cards and the log's file lines may differ.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/test_support.hpp"

namespace vorn {
namespace {

const char* const kAnalysis =
    "RINGS  3  8  *special\n"
    "NCELLS 1\n"
    "KEYGEN  *XYZUIJ *all ordered *MULT *all ordered *kappas\n";

// A file's lines, those of symmetry cards (which hold X, Y and a comma)
// without their blanks.
std::vector<std::string> comparable(const std::string& text) {
  std::vector<std::string> lines = test::lines_of(text);
  // The title is the CIF block's name or the SHELX TITL's first word.
  std::erase_if(lines, [](const std::string& l) { return l.rfind("TITLE ", 0) == 0 || l.find("   MODEL  4") != std::string::npos; });
  for (std::string& l : lines)
    if (l.find('X') != std::string::npos && l.find('Y') != std::string::npos && l.find(',') != std::string::npos)
      std::erase(l, ' ');
  return lines;
}

// Paracetamol: XD's CIF (labels O(1), no type symbols, the operator loop)
// and the SHELX file with the same SFAC order.
TEST(CifEndToEnd, CifAndShelxFileOfOneStructureGiveTheSameOutputs) {
  test::ScratchDir from_cif, from_res;
  from_cif.copy_in(test::test_data("cif/paracetamol_P21n_COD7105573.cif"), "structure.cif");
  from_cif.write("vorn.inp", std::string("FORMAT *cif\nINPUT structure.cif\n") + kAnalysis);
  from_res.copy_in(test::test_data("shelx/paracetamol_P21n.res"), "structure.res");
  from_res.write("vorn.inp", std::string("FORMAT *shelx\nINPUT structure.res\n") + kAnalysis);
  const test::RunResult a = test::run_vorn(from_cif), b = test::run_vorn(from_res);
  ASSERT_EQ(a.status, 0) << a.out;
  ASSERT_EQ(b.status, 0) << b.out;
  ASSERT_TRUE(from_cif.exists("xd_vorn.mas"));
  for (const char* f : {"xd_vorn.mas", "mopro_vorn.par", "con_mopro.inp", "vorn.ang", "vorn.spf", "vorn.svg",
                        "complete.ang", "reduced.ang", "reduced_1.ang"}) {
    SCOPED_TRACE(f);
    EXPECT_EQ(from_cif.exists(f), from_res.exists(f));
    EXPECT_EQ(comparable(from_cif.read(f)), comparable(from_res.read(f)));
  }
}

}  // namespace
}  // namespace vorn
