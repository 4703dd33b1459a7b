// The deformation-density pictures of whole runs: which maps a control file
// gets (one per planar ring, then one per MAP line, named in the title and
// the log), the stops for MAP lines that name no atom, no pictures without
// a model, and the page of a 200-atom structure with its grids.
#include <gtest/gtest.h>

#include <filesystem>

#include "support/test_support.hpp"

namespace vorn::test {
namespace {

struct MapCase {
  const char* name;
  const char* lines;        // after the common control lines
  bool databank;
  int status;
  std::vector<std::string> titles;   // of vorn_map_1.svg, vorn_map_2.svg, ...
  const char* in_log;       // text the log (or the error) holds
};

TEST(DensityPictures, MapsForEveryPlanarRingAndMapLine) {
  const MapCase cases[] = {
      {"ring and MAP line", "PICTURES *maps\nMAP C(1) C(2) O(1)\n", true, 0,
       {"C(2) C(3) C(4) C(5) S(1)", "C(1) C(2) O(1)"}, " Deformation density map vorn_map_2.svg : plane of C(1) C(2) O(1)"},
      {"names as in the file, any case", "PICTURES *maps\nMAP o2 n1 O3\n", true, 0,
       {"C(2) C(3) C(4) C(5) S(1)", "O(2) N(1) O(3)"}, "vorn_map_2.svg : plane of O(2) N(1) O(3)"},
      {"maps switched off", "PICTURES maps\nMAP C(1) C(2) O(1)\n", true, 0, {}, " Find rings"},
      {"no model", "PICTURES *maps\n", false, 0, {}, " No atom carries a multipole model"},
      {"a name of no atom", "PICTURES *maps\n! a comment\nMAP C(1) C(9) O(1)\n", true, 1, {},
       "MAP names C(9), which is no atom of the structure (line 8 of vorn.inp)"},
      {"one atom twice", "PICTURES *maps\nMAP C(1) C(2) C(1)\n", true, 1, {}, "MAP names one atom twice"},
      {"two atoms only", "PICTURES *maps\nMAP C(1) C(2)\n", true, 1, {}, "A MAP line names three atoms"},
  };
  for (const MapCase& c : cases) {
    ScratchDir dir;
    dir.copy_in(test_data("shelx/nitrothiophene_carbaldehyde_Pna21.res"), "s.res");
    dir.copy_in(std::string(VORN_SOURCE_DIR) + "/examples/vorn.db", "vorn.db");
    dir.write("vorn.inp", std::string("FORMAT *shelx\nINPUT s.res\nRINGS 3 8\nCHFRAG 0.\n") +
                              (c.databank ? "DATABANK vorn.db\n" : "") + c.lines);
    const RunResult r = run_vorn(dir);
    EXPECT_EQ(r.status, c.status) << c.name;
    EXPECT_NE((dir.read("vorn.out") + r.out).find(c.in_log), std::string::npos) << c.name << "\n" << r.out;
    for (std::size_t n = 0; n < c.titles.size(); ++n) {
      const std::string svg = dir.read("vorn_map_" + std::to_string(n + 1) + ".svg");
      EXPECT_NE(svg.find("<title>Static deformation density in the plane of " + c.titles[n] + "</title>"),
                std::string::npos) << c.name << " " << n + 1;
      EXPECT_NE(svg.find("class=\"neg\""), std::string::npos) << c.name;
      EXPECT_NE(svg.find("class=\"pos\""), std::string::npos) << c.name;
    }
    EXPECT_FALSE(dir.exists("vorn_map_" + std::to_string(c.titles.size() + 1) + ".svg")) << c.name;
  }
}

// The page of the 200-atom benchmark structure (benzene, ethane and
// acetonitrile with the bundled bank's model) carries a grid block set per
// molecule and stays well under 5 MB.
TEST(DensityPictures, PageOfTwoHundredAtomsWithItsGridsIsSmall) {
  if (std::system("/usr/bin/python3 -c 1 > /dev/null 2>&1") != 0) GTEST_SKIP() << "no python3 to make the structure";
  ScratchDir dir;
  ASSERT_EQ(std::system(("/usr/bin/python3 " + std::string(VORN_SOURCE_DIR) + "/tools/make_bench_structure.py 200 " +
                         dir.path() + " vorn.db > /dev/null").c_str()), 0);
  dir.copy_in(std::string(VORN_SOURCE_DIR) + "/examples/vorn.db", "vorn.db");
  dir.write("vorn.inp", dir.read("vorn.inp") + "PICTURES *page\n");
  ASSERT_EQ(run_vorn(dir).status, 0);
  const std::string page = dir.read("vorn.html");
  EXPECT_GT(page.find("\"values\":\""), page.find("id=\"vorn-density\"")) << "no density grid on the page";
  EXPECT_LT(std::filesystem::file_size(dir.file("vorn.html")), 5u * 1000 * 1000);
}

}  // namespace
}  // namespace vorn::test
